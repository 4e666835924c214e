// Name patterns of the table filters, and the options beyond the design in
// [ExcelSet]: the 目次 sheet, its link cell, leaving partitions out.
#include "export/TableFilter.h"

#include <gtest/gtest.h>

#include "common/IniFile.h"
#include "export/ExportSettings.h"
#include "export/IndexSheet.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

namespace zel {
namespace {

TEST(TableFilter, WildcardsOnUtf8NamesCaseSensitive) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*", "", true},
      {"*", "orders", true},
      {"ord*", "orders", true},
      {"Ord*", "orders", false},  // case counts
      {"*s", "orders", true},
      {"o*e*s", "orders", true},
      {"o*x*s", "orders", false},
      {"order?", "orders", true},
      {"order?", "order", false},
      {"顧客?", "顧客表", true},  // one Japanese character, three bytes
      {"顧客?", "顧客マスタ", false},
      {"??", "顧客", true},
      {"*マスタ", "顧客マスタ", true},
      {"[abc]x", "bx", true},
      {"[abc]x", "dx", false},
      {"[a-c]x", "cx", true},
      {"[!a-c]x", "dx", true},
      {"[!a-c]x", "ax", false},
      {"[^a]x", "ax", false},
      {"[]]x", "]x", true},  // "]" first is a member
      {"[!]]x", "ax", true},
      {"[[]1]", "[1]", true},  // a literal "[" through a set
      {"a[*]b", "a*b", true},
      {"a[*]b", "axb", false},
      {"a[?]", "a?", true},
      {"[顧商]品", "商品", true},
      {"[ア-オ]*", "イベント", true},
      {"t_[0-9][0-9]", "t_07", true},
      {"t_[0-9][0-9]", "t_7a", false},
      {"it's", "it's", true},
      {"*", "bad\xFFname", true},
      {"bad?name", "bad\xFFname", true},  // a stray byte is one character
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " ~ " << c.name;

  EXPECT_EQ(PatternProblem("t_[0-9"), "the \"[\" is not closed by \"]\"");
  EXPECT_NE(PatternProblem("[]"), "");  // "]" first belongs to the set: still open
  EXPECT_NE(PatternProblem(""), "");
  EXPECT_NE(PatternProblem("bad\xFF"), "");
  EXPECT_EQ(PatternProblem("[]]"), "");
  EXPECT_EQ(PatternProblem("顧客*"), "");
}

TEST(TableFilter, IncludesAnyExcludesWinAndPlainTextInTheWindow) {
  TableFilter f;
  EXPECT_FALSE(f.Active());
  EXPECT_TRUE(f.KeepsName("anything"));
  f.include = {"m_*", "t_*"};
  f.exclude = {"*_bak", "t_tmp?"};
  EXPECT_TRUE(f.KeepsName("m_user"));
  EXPECT_TRUE(f.KeepsName("t_order"));
  EXPECT_FALSE(f.KeepsName("x_order"));
  EXPECT_FALSE(f.KeepsName("m_user_bak"));
  EXPECT_FALSE(f.KeepsName("t_tmp1"));
  EXPECT_TRUE(f.KeepsName("t_tmp12"));
  EXPECT_TRUE(f.Active());
  f.include.push_back("[broken");
  EXPECT_EQ(f.Problem(), "'[broken': the \"[\" is not closed by \"]\"");

  TableFilter window;
  window.plainAsSubstring = true;
  window.include = {"der"};
  EXPECT_TRUE(window.KeepsName("orders"));
  window.include = {"der*"};  // with wildcards the whole name must match
  EXPECT_FALSE(window.KeepsName("orders"));
  window.include = {"*der*"};
  EXPECT_TRUE(window.KeepsName("orders"));

  EXPECT_TRUE(IsPartitionKind("パーティション (measurements)"));
  EXPECT_FALSE(IsPartitionKind("テーブル"));
  EXPECT_FALSE(IsPartitionKind(""));
}

class IndexOptionsTest : public ::testing::Test {
 protected:
  IndexOptionsTest() : common(&prompts) { common.SetProgramFolder(dir.Path()); }
  std::string Ini() const { return common.SettingsPath(TdCommon::SettingsFileName()); }
  test::TempDir dir;
  test::ScriptedPrompts prompts;
  TdCommon common;
};

TEST_F(IndexOptionsTest, LinkCellAndDefaultFollowTheTemplate) {
  ExportSettings s;
  s.templateChoice = 0;
  ASSERT_TRUE(IndexLinkCell(s));
  EXPECT_EQ(IndexLinkCell(s)->row, 1);
  EXPECT_EQ(IndexLinkCell(s)->column, 10);  // J1
  EXPECT_FALSE(IndexSheetWanted(s));
  EXPECT_TRUE(IndexSheetWanted(s, true));

  s.templateChoice = 2;
  EXPECT_EQ(IndexLinkCell(s)->column, 12);  // L1
  EXPECT_TRUE(IndexSheetWanted(s));
  s.indexSheet = false;
  EXPECT_FALSE(IndexSheetWanted(s));
  EXPECT_TRUE(IndexSheetWanted(s, true));

  s = ExportSettings{};
  s.templateChoice = 1;
  EXPECT_FALSE(IndexLinkCell(s));  // no indexlink: no link
  EXPECT_FALSE(IndexSheetWanted(s));
  s.indexLink = ExportItem::FromStored("1,3,");
  EXPECT_FALSE(IndexLinkCell(s)) << "no column: no link";
  s.indexLink = ExportItem::FromStored("1,3,k");
  ASSERT_TRUE(IndexLinkCell(s));
  EXPECT_EQ(IndexLinkCell(s)->row, 3);
  EXPECT_EQ(IndexLinkCell(s)->column, 11);
  s.indexLink->exported = false;
  EXPECT_FALSE(IndexLinkCell(s));
}

TEST_F(IndexOptionsTest, OptionsAreStoredAfterTheItemsOnlyOnceSet) {
  ExportSettings s = ExportSettings::Load(common);
  EXPECT_FALSE(s.indexSheet);
  EXPECT_FALSE(s.excludePartitions);
  EXPECT_FALSE(s.indexLink);
  s.Save(common);
  const std::string before = test::ReadFile(Ini());
  EXPECT_EQ(before.find("IndexSheet"), std::string::npos);
  EXPECT_EQ(before.find("indexlink"), std::string::npos);

  s.indexSheet = true;
  s.excludePartitions = true;
  s.indexLink = ExportItem::FromStored("1,2,L");
  s.Save(common);
  const std::string after = test::ReadFile(Ini());
  EXPECT_LT(after.find("ManagerEmp"), after.find("IndexSheet")) << after;
  ExportSettings back = ExportSettings::Load(common);
  EXPECT_EQ(back, s);
  EXPECT_EQ(IniFile::Read(Ini(), "ExcelSet", "ExcludePartitions"), "1");
  EXPECT_EQ(IniFile::Read(Ini(), "ExcelSet", "indexlink"), "1,2,L");

  // The own workbook refuses an exported link without its cell, and saves
  // nothing then.
  ExportSettings own = back;
  own.templateChoice = 1;
  own.fileName = dir.File("model.xlsx");
  test::WriteModelWorkbook(own.fileName);
  own.indexLink = ExportItem::FromStored("1,,L");
  EXPECT_FALSE(own.Accept(common));
  ASSERT_FALSE(prompts.messages.empty());
  EXPECT_EQ(prompts.messages.back().text, "目次リンク設定エラー。");
  EXPECT_EQ(IniFile::Read(Ini(), "ExcelSet", "indexlink"), "1,2,L");
  own.indexLink = ExportItem::FromStored("0,,");
  EXPECT_TRUE(own.Accept(common));
  EXPECT_EQ(IniFile::Read(Ini(), "ExcelSet", "indexlink"), "0,,");
}

}  // namespace
}  // namespace zel
