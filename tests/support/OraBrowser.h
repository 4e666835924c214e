#pragma once
// A browser logged on to Oracle through the fake client (FakeOci.h), as a
// user would be: logon values from the prompts double, then Connect. Also
// the statements the reader must send, written out whole, and a small
// scripted catalog.
#include <memory>
#include <string>

#include "catalog/Browser.h"
#include "support/FakeOci.h"
#include "support/ScriptedPrompts.h"

namespace zel::test {

struct OraBrowser {
  explicit OraBrowser(const std::string& settingsFolder = "");
  // Logs on with these values; the browser's chkDbOK tells how it went.
  void Connect(const std::string& user = "scott", const std::string& password = "tiger",
               const std::string& host = "orahost:1521/ORCL");
  TTreeNode* Root() { return browser->TreeView1().Root(); }
  // Selects the child of parent with that text, as a click would.
  TTreeNode* Select(TTreeNode* parent, const std::string& text);

  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::unique_ptr<TBrowser> browser;
};

extern const char* const kOraVersionStatement;
extern const char* const kOraUsersStatement;
// owner and table as they must stand between the quotes.
std::string OraTablesStatement(const std::string& owner);
std::string OraColumnsStatement(const std::string& owner, const std::string& table);

// Logon scott / "p/w@x" at orahost:1521/ORCL; users HR, SCOTT, 販売; SCOTT
// holds DEPT (Japanese comment, dates), EMP (no comment; one column of
// every type the grid treats apart) and NO_OBJ (no dictionary object row).
void ScriptSampleCatalog(FakeOci& oci);
extern const char* const kSamplePassword;

}  // namespace zel::test
