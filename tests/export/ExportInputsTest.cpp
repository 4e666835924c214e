// What the exports make of the user's inputs before and while they write:
// a model workbook or a position that cannot serve ends the export before
// the target is touched, a macro-enabled model gives an ordinary workbook,
// and catalog text longer than a cell holds is cut visibly and told.
#include <gtest/gtest.h>

#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"
#include "xlsx/CellText.h"

using namespace zel;
using namespace zel::test;

namespace {

class ExportInputsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    db = dbs->Create("zel_inputs");
    // A table comment of 40,000 characters; a column comment that would be
    // cut inside a surrogate pair; and a second schema for the database
    // level.
    const std::string sql =
        "CREATE SCHEMA docs; CREATE SCHEMA more;"
        "CREATE TABLE docs.memo (id integer PRIMARY KEY, note text);"
        "CREATE TABLE docs.plain (x integer);"
        "CREATE TABLE more.other (y integer);"
        "DO $$ BEGIN"
        " EXECUTE format('COMMENT ON TABLE docs.memo IS %L', repeat('表', 40000));"
        " EXECUTE format('COMMENT ON COLUMN docs.memo.note IS %L',"
        "                repeat('x', 32765) || repeat(U&'\\+01F600', 10));"
        " END $$;";
    if (Psql(srv, db, sql) != 0) throw std::runtime_error("inputs fixture failed");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }

  void SetUp() override { ZEL_SKIP_WITHOUT_PG(srv); }

  std::unique_ptr<PgBrowser> Connect() {
    auto b = std::make_unique<PgBrowser>(srv, db, "", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    return b;
  }
  void Set(const std::string& key, const std::string& value) {
    ASSERT_TRUE(IniFile::Write(dir.File("Zel.ini"), "ExcelSet", key, value));
  }

  PgServer srv;
  TempDir dir;
  static PgDatabases* dbs;
  static std::string db;
};
PgDatabases* ExportInputsTest::dbs = nullptr;
std::string ExportInputsTest::db;

}  // namespace

TEST_F(ExportInputsTest, ModelOrPositionThatCannotServeEndsTheExportBeforeTheTarget) {
  ASSERT_TRUE(MakeOddModels(dir.Path(), "bomb"));
  const std::string good = dir.File("good.xlsx");
  WriteModelWorkbook(good);
  const std::string text = dir.File("notreal.xlsx");
  WriteFile(text, "not a workbook\n");
  const std::string cut = dir.File("cut.xlsx");
  WriteFile(cut, ReadFile(good).substr(0, ReadFile(good).size() - 100));
  const std::string target = dir.File("earlier.xlsx");
  WriteFile(target, "the user's earlier workbook");

  auto b = Connect();
  TTreeNode* docs = b->Select(b->Database(db), "docs");
  ASSERT_NE(docs, nullptr);
  TExporter exporter(*b->browser);
  Set("exporttype", "1");
  struct Case {
    std::string model, lead;  // the message's start
  };
  const std::vector<Case> cases = {
      {text, "Excelファイル設定エラー。\n雛形Excelファイル「" + text + "」は Excel ブック"},
      {cut, "Excelファイル設定エラー。\n雛形Excelファイル「" + cut + "」は Excel ブック"},
      {dir.File("gone.xlsx"), "Excelファイル設定エラー。\n雛形Excelファイル「" +
                                  dir.File("gone.xlsx") + "」が見つかりません"},
      {dir.File("bomb.xlsx"),
       "Excelファイル設定エラー。\n雛形Excelファイル「" + dir.File("bomb.xlsx") + "」は展開すると"},
  };
  for (const Case& c : cases) {
    Set("filename", c.model);
    b->prompts.messages.clear();
    b->prompts.saveAnswers.push_back(target);
    exporter.DefinitionCommand();
    ASSERT_EQ(b->prompts.MessageTexts().size(), 1u) << c.model;
    EXPECT_EQ(b->prompts.MessageTexts()[0].rfind(c.lead, 0), 0u) << b->prompts.MessageTexts()[0];
    EXPECT_TRUE(b->prompts.saveDialogs.empty()) << "no target may be asked for";
    EXPECT_EQ(ReadFile(target), "the user's earlier workbook");
    ASSERT_FALSE(b->browser->LogLines().empty());
    EXPECT_NE(b->browser->LogLines().front().find("Excel　出力異常終了。"), std::string::npos);
    ASSERT_FALSE(exporter.Runs().empty());
    EXPECT_FALSE(exporter.Runs().back().saved);
    b->prompts.saveAnswers.clear();
  }

  // A position no dialog offers, hand-edited: named with its key and value.
  Set("filename", good);
  Set("tablename", "1,999999999,C");
  b->prompts.messages.clear();
  b->prompts.saveAnswers.push_back(target);
  exporter.DefinitionCommand();
  EXPECT_EQ(b->prompts.MessageTexts(),
            std::vector<std::string>{"テーブル名設定エラー。\n[ExcelSet] tablename=1,999999999,C："
                                     "行「999999999」は 1～20 のどれでもありません。"});
  EXPECT_TRUE(b->prompts.saveDialogs.empty());
  EXPECT_EQ(ReadFile(target), "the user's earlier workbook");

  // At the database level the command ends at the first schema: one
  // message, not one per schema.
  b->prompts.messages.clear();
  b->browser->TreeView1Change(*b->Database(db));
  exporter.DefinitionCommand();
  EXPECT_EQ(b->prompts.MessageTexts().size(), 1u);
  EXPECT_TRUE(b->prompts.saveDialogs.empty());
  b->prompts.saveAnswers.clear();

  // Mended, the same command writes.
  Set("tablename", "1,2,C");
  b->prompts.messages.clear();
  ASSERT_NE(b->Select(b->Database(db), "docs"), nullptr);  // the database node's children are new
  b->prompts.saveAnswers.push_back(target);
  b->prompts.messageAnswers.push_back(MsgResult::Yes);  // overwrite
  exporter.DefinitionCommand();
  ASSERT_EQ(b->prompts.saveDialogs.size(), 1u);
  EXPECT_EQ(DumpWorkbook(target, false)["memo!C2"], "s:memo");

  // An output folder that is not there is told against the target, with
  // the model workbook and with the built-in template alike.
  const std::string lost = dir.File("no/such/folder/out.xlsx");
  for (const char* choice : {"1", "0"}) {
    Set("exporttype", choice);
    b->prompts.messages.clear();
    b->prompts.saveAnswers.push_back(lost);
    exporter.DefinitionCommand();
    EXPECT_EQ(b->prompts.MessageTexts(),
              std::vector<std::string>{"「" + lost + "」の保存先フォルダーが見つかりません。"})
        << choice;
  }
}

TEST_F(ExportInputsTest, LongTextIsCutVisiblyAndAMacroModelGivesAWorkbook) {
  ASSERT_TRUE(MakeOddModels(dir.Path(), "macro"));
  Set("exporttype", "1");
  Set("filename", dir.File("macro.xlsm"));
  Set("tablename", "1,2,C");
  Set("tablecomment", "1,3,C");
  Set("no", "1,8,A");
  Set("columnname", "1,8,B");
  Set("columncomment", "1,8,C");

  auto b = Connect();
  TTreeNode* docs = b->Select(b->Database(db), "docs");
  ASSERT_NE(b->Select(docs, "memo"), nullptr);
  TExporter exporter(*b->browser);
  std::vector<std::string> notices;
  exporter.OnNotice = [&](const std::string& line) { notices.push_back(line); };
  const std::string target = dir.File("memo.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.DefinitionCommand();
  ASSERT_TRUE(b->prompts.messages.empty()) << b->prompts.MessageTexts()[0];
  ASSERT_TRUE(exporter.Runs().at(0).saved);

  const std::vector<std::string> expected = {
      "memo　テーブルコメントを32767文字で切り詰め（元は40000文字）",
      "memo　列 note のコメントを32767文字で切り詰め（元は32785文字）"};
  EXPECT_EQ(notices, expected);
  for (const std::string& line : expected) {
    bool logged = false;
    for (const std::string& l : b->browser->LogLines()) logged = logged || l.ends_with(line);
    EXPECT_TRUE(logged) << line;
  }

  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  const std::string tableComment = d["memo!C3"].substr(2);
  EXPECT_EQ(xl::Utf16Length(tableComment), xl::kMaxCellChars);
  std::string kanji;
  for (std::size_t i = 0; i < xl::kMaxCellChars - 1; ++i) kanji += "表";
  EXPECT_EQ(tableComment, kanji + "…");
  // 32,765 x and then a pair that needs two units where one is left before
  // the "…": the pair goes whole.
  EXPECT_EQ(d["memo!C9"], "s:" + std::string(32765, 'x') + "…");
  EXPECT_EQ(d["memo!B9"], "s:note");

  // The .xlsm model left its macros behind: an ordinary workbook.
  EXPECT_EQ(ZipPartList(target).find("vbaProject"), std::string::npos) << ZipPartList(target);
  const std::string types = ReadZipPart(target, "[Content_Types].xml");
  EXPECT_EQ(types.find("macroEnabled"), std::string::npos) << types;
  EXPECT_NE(types.find("spreadsheetml.sheet.main+xml"), std::string::npos) << types;
  if (SchemasAvailable()) {
    EXPECT_EQ(SchemaProblems(target), "");
  }

  // The table list is cut the same way.
  notices.clear();
  const std::string list = dir.File("list.xlsx");
  b->browser->TreeView1Change(*docs);
  b->prompts.saveAnswers.push_back(list);
  exporter.TableListCommand();
  EXPECT_EQ(notices,
            std::vector<std::string>{"memo　コメントを32767文字で切り詰め（元は40000文字）"});
  WorkbookDump l = DumpWorkbook(list, false);
  ASSERT_TRUE(l.ok()) << l.error;
  EXPECT_EQ(l["Sheet1!B8"], "s:memo");
  EXPECT_EQ(l["Sheet1!D8"], "s:" + kanji + "…");
}
