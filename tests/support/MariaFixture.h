#pragma once
// Schemas on the test MariaDB server made for one test program and dropped
// when it ends; names carry the process id so programs running side by side
// never see each other's objects. SQL goes through the mariadb command-line
// client, independent of the component under test.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/Browser.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace zel::test {

// Runs SQL (several statements allowed) as the test user; returns the
// client's exit status and its output (tab-separated, no column names).
int MariaSql(const MariaServer& srv, const std::string& sql, std::string* output = nullptr);

class MariaSchemas {
 public:
  explicit MariaSchemas(MariaServer srv) : srv_(std::move(srv)) {}
  ~MariaSchemas();
  MariaSchemas(const MariaSchemas&) = delete;
  MariaSchemas& operator=(const MariaSchemas&) = delete;

  // The name prefix_<pid>, remembered for dropping (not created).
  std::string Name(const std::string& prefix);
  // Creates it (utf8mb4) and returns the name.
  std::string Create(const std::string& prefix);
  // A schema with the catalog fixture (tests/fixtures/mysql/catalog.sql).
  std::string CreateCatalog(const std::string& prefix = "zel_my");
  // A schema of `tables` tables t001... with two columns each, one with a
  // comment.
  std::string CreateMany(const std::string& prefix, int tables);

 private:
  MariaServer srv_;
  std::vector<std::string> names_;
};

// Loads the MySQL client library as program start does, unless loaded.
void EnsureMySqlLibrary();

// `name` as a back-quoted identifier.
std::string MariaIdent(const std::string& name);
// `text` as a '...' literal (backslashes and quotes escaped).
std::string MariaLiteral(const std::string& text);

// A browser logged on to the test MariaDB server as a user would be.
struct MariaBrowser {
  explicit MariaBrowser(const MariaServer& srv, const std::string& password = "\x01",
                        const std::string& settingsFolder = "",
                        std::optional<std::string> port = std::nullopt);
  TTreeNode* Root() { return browser->TreeView1().Root(); }
  // Selects the child with that text (as a click would); null when none.
  TTreeNode* Select(TTreeNode* parent, const std::string& text);

  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::unique_ptr<TBrowser> browser;
};

// The statements the server logged after byte offset `from` of its general
// log (the Query lines' texts), only those of `user`'s connections when a
// user is given (other test programs share the server), and the log's size
// now.
std::vector<std::string> LoggedQueries(const MariaServer& srv, size_t from = 0,
                                       const std::string& user = "");
// The most connections of `user` at work at once after `from`, each from
// its connect to its last statement in the log.
size_t PeakConnections(const MariaServer& srv, size_t from, const std::string& user);
// A user of this test program's own (prefix_<pid>, allowed to read
// everything), so that its statements and connections can be told apart;
// the server as that user sees it.
MariaServer MariaOwnUser(const MariaServer& srv, const std::string& prefix);
void DropMariaUser(const MariaServer& srv, const MariaServer& own);
size_t GeneralLogSize(const MariaServer& srv);

}  // namespace zel::test
