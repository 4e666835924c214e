// Both documents of a SQL Server schema through the real unixODBC and
// FreeTDS against the stand-in server: the command and the window's export
// log on with a password full of connection-string characters and write the
// same cells; a server lost in the middle of an export ends it with the
// driver's message.
#include <gtest/gtest.h>

#include "catalog/Browser.h"
#include "catalog/sqlserver/SqlServerReader.h"
#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/FakeTds.h"
#include "support/PgBrowser.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

const std::string kPassword = "}{;= パス'ワード\" x}";

class FreeTdsExportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_REQUIRE_FAKE_TDS();
    tds = std::make_unique<FakeTds>(kPassword);
    ASSERT_TRUE(tds->Running()) << tds->Error();
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理");
    common.SetProgramFolder(dir.Path());
    tds->SetServerVersion("16.00.1000");
    tds->On("@@VERSION", {{"", ""},
                          {{"Microsoft SQL Server 2022 (RTM) - 16.0.1000.6 (X64) \n\tOct  8 2022",
                            "Developer Edition (64-bit)"}}});
    tds->On("from sysdatabases", {{"name"}, {{"master"}, {"販売"}}});
    tds->On("AS OWNER", {{"OWNER"}, {{"dbo"}}});
    tds->On("A\\.NAME AS TABLENAME", {{"TABLENAME", "value", "", ""},
                             {{"顧客", "顧客マスタ", "2024/01/05", "2024/02/29"},
                              {"注文", std::nullopt, "2023/12/31", "2024/01/01"}}});
    longComment.clear();
    for (int i = 0; i < 450; ++i) longComment += "注文の備考欄";  // 2,700 characters
    longComment += std::string(1500, 'x');                        // 4,200 in all
    tds->On("Col\\.Colid.*obj\\.name = N'顧客'",
            {{"Colid", "名称", "型", "桁数", "小数部", "NN", "主ｷｰ", "colcomment"},
             {{"1", "顧客ID", "int", "10", "", "1", "1", "顧客を表す番号"},
              {"2", "氏名", "nvarchar", "100", "", "1", std::nullopt, std::nullopt},
              {"3", "与信額", "decimal", "12", "2", "", std::nullopt, ""}}});
    tds->On("Col\\.Colid.*obj\\.name = N'注文'",
            {{"Colid", "名称", "型", "桁数", "小数部", "NN", "主ｷｰ", "colcomment"},
             {{"1", "備考", "nvarchar", "-1", "", "", std::nullopt, longComment}}});
    // The export reads the owner's columns at once, table name last.
    tds->On("obj\\.name as TABLENAME",
            {{"Colid", "名称", "型", "桁数", "小数部", "NN", "主ｷｰ", "colcomment", "TABLENAME"},
             {{"1", "顧客ID", "int", "10", "", "1", "1", "顧客を表す番号", "顧客"},
              {"2", "氏名", "nvarchar", "100", "", "1", std::nullopt, std::nullopt, "顧客"},
              {"3", "与信額", "decimal", "12", "2", "", std::nullopt, "", "顧客"},
              {"1", "備考", "nvarchar", "-1", "", "", std::nullopt, longComment, "注文"}}});
  }

  int Run(const std::string& args, std::string* output) {
    return RunCommand("cd " + ShellQuote(dir.Path()) + " && ZELMORA_PASSWORD=" +
                          ShellQuote(kPassword) + " " + std::string(ZEL_BINARY_DIR) +
                          "/src/cli/zelmora-export " + args + " --kind sqlserver --host " +
                          tds->Host() + " --user sa --database 販売 --schema dbo --settings " +
                          ShellQuote(dir.File("Zel.ini")) + " </dev/null",
                      output);
  }

  // The window: logon values from the dialog, then the owner node selected.
  std::unique_ptr<TBrowser> Window() {
    ReaderRegistry registry;
    registry.Register(dkSqlServer, TSqlServerReader::Factory());
    auto browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
    LogonValues values;
    values.kind = dkSqlServer;
    values.sqlServer.host = tds->Host();
    values.sqlServer.userName = "sa";
    values.sqlServer.password = kPassword;
    prompts.logonAnswers.push_back(values);
    browser->Connect();
    TTreeNode* db = FindChild(browser->TreeView1().Root(), "販売");
    if (db) browser->TreeView1Change(*db);
    TTreeNode* owner = db ? FindChild(db, "dbo") : nullptr;
    if (owner) browser->TreeView1Change(*owner);
    return browser;
  }

  TempDir dir;
  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::unique_ptr<FakeTds> tds;
  std::string longComment;
};

}  // namespace

TEST_F(FreeTdsExportCommandTest, BothDocumentsCellByCellFromTheCommandAndTheWindow) {
  std::string out;
  ASSERT_EQ(Run("list --out list.xlsx", &out), 0) << out;
  ASSERT_EQ(Run("definitions --out def.xlsx", &out), 0) << out;

  const WorkbookDump list = DumpWorkbook(dir.File("list.xlsx"), false);
  ASSERT_TRUE(list.ok()) << list.error;
  EXPECT_EQ(list["Sheet1!C1"], "s:販売管理");
  EXPECT_EQ(list["Sheet1!C3"], "s:dbo");
  const std::pair<const char*, const char*> listCells[] = {{"A8", "n:1"},
                                                           {"B8", "s:顧客"},
                                                           {"D8", "s:顧客マスタ"},
                                                           {"G8", "d:2024-01-05"},
                                                           {"H8", "d:2024-02-29"},
                                                           {"A9", "n:2"},
                                                           {"B9", "s:注文"},
                                                           {"D9", ""},
                                                           {"G9", "d:2023-12-31"},
                                                           {"H9", "d:2024-01-01"},
                                                           {"A10", ""},
                                                           {"B10", ""}};
  for (const auto& [cell, value] : listCells)
    EXPECT_EQ(list[std::string("Sheet1!") + cell], value) << cell;

  const WorkbookDump def = DumpWorkbook(dir.File("def.xlsx"), false);
  ASSERT_TRUE(def.ok()) << def.error;
  EXPECT_EQ(def["sheet.count"], "2");
  EXPECT_EQ(def["sheet.1"], "顧客");
  EXPECT_EQ(def["sheet.2"], "注文");
  const std::pair<const char*, const char*> defCells[] = {{"顧客!C1", "s:販売管理"},
                                                          {"顧客!C3", "s:dbo"},
                                                          {"顧客!C4", "s:顧客"},
                                                          {"顧客!C5", "s:顧客マスタ"},
                                                          {"顧客!I3", "d:2024-01-05"},
                                                          {"顧客!I4", "d:2024-02-29"},
                                                          {"顧客!A8", "n:1"},
                                                          {"顧客!B8", "s:顧客ID"},
                                                          {"顧客!D8", "s:int"},
                                                          {"顧客!E8", ""},
                                                          {"顧客!F8", ""},
                                                          {"顧客!G8", "s:○"},
                                                          {"顧客!H8", "s:○"},
                                                          {"顧客!I8", "s:顧客を表す番号"},
                                                          {"顧客!A9", "n:2"},
                                                          {"顧客!B9", "s:氏名"},
                                                          {"顧客!D9", "s:nvarchar"},
                                                          {"顧客!E9", "n:100"},
                                                          {"顧客!F9", ""},
                                                          {"顧客!G9", "s:○"},
                                                          {"顧客!H9", ""},
                                                          {"顧客!I9", ""},
                                                          {"顧客!A10", "n:3"},
                                                          {"顧客!B10", "s:与信額"},
                                                          {"顧客!D10", "s:decimal"},
                                                          {"顧客!E10", "n:12"},
                                                          {"顧客!F10", "n:2"},
                                                          {"顧客!G10", ""},
                                                          {"顧客!H10", ""},
                                                          {"顧客!I10", ""},
                                                          {"顧客!A11", ""},
                                                          {"顧客!B11", ""},
                                                          {"注文!C4", "s:注文"},
                                                          {"注文!C5", ""},
                                                          {"注文!I3", "d:2023-12-31"},
                                                          {"注文!A8", "n:1"},
                                                          {"注文!B8", "s:備考"},
                                                          {"注文!D8", "s:nvarchar"},
                                                          {"注文!E8", "s:MAX"},
                                                          {"注文!F8", ""},
                                                          {"注文!G8", ""},
                                                          {"注文!H8", ""},
                                                          {"注文!A9", ""}};
  for (const auto& [cell, value] : defCells) EXPECT_EQ(def[cell], value) << cell;
  // Longer than NVARCHAR(4000): it came as NVARCHAR(MAX) and stays whole.
  EXPECT_EQ(def["注文!I8"], "s:" + longComment);
  EXPECT_EQ(SchemaProblems(dir.File("def.xlsx")), SchemasAvailable() ? "" : "no schemas");
  for (const std::string& login : tds->Logins())
    EXPECT_EQ(login.rfind("user=sa database=", 0), 0u) << login;

  // The window logs on through the dialog's values and writes the same cells.
  std::unique_ptr<TBrowser> window = Window();
  ASSERT_TRUE(window->chkDbOK()) << testing::PrintToString(prompts.MessageTexts());
  TExporter exporter(*window);
  prompts.saveAnswers.push_back(dir.File("gui-list.xlsx"));
  exporter.TableListCommand();
  prompts.saveAnswers.push_back(dir.File("gui-def.xlsx"));
  exporter.DefinitionCommand();
  const WorkbookDump guiList = DumpWorkbook(dir.File("gui-list.xlsx"), false);
  const WorkbookDump guiDef = DumpWorkbook(dir.File("gui-def.xlsx"), false);
  EXPECT_EQ(guiList.values, list.values);
  EXPECT_EQ(guiDef.values, def.values);
}

TEST_F(FreeTdsExportCommandTest, AServerLostDuringAnExportEndsItWithTheDriversMessage) {
  std::unique_ptr<TBrowser> window = Window();
  ASSERT_TRUE(window->chkDbOK());
  // The server goes away as soon as the export has begun.
  bool killed = false;
  const int listener = window->AddListener([&](unsigned changes) {
    if (killed || !(changes & chLog) || window->LogLines().empty()) return;
    killed = true;
    tds->Kill();
  });
  TExporter exporter(*window);
  prompts.saveAnswers.push_back(dir.File("lost.xlsx"));
  prompts.messages.clear();
  exporter.DefinitionCommand();
  window->RemoveListener(listener);
  ASSERT_TRUE(killed);
  std::string said;
  for (const std::string& line : window->LogLines()) said += line + "\n";
  for (const std::string& text : prompts.MessageTexts()) said += text + "\n";
  EXPECT_NE(said.find("Excel　出力異常終了。"), std::string::npos) << said;
  EXPECT_NE(said.find("[FreeTDS]"), std::string::npos) << said;

  // The command's run ends with the connection failure status and the
  // driver's words, without a workbook.
  std::string out;
  EXPECT_EQ(Run("definitions --out cli.xlsx", &out), 3) << out;
  EXPECT_NE(out.find("[FreeTDS]"), std::string::npos) << out;
}
