#pragma once
// A browser connected to the test PostgreSQL server the way a user would be:
// logon values from the prompts double, then Connect; plus helpers that
// select nodes by name.
#include <memory>
#include <string>
#include <vector>

#include "catalog/Browser.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace zel::test {

struct PgBrowser {
  explicit PgBrowser(const PgServer& srv, const std::string& database = "postgres",
                     const std::string& password = "", const std::string& settingsFolder = "");

  TTreeNode* Root() { return browser->TreeView1().Root(); }
  // Selects the child of parent with that text (as a click would) and
  // returns it; null when there is none.
  TTreeNode* Select(TTreeNode* parent, const std::string& text);
  TTreeNode* Database(const std::string& name) { return Select(Root(), name); }

  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::unique_ptr<TBrowser> browser;
};

TTreeNode* FindChild(const TTreeNode* parent, const std::string& text);
std::vector<std::string> ChildTexts(const TTreeNode* node);

}  // namespace zel::test
