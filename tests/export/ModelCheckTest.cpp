// The model workbook and the item positions are looked at before an export
// touches anything: every kind of file that cannot serve is named with its
// reason, and every hand-edited position no dialog could choose is named
// with its key and value.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/IniFile.h"
#include "export/ExportSettings.h"
#include "export/ModelWorkbook.h"
#include "export/SettingsCheck.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

namespace zel {
namespace {

class ModelCheckTest : public ::testing::Test {
 protected:
  ModelCheckTest() : common(&prompts) { common.SetProgramFolder(dir.Path()); }

  std::string Ini() const { return common.SettingsPath(TdCommon::SettingsFileName()); }

  test::TempDir dir;
  test::ScriptedPrompts prompts;
  TdCommon common;
};

TEST_F(ModelCheckTest, EveryModelThatCannotServeIsNamedWithItsReason) {
  ASSERT_TRUE(test::MakeOddModels(dir.Path(), "strict chartfirst bomb macro"));
  const std::string good = dir.File("good.xlsx");
  test::WriteModelWorkbook(good);
  const std::string text = dir.File("notreal.xlsx");
  test::WriteFile(text, "this is a text file, not a workbook\n");
  const std::string cut = dir.File("cut.xlsx");
  const std::string whole = test::ReadFile(good);
  test::WriteFile(cut, whole.substr(0, whole.size() / 2));
  const std::string legacy = dir.File("old.xls");
  test::WriteFile(legacy,
                  std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
  const std::string fifo = dir.File("fifo.xlsx");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string locked = dir.File("locked.xlsx");
  test::WriteModelWorkbook(locked);
  chmod(locked.c_str(), 0);
  const bool root = geteuid() == 0;  // root reads whatever the mode says

  struct Case {
    std::string path, reason;
  };
  std::vector<Case> cases = {
      {dir.File("missing.xlsx"), "が見つかりません。"},
      {dir.Path(), "はフォルダーです。"},
      {fifo, "は通常のファイルではありません"},
      {"/dev/null", "は通常のファイルではありません"},
      {text, "は Excel ブック（.xlsx）ではないか、壊れています。"},
      {cut, "は Excel ブック（.xlsx）ではないか、壊れています。"},
      {legacy, "Excel 97-2003 形式（.xls）"},
      {dir.File("bomb.xlsx"),
       "展開すると雛形として扱える大きさ（部品ひとつ 256 MB、全体 512 MB）を超えます"},
      {dir.File("strict.xlsx"),
       "「Strict Open XML」形式です。Excel で通常の「Excel ブック (*.xlsx)」"},
      {dir.File("chartfirst.xlsx"), "の先頭のシートはグラフシートです。"},
  };
  if (!root) cases.push_back({locked, "へのアクセス権がありません。"});
  for (const Case& c : cases) {
    const std::string reason = CheckModelWorkbook(c.path);
    EXPECT_EQ(reason.rfind("雛形Excelファイル「" + c.path + "」", 0), 0u) << reason;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.path << ": " << reason;
  }
  EXPECT_EQ(CheckModelWorkbook(""), "雛形Excelファイルが指定されていません。");
  EXPECT_EQ(CheckModelWorkbook(good), "");
  // A macro-enabled model serves: the documents made from it leave the
  // macros behind.
  EXPECT_EQ(CheckModelWorkbook(dir.File("macro.xlsm")), "");

  // The dialog's OK says the same under the design's first line, and keeps
  // nothing.
  ExportSettings s;
  s.templateChoice = 1;
  s.fileName = text;
  EXPECT_FALSE(s.Accept(common));
  ASSERT_EQ(prompts.MessageTexts().size(), 1u);
  EXPECT_EQ(prompts.MessageTexts()[0], "Excelファイル設定エラー。\n" + CheckModelWorkbook(text));
  EXPECT_FALSE(test::FileExists(Ini()));
}

TEST_F(ModelCheckTest, StoredPositionsAreCheckedWithTheirKeyAndValue) {
  const std::string model = dir.File("model.xlsx");
  test::WriteModelWorkbook(model);
  // A hand edit in an editor that saves UTF-8 with a byte-order mark.
  test::WriteFile(Ini(), "\xEF\xBB\xBF[ExcelSet]\r\nexporttype=1\r\nfilename=" + model +
                             "\r\nSystemName=販売管理\r\ntablename=1,2,C\r\nno=0,,\r\n");
  EXPECT_EQ(ExportSettings::Load(common).systemName, "販売管理");
  EXPECT_EQ(DefinitionSettingsProblem(common), "");

  struct Case {
    std::string key, value, expected;
  };
  const std::vector<Case> cases = {
      {"tablename", "1,999999999,C",
       "テーブル名設定エラー。\n[ExcelSet] tablename=1,999999999,C：行「999999999」は 1～20 "
       "のどれでもありません。"},
      {"no", "1,-3,A",
       "No.設定エラー。\n[ExcelSet] no=1,-3,A：行「-3」は 1～20 のどれでもありません。"},
      {"columncomment", "1,8,AAAA",
       "コメント設定エラー。\n[ExcelSet] columncomment=1,8,AAAA：列「AAAA」は A～Z "
       "のどれでもありません。"},
      {"createdate", "1,,C",
       "作成日設定エラー。\n[ExcelSet] createdate=1,,C：行が指定されていません。"},
      {"updatedate", "1,3",
       "更新日設定エラー。\n[ExcelSet] updatedate=1,3：列が指定されていません。"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", c.key, c.value));
    EXPECT_EQ(DefinitionSettingsProblem(common), c.expected);
    // Not exported: its position is never used.
    ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", c.key, "0" + c.value.substr(1)));
    EXPECT_EQ(DefinitionSettingsProblem(common), "") << c.key;
  }
  // The written lines went into the one section, after the mark, in UTF-8.
  const std::string file = test::ReadFile(Ini());
  EXPECT_EQ(file.rfind("\xEF\xBB\xBF[ExcelSet]\r\n", 0), 0u);
  EXPECT_EQ(file.find("[ExcelSet]", 4), std::string::npos) << file;

  // With the built-in template the positions and the model do not count.
  ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", "tablename", "1,999999999,C"));
  ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", "exporttype", "0"));
  ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", "filename", dir.File("gone.xlsx")));
  EXPECT_EQ(DefinitionSettingsProblem(common), "");
  // With the own workbook the model comes first.
  ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", "exporttype", "1"));
  EXPECT_EQ(DefinitionSettingsProblem(common),
            ModelWorkbookMessage(CheckModelWorkbook(dir.File("gone.xlsx"))));
}

}  // namespace
}  // namespace zel
