// The MariaDB test server killed in the middle of a definition export: the
// run ends as a failure, and the earlier document at the target stays as it
// was with nothing beside it, reading the schema in bulk or table by table
// alike. It stops the shared server, so it runs on its own.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "common/IniFile.h"
#include "common/Resources.h"
#include "export/Exports.h"
#include "support/MariaFixture.h"

using namespace zel;
using namespace zel::test;

namespace {

class MySqlKilledServerExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_SKIP_WITHOUT_MARIA(srv);
    ASSERT_FALSE(srv.startScript.empty()) << "ZEL_MARIA_START unset";
    schemas = std::make_unique<MariaSchemas>(srv);
    many = schemas->CreateMany("zel_killed", 200);
  }
  void TearDown() override {
    if (!schemas) return;
    // Whatever happened, the server is up again for the tests after this.
    if (MariaSql(srv, "select 1") != 0) Start();
    schemas.reset();
  }

  void Kill() {
    const std::string pidFile =
        std::filesystem::path(srv.startScript).parent_path().string() + "/mysqld.pid";
    const pid_t pid = static_cast<pid_t>(std::stol(ReadFile(pidFile)));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    for (int i = 0; i < 200 && kill(pid, 0) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  void Start() { ASSERT_EQ(RunCommand(ShellQuote(srv.startScript)), 0); }

  struct Result {
    std::string target;
    std::vector<std::string> log;
    std::vector<std::string> messages;
  };
  Result Export(CatalogRead read, const std::string& name) {
    Result r;
    MariaBrowser b(srv, "\x01", dir.Path());
    TTreeNode* node = b.Select(b.Root(), many);
    EXPECT_NE(node, nullptr);
    if (!node) return r;
    TExporter exporter(*b.browser);
    exporter.read = read;
    r.target = dir.File(name);
    WriteFile(r.target, "earlier " + name);
    b.prompts.saveAnswers.push_back(r.target);
    b.prompts.messageAnswers.push_back(MsgResult::Yes);  // overwrite
    bool done = false;
    int listener = b.browser->AddListener([&](unsigned changes) {
      if (done || !(changes & chLog) || b.browser->LogLines().empty()) return;
      done = true;
      Kill();
    });
    exporter.DefinitionCommand();
    b.browser->RemoveListener(listener);
    for (auto it = b.browser->LogLines().rbegin(); it != b.browser->LogLines().rend(); ++it)
      r.log.push_back(it->substr(10));
    for (const auto& m : b.prompts.messages) r.messages.push_back(m.text);
    return r;
  }

  MariaServer srv;
  TempDir dir;
  std::unique_ptr<MariaSchemas> schemas;
  std::string many;
};

TEST_F(MySqlKilledServerExportTest, EndsAsAFailureKeepingTheEarlierFileInBulkOrPerTable) {
  IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  Result perTable = Export(CatalogRead::PerTable, "per-table.xlsx");
  Start();
  Result bulk = Export(CatalogRead::Bulk, "bulk.xlsx");
  Start();

  for (const Result* r : {&perTable, &bulk}) {
    ASSERT_FALSE(r->log.empty());
    EXPECT_EQ(r->log.back(), "Excel　出力異常終了。");
    // The overwrite question, then one message: per table, the connection
    // the first table's columns could not open; in bulk, the export's one
    // connection lost under the schema's column statement.
    ASSERT_EQ(r->messages.size(), 2u);
    const std::string& m = r->messages[1];
    if (r == &perTable)
      EXPECT_EQ(m.rfind("2002 - ", 0), 0u) << m;
    else
      EXPECT_TRUE(m.rfind("2013 - ", 0) == 0 || m.rfind("2006 - ", 0) == 0) << m;
    EXPECT_EQ(ReadFile(r->target),
              "earlier " + std::filesystem::path(r->target).filename().string());
    EXPECT_EQ(r->log.size(), 3u);
  }
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    EXPECT_NE(e.path().filename().string().front(), '.') << "left behind: " << e.path();
  EXPECT_EQ(perTable.log, bulk.log);
}

}  // namespace
