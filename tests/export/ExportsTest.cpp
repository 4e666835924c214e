// The two exports end to end: the browser connected to the real PostgreSQL
// fixture, the save dialog and questions answered by the prompts double, the
// workbooks read back by openpyxl and validated against the schemas.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/WorkbookCheck.h"
#include "common/IniFile.h"
#include "common/Resources.h"
#include "export/Exports.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"

using namespace zel;
using namespace zel::test;

namespace {

class ExportsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    catalogDb = dbs->CreateCatalog();
    // 61 tables, one of 61 columns, long names, for the band's edges.
    wideDb = dbs->Create("zel_wide");
    std::string sql = "CREATE SCHEMA wide; CREATE TABLE wide.t61 (";
    for (int i = 1; i <= 61; ++i) sql += (i > 1 ? ", c" : "c") + std::to_string(i) + " integer";
    sql += ");";
    for (int i = 1; i <= 60; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "t%02d", i);
      sql += std::string("CREATE TABLE wide.") + name + " (x integer);";
    }
    sql += "CREATE SCHEMA names;";
    sql += "CREATE TABLE names." + std::string(40, 'a') + " (x integer);";
    std::string wideName;
    for (int i = 0; i < 20; ++i) wideName += "表";
    sql += "CREATE TABLE names." + wideName + " (x integer);";
    if (Psql(srv, wideDb, sql) != 0) throw std::runtime_error("wide fixture failed");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }

  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    // Zel.ini of this test's "program folder".
    std::string ini = dir.File("Zel.ini");
    IniFile::Write(ini, "ExcelSet", "SystemName", "販売管理システム");
    IniFile::Write(ini, "ExcelSet", "SybSystemName", "受注");
    IniFile::Write(ini, "ExcelSet", "CreateEmp", "山田");
    IniFile::Write(ini, "ExcelSet", "ManagerEmp", "=cmd|' /C calc'!A0");
  }

  std::unique_ptr<PgBrowser> Connect(const std::string& database) {
    auto b = std::make_unique<PgBrowser>(srv, database, "", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    return b;
  }

  static std::vector<std::string> LogOldestFirst(const TBrowser& browser) {
    std::vector<std::string> out;
    for (auto it = browser.LogLines().rbegin(); it != browser.LogLines().rend(); ++it)
      out.push_back(it->substr(10));  // drop "hh:mm:ss  "
    return out;
  }

  // Makes the openpyxl model workbook and chooses it in the settings; empty
  // when it could not be made.
  std::string UseOwnModelWorkbook() {
    std::string model = dir.File("model.xlsx");
    std::string out;
    if (RunCommand("/usr/bin/python3 " + std::string(ZEL_SOURCE_DIR) +
                       "/tests/support/make_model_workbook.py " + model,
                   &out) != 0) {
      ADD_FAILURE() << out;
      return {};
    }
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "exporttype", "1");
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "filename", model);
    return model;
  }

  void ExpectValid(const std::string& path) {
    if (SchemasAvailable()) {
      EXPECT_EQ(SchemaProblems(path), "") << path;
    }
  }

  PgServer srv;
  TempDir dir;
  static PgDatabases* dbs;
  static std::string catalogDb, wideDb;
};
PgDatabases* ExportsTest::dbs = nullptr;
std::string ExportsTest::catalogDb, ExportsTest::wideDb;

}  // namespace

TEST_F(ExportsTest, TableListOfASchema) {
  auto b = Connect(catalogDb);
  TTreeNode* sales = b->Select(b->Database(catalogDb), "sales");
  ASSERT_NE(sales, nullptr);
  TExporter exporter(*b->browser);
  std::string target = dir.File("list.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.TableListCommand();

  ASSERT_EQ(b->prompts.saveDialogs.size(), 1u);
  const SaveDialogRequest& dlg = b->prompts.saveDialogs[0];
  EXPECT_EQ(dlg.fileName, catalogDb + ".sales.list.xlsx");
  EXPECT_EQ(dlg.title, "テーブル一覧 名前を付けて保存");
  EXPECT_EQ(dlg.filterIndex, 1);
  EXPECT_TRUE(b->prompts.messages.empty()) << b->prompts.messages[0].text;

  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "1");
  EXPECT_EQ(d["sheet.1"], "Sheet1");
  EXPECT_EQ(d["Sheet1!C1"], "s:販売管理システム");
  EXPECT_EQ(d["Sheet1!C2"], "s:受注");
  EXPECT_EQ(d["Sheet1!C3"], "s:sales");
  EXPECT_EQ(d["Sheet1!G1"], "s:山田");
  // A header text that looks like a formula stays text.
  EXPECT_EQ(d["Sheet1!G2"], "s:=cmd|' /C calc'!A0");
  EXPECT_EQ(d["Sheet1!A8"], "n:1");
  EXPECT_EQ(d["Sheet1!B8"], "s:customer");
  EXPECT_EQ(d["Sheet1!D8"], "s:顧客マスタ 😀～①髙");
  EXPECT_FALSE(d.Has("Sheet1!G8"));
  EXPECT_FALSE(d.Has("Sheet1!H8"));
  EXPECT_EQ(d["Sheet1!A9"], "n:2");
  EXPECT_EQ(d["Sheet1!B9"], "s:no_comment");
  EXPECT_FALSE(d.Has("Sheet1!D9"));
  EXPECT_EQ(d["Sheet1!B10"], "s:order_line");
  EXPECT_FALSE(d.Has("Sheet1!A11"));
  // The template's own texts are still there.
  EXPECT_EQ(d["Sheet1!A1"], "s:システム名");
  EXPECT_EQ(d["active"], "1");
  ExpectValid(target);

  EXPECT_EQ(LogOldestFirst(*b->browser),
            (std::vector<std::string>{"Excel　出力開始", "sales　出力開始", "sales　出力正常終了",
                                      "Excel　出力正常終了。"}));
  EXPECT_EQ(b->browser->ActivePage(), Page::Log);
  EXPECT_EQ(b->browser->FCurrentNode(), sales);
  EXPECT_EQ(b->browser->FExcelVersion, "12.0");
}

TEST_F(ExportsTest, DefinitionsOfASchemaOneSheetPerTable) {
  auto b = Connect(catalogDb);
  TTreeNode* sales = b->Select(b->Database(catalogDb), "sales");
  ASSERT_NE(sales, nullptr);
  TExporter exporter(*b->browser);
  std::string target = dir.File("defs.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.DefinitionCommand();
  ASSERT_EQ(b->prompts.saveDialogs.size(), 1u);
  EXPECT_EQ(b->prompts.saveDialogs[0].fileName, catalogDb + ".sales.xlsx");
  EXPECT_EQ(b->prompts.saveDialogs[0].title, "テーブル定義書 名前を付けて保存");
  ASSERT_TRUE(b->prompts.messages.empty()) << b->prompts.messages[0].text;

  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "3");
  EXPECT_EQ(d["sheet.1"], "customer");
  EXPECT_EQ(d["sheet.2"], "no_comment");
  EXPECT_EQ(d["sheet.3"], "order_line");
  EXPECT_EQ(d["active"], "1");
  EXPECT_EQ(d["selected"], "customer");
  const std::string c = "customer!";
  EXPECT_EQ(d[c + "C1"], "s:販売管理システム");
  EXPECT_EQ(d[c + "C2"], "s:受注");
  EXPECT_EQ(d[c + "I1"], "s:山田");
  EXPECT_EQ(d[c + "C3"], "s:sales");
  EXPECT_EQ(d[c + "C4"], "s:customer");
  EXPECT_EQ(d[c + "C5"], "s:顧客マスタ 😀～①髙");
  EXPECT_FALSE(d.Has(c + "I3"));  // PostgreSQL has no table dates
  EXPECT_FALSE(d.Has(c + "I4"));
  EXPECT_EQ(d[c + "A8"], "n:1");
  EXPECT_EQ(d[c + "B8"], "s:id");
  EXPECT_EQ(d[c + "D8"], "s:integer");
  EXPECT_FALSE(d.Has(c + "E8"));
  EXPECT_EQ(d[c + "G8"], "s:○");
  EXPECT_EQ(d[c + "H8"], "s:○");
  EXPECT_EQ(d[c + "I8"], "s:顧客ID");
  EXPECT_EQ(d[c + "D9"], "s:character varying");
  EXPECT_EQ(d[c + "E9"], "n:20");
  EXPECT_EQ(d[c + "G9"], "s:○");
  EXPECT_FALSE(d.Has(c + "H9"));
  EXPECT_EQ(d[c + "E10"], "n:10");
  EXPECT_EQ(d[c + "F10"], "n:2");
  // Catalog text is never a formula, never loses an apostrophe, never
  // turns 007 into 7; a date written as a date becomes one.
  EXPECT_EQ(d[c + "I10"], "s:=1+2");
  EXPECT_EQ(d[c + "I11"].substr(0, 12), "d:2008-04-10");
  EXPECT_EQ(d[c + "I12"], "s:'a','b'");
  EXPECT_EQ(d[c + "I13"], "s:007");
  EXPECT_EQ(d[c + "I14"], "s:@SUM(A1)");
  EXPECT_EQ(d[c + "B16"], "s:scores");
  EXPECT_FALSE(d.Has(c + "A17"));
  EXPECT_EQ(d["order_line!C4"], "s:order_line");
  EXPECT_EQ(d["order_line!G9"], "s:○");
  EXPECT_EQ(d["order_line!H9"], "s:○");
  EXPECT_FALSE(d.Has("order_line!H11"));
  EXPECT_EQ(d["no_comment!B8"], "s:x");
  EXPECT_FALSE(d.Has("no_comment!C5"));
  ExpectValid(target);

  auto log = LogOldestFirst(*b->browser);
  EXPECT_EQ(log, (std::vector<std::string>{"Excel　出力開始", "customer　出力開始",
                                           "customer　出力正常終了", "no_comment　出力開始",
                                           "no_comment　出力正常終了", "order_line　出力開始",
                                           "order_line　出力正常終了", "Excel　出力正常終了。"}));
  // The window shows what was written last.
  EXPECT_EQ(b->browser->lblTableName(), "order_line");
}

TEST_F(ExportsTest, DefinitionOfOneTable) {
  auto b = Connect(catalogDb);
  TTreeNode* other = b->Select(b->Database(catalogDb), "other");
  TTreeNode* customer = b->Select(other, "customer");
  ASSERT_NE(customer, nullptr);
  TExporter exporter(*b->browser);
  std::string target = dir.File("one.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.DefinitionCommand();
  EXPECT_EQ(b->prompts.saveDialogs.at(0).fileName, "other.customer.xlsx");
  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "1");
  EXPECT_EQ(d["sheet.1"], "customer");
  EXPECT_EQ(d["customer!B9"], "s:名前");
  EXPECT_EQ(d["customer!C5"], "s:別スキーマの顧客");
  ExpectValid(target);
}

TEST_F(ExportsTest, BandEdgesAndSheetNameCuts) {
  auto b = Connect(wideDb);
  TTreeNode* db = b->Database(wideDb);
  TTreeNode* wide = b->Select(db, "wide");
  ASSERT_NE(wide, nullptr);
  TExporter exporter(*b->browser);

  std::string list = dir.File("wide.list.xlsx");
  b->prompts.saveAnswers.push_back(list);
  exporter.TableListCommand();
  WorkbookDump l = DumpWorkbook(list, false);
  ASSERT_TRUE(l.ok()) << l.error;
  EXPECT_EQ(l["Sheet1!A68"], "n:61");
  EXPECT_EQ(l["Sheet1!B68"], "s:t61");
  EXPECT_FALSE(l.Has("Sheet1!A69"));

  TTreeNode* t61 = b->Select(wide, "t61");
  ASSERT_NE(t61, nullptr);
  std::string def = dir.File("t61.xlsx");
  b->prompts.saveAnswers.push_back(def);
  exporter.DefinitionCommand();
  WorkbookDump d = DumpWorkbook(def, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["t61!A68"], "n:61");
  EXPECT_EQ(d["t61!B68"], "s:c61");
  EXPECT_FALSE(d.Has("t61!A69"));
  ExpectValid(def);

  TTreeNode* names = b->Select(db, "names");
  ASSERT_NE(names, nullptr);
  std::string cut = dir.File("names.xlsx");
  b->prompts.saveAnswers.push_back(cut);
  exporter.DefinitionCommand();
  WorkbookDump n = DumpWorkbook(cut, false);
  ASSERT_TRUE(n.ok()) << n.error;
  std::string fifteen;
  for (int i = 0; i < 15; ++i) fifteen += "表";
  EXPECT_EQ(n["sheet.1"], std::string(31, 'a'));
  EXPECT_EQ(n["sheet.2"], fifteen);  // 30 bytes: the 16th character would split
  EXPECT_EQ(n[std::string(31, 'a') + "!C4"], "s:" + std::string(40, 'a'));
  ExpectValid(cut);
}

TEST_F(ExportsTest, OwnModelWorkbookWithPositionsFromTheSettings) {
  const std::string model = UseOwnModelWorkbook();
  ASSERT_FALSE(model.empty());
  std::string ini = dir.File("Zel.ini");
  IniFile::Write(ini, "ExcelSet", "databasename", "1,1,C");
  IniFile::Write(ini, "ExcelSet", "tablename", "1,2,C");
  IniFile::Write(ini, "ExcelSet", "tablecomment", "0,3,C");
  IniFile::Write(ini, "ExcelSet", "no", "1,10,A");
  IniFile::Write(ini, "ExcelSet", "columnname", "1,10,B");
  IniFile::Write(ini, "ExcelSet", "notnull", "1,10,D");
  IniFile::Write(ini, "ExcelSet", "columncomment", "1,10,E");

  auto b = Connect(catalogDb);
  TTreeNode* sales = b->Select(b->Database(catalogDb), "sales");
  ASSERT_NE(sales, nullptr);
  TExporter exporter(*b->browser);
  std::string target = dir.File("own.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.DefinitionCommand();
  ASSERT_TRUE(b->prompts.messages.empty()) << b->prompts.messages[0].text;

  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  // The model's other sheets keep their places: tables 2 and 3 land in
  // them, before the appended copy.
  EXPECT_EQ(d["sheet.1"], "customer");
  EXPECT_EQ(d["sheet.2"], "no_comment");
  EXPECT_EQ(d["sheet.3"], "order_line");
  // Two copies of the model's first sheet appended behind its three sheets.
  EXPECT_EQ(d["sheet.count"], "5");
  EXPECT_EQ(d["sheet.4"].rfind("定義書", 0), 0u) << d["sheet.4"];
  EXPECT_EQ(d["sheet.5"].rfind("定義書", 0), 0u) << d["sheet.5"];
  EXPECT_EQ(d["customer!C1"], "s:" + catalogDb);
  EXPECT_EQ(d["customer!C2"], "s:customer");
  EXPECT_FALSE(d.Has("customer!C3"));  // not exported
  EXPECT_EQ(d["customer!A10"], "n:1");
  EXPECT_EQ(d["customer!B10"], "s:id");
  EXPECT_EQ(d["customer!D10"], "s:○");
  EXPECT_EQ(d["customer!E10"], "s:顧客ID");
  EXPECT_EQ(d["customer!B18"], "s:scores");
  // No header texts with the own workbook, even where the model has labels.
  for (const char* cell : {"customer!I1", "customer!I2"}) EXPECT_FALSE(d.Has(cell)) << cell;
  EXPECT_EQ(d["customer!A1"], "s:システム名");
  ExpectValid(target);
}

TEST_F(ExportsTest, DatabaseLevelOneWorkbookPerSchemaAndCancelSkipsOne) {
  auto b = Connect(catalogDb);
  TTreeNode* db = b->Database(catalogDb);
  ASSERT_EQ(db->ChildCount(), 4);
  TExporter exporter(*b->browser);
  std::vector<std::string> targets;
  for (int i = 0; i < 4; ++i) targets.push_back(dir.File("db" + std::to_string(i) + ".xlsx"));
  b->prompts.saveAnswers = {targets[0], std::nullopt, targets[2], targets[3]};
  exporter.DefinitionCommand();
  ASSERT_EQ(b->prompts.saveDialogs.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(b->prompts.saveDialogs[static_cast<size_t>(i)].fileName,
              TdCommon::CleanFileName(catalogDb + "." + db->Child(i)->Text() + ".xlsx"));
  }
  EXPECT_TRUE(FileExists(targets[0]));
  EXPECT_FALSE(FileExists(targets[1]));
  EXPECT_TRUE(FileExists(targets[2]));
  EXPECT_TRUE(FileExists(targets[3]));
  for (int i : {0, 2, 3}) {
    const std::string& schema = db->Child(i)->Text();
    WorkbookDump d = DumpWorkbook(targets[static_cast<size_t>(i)], false);
    ASSERT_TRUE(d.ok()) << d.error;
    EXPECT_EQ(d[d["sheet.1"] + "!C3"], "s:" + schema);
    if (schema == "it's; odd \\ schema") {
      // Its table "tab 'x'; y\z" is no name Excel allows for a sheet: the
      // sheet takes a legal one, the table-name cell the real one.
      EXPECT_EQ(d["sheet.1"], "tab 'x'; y_z");
      EXPECT_EQ(d["tab 'x'; y_z!C4"], "s:tab 'x'; y\\z");
    }
  }
  EXPECT_TRUE(b->prompts.messages.empty());
  // The list command at database level too.
  b->prompts.saveAnswers = {dir.File("l0.xlsx"), dir.File("l1.xlsx"), std::nullopt,
                            dir.File("l3.xlsx")};
  exporter.TableListCommand();
  EXPECT_EQ(b->prompts.saveDialogs.size(), 8u);
  EXPECT_TRUE(FileExists(dir.File("l1.xlsx")));
  EXPECT_EQ(DumpWorkbook(dir.File("l1.xlsx"), false)["Sheet1!C3"], "s:" + db->Child(1)->Text());
}

TEST_F(ExportsTest, CancelAndRefusedOverwriteWriteNothing) {
  auto b = Connect(catalogDb);
  TTreeNode* sales = b->Select(b->Database(catalogDb), "sales");
  ASSERT_NE(sales, nullptr);
  TExporter exporter(*b->browser);
  exporter.DefinitionCommand();  // dialog cancelled
  EXPECT_EQ(b->prompts.saveDialogs.size(), 1u);
  EXPECT_TRUE(b->browser->LogLines().empty());

  std::string existing = dir.File("old.xlsx");
  WriteFile(existing, "precious bytes");
  b->prompts.saveAnswers.push_back(existing);
  b->prompts.messageAnswers.push_back(MsgResult::No);
  exporter.TableListCommand();
  ASSERT_EQ(b->prompts.messages.size(), 1u);
  EXPECT_EQ(b->prompts.messages[0].text, existing + " は既に存在します。\r上書きしますか？");
  EXPECT_EQ(b->prompts.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(b->prompts.messages[0].defaultButton, MsgResult::No);
  EXPECT_EQ(ReadFile(existing), "precious bytes");
  EXPECT_TRUE(b->browser->LogLines().empty());

  // Yes replaces it.
  b->prompts.saveAnswers.push_back(existing);
  b->prompts.messageAnswers.push_back(MsgResult::Yes);
  exporter.TableListCommand();
  EXPECT_EQ(DumpWorkbook(existing, false)["Sheet1!B8"], "s:customer");
}

TEST_F(ExportsTest, ServerGoneMidRunLeavesTheUnfilledTemplate) {
  auto b = Connect(catalogDb);
  TTreeNode* sales = b->Select(b->Database(catalogDb), "sales");
  ASSERT_NE(sales, nullptr);
  TExporter exporter(*b->browser);
  exporter.read = CatalogRead::PerTable;  // each table read as its sheet is written
  std::string target = dir.File("broken.xlsx");
  b->prompts.saveAnswers.push_back(target);
  // While the first table's rows are written, the server ends our session.
  bool killed = false;
  b->browser->AddListener([&](unsigned changes) {
    if (killed || !(changes & chLog) || b->browser->LogLines().empty()) return;
    if (b->browser->LogLines().front().find("customer　出力正常終了") == std::string::npos) return;
    killed = true;
    Psql(srv, "postgres",
         "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + catalogDb +
             "' AND pid <> pg_backend_pid()");
  });
  exporter.DefinitionCommand();
  ASSERT_TRUE(killed);
  ASSERT_FALSE(b->browser->LogLines().empty());
  EXPECT_NE(b->browser->LogLines().front().find("Excel　出力異常終了。"), std::string::npos);
  ASSERT_EQ(b->prompts.messages.size(), 1u);
  EXPECT_EQ(b->prompts.messages[0].caption, "Zelmora");
  EXPECT_FALSE(FileExists(target)) << "a failed run writes nothing";
}

TEST_F(ExportsTest, SchemaEmptiedAfterSelectionStillWritesTheHeader) {
  auto b = Connect(catalogDb);
  TTreeNode* db = b->Database(catalogDb);
  TTreeNode* inj = b->Select(db, "x' or 'a'='a");
  ASSERT_NE(inj, nullptr);
  ASSERT_EQ(Psql(srv, catalogDb, "DROP TABLE \"x' or 'a'='a\".only_here"), 0);
  TExporter exporter(*b->browser);
  std::string target = dir.File("empty.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.TableListCommand();
  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["Sheet1!C3"], "s:x' or 'a'='a");
  EXPECT_FALSE(d.Has("Sheet1!A8"));
  EXPECT_FALSE(d.Has("Sheet1!B8"));
  EXPECT_EQ(b->browser->grdTableList().RowCount(), 2);
  Psql(srv, catalogDb, "CREATE TABLE \"x' or 'a'='a\".only_here (v integer)");
}

TEST_F(ExportsTest, HandEditedPositionWithoutRowIsToldBeforeAnythingIsRead) {
  const std::string model = UseOwnModelWorkbook();
  ASSERT_FALSE(model.empty());
  std::string ini = dir.File("Zel.ini");
  IniFile::Write(ini, "ExcelSet", "tablename", "1,,C");  // exported, no row
  auto b = Connect(catalogDb);
  TTreeNode* sales = b->Select(b->Database(catalogDb), "sales");
  ASSERT_NE(b->Select(sales, "customer"), nullptr);
  TExporter exporter(*b->browser);
  std::string target = dir.File("row0.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.DefinitionCommand();
  ASSERT_FALSE(b->browser->LogLines().empty());
  EXPECT_NE(b->browser->LogLines().front().find("Excel　出力異常終了。"), std::string::npos);
  EXPECT_EQ(b->prompts.MessageTexts(),
            std::vector<std::string>{
                "テーブル名設定エラー。\n[ExcelSet] tablename=1,,C：行が指定されていません。"});
  // Ended before a target was asked for: nothing written anywhere.
  EXPECT_TRUE(b->prompts.saveDialogs.empty());
  EXPECT_FALSE(FileExists(target));
  ASSERT_EQ(exporter.Runs().size(), 1u);
  EXPECT_FALSE(exporter.Runs()[0].saved);
}
