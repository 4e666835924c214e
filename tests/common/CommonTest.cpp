#include <gtest/gtest.h>

#include <cstdlib>

#include <random>
#include <set>

#include "common/Common.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

using zel::TdCommon;
using zel::TStringGrid;
using zel::TVariant;

TEST(Common, StrToIntOrZero) {
  EXPECT_EQ(TdCommon::StrToIntOrZero(" 12 "), 12);
  EXPECT_EQ(TdCommon::StrToIntOrZero(""), 0);
  EXPECT_EQ(TdCommon::StrToIntOrZero("abc"), 0);
  EXPECT_EQ(TdCommon::StrToIntOrZero("-7"), -7);
  EXPECT_EQ(TdCommon::StrToIntOrZero("+7"), 7);
  EXPECT_EQ(TdCommon::StrToIntOrZero("12x"), 0);
  EXPECT_EQ(TdCommon::StrToIntOrZero("2147483647"), 2147483647);
  EXPECT_EQ(TdCommon::StrToIntOrZero("2147483648"), 0);
  EXPECT_EQ(TdCommon::StrToIntOrZero("-99999999999999999999"), 0);
  EXPECT_EQ(TdCommon::StrToIntOrZero("+-1"), 0);
}

TEST(Common, ColumnLetterAndBool) {
  EXPECT_EQ(TdCommon::ColumnLetterToIndex("C"), 3);
  EXPECT_EQ(TdCommon::ColumnLetterToIndex("AB"), 1);
  EXPECT_EQ(TdCommon::ColumnLetterToIndex("Z"), 26);
  EXPECT_EQ(TdCommon::ColumnLetterToIndex(""), 0);
  EXPECT_EQ(TdCommon::BoolToInt(true), 1);
  EXPECT_EQ(TdCommon::BoolToInt(false), 0);
}

TEST(Common, GetToken) {
  EXPECT_EQ(TdCommon::GetToken("a,b,c", 1, ','), "a");
  EXPECT_EQ(TdCommon::GetToken("a,b,c", 2, ','), "b");
  EXPECT_EQ(TdCommon::GetToken("a,b,c", 3, ','), "c");
  EXPECT_EQ(TdCommon::GetToken("a,b,c", 4, ','), "");
  EXPECT_EQ(TdCommon::GetToken("a,b,c", 0, ','), "a");
  EXPECT_EQ(TdCommon::GetToken("a,b,c", -5, ','), "a");
  EXPECT_EQ(TdCommon::GetToken("abc", 1, ','), "abc");
  EXPECT_EQ(TdCommon::GetToken("abc", 0, ','), "");
  EXPECT_EQ(TdCommon::GetToken("abc", 2, ','), "");
  EXPECT_EQ(TdCommon::GetToken("Microsoft SQL Server 2005 - 9.00", 2, '-'), " 9.00");
  EXPECT_EQ(TdCommon::GetToken("1,,", 2, ','), "");
  EXPECT_EQ(TdCommon::GetToken("1,,", 3, ','), "");
  EXPECT_EQ(TdCommon::GetToken("numeric(10,2)", 2, '('), "10,2)");
  EXPECT_EQ(TdCommon::GetToken("", 1, ','), "");
}

TEST(Common, CleanFileName) {
  EXPECT_EQ(TdCommon::CleanFileName("db:1521/orcl?.SCOTT*.list.xlsx"), "db1521orcl.SCOTT*.list.xlsx");
  EXPECT_EQ(TdCommon::CleanFileName("a\\b\"c<d>e|f"), "abcdef");
}

TEST(Common, VariantToStrDef) {
  EXPECT_EQ(TdCommon::VariantToStrDef(TVariant{}, "def"), "def");
  EXPECT_EQ(TdCommon::VariantToStrDef(TVariant::Null(), "def"), "def");
  EXPECT_EQ(TdCommon::VariantToStrDef(TVariant::Text(""), "def"), "");
  EXPECT_EQ(TdCommon::VariantToStrDef(TVariant::Text("顧客"), "def"), "顧客");
  EXPECT_EQ(TdCommon::VariantToStrDef(TVariant::Integer(-42), ""), "-42");
  EXPECT_EQ(TdCommon::VariantToStrDef(TVariant::Real(10.5), ""), "10.5");
}

TEST(Common, ScrambleRoundTripsRandomPasswords) {
  std::mt19937 gen(12345);
  std::uniform_int_distribution<int> len(0, 100), byte(1, 255);
  for (int i = 0; i < 2000; ++i) {
    std::string p;
    int n = len(gen);
    for (int k = 0; k < n; ++k) p += static_cast<char>(byte(gen));
    std::string s = TdCommon::ScrambleBytes(p);
    ASSERT_EQ(s.size(), 2 * p.size() + 2);
    for (char c : s) ASSERT_NE(TdCommon::ScrambleTable().find(c), std::string::npos);
    ASSERT_EQ(TdCommon::UnscrambleBytes(s), p);
  }
}

TEST(Common, ScramblePasswordTexts) {
  EXPECT_EQ(TdCommon::ScramblePassword("").size(), 2u);
  EXPECT_EQ(TdCommon::UnscramblePassword(TdCommon::ScramblePassword("")), "");
  EXPECT_EQ(TdCommon::UnscramblePassword(TdCommon::ScramblePassword("秘密pw")), "秘密pw");
  // Characters CP932 lacks survive too: the saved password is the typed one.
  EXPECT_EQ(TdCommon::UnscramblePassword(TdCommon::ScramblePassword("pä한😀")), "pä한😀");
  // A text scrambled from CP932 bytes reads back as the same characters.
  EXPECT_EQ(TdCommon::UnscramblePassword(TdCommon::ScrambleBytes("\x94\xe9\x96\xa7")), "秘密");
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) seen.insert(TdCommon::ScramblePassword("same"));
  EXPECT_GT(seen.size(), 1u);  // a fresh seed each time
  // Damaged texts give no password and never throw.
  std::string good = TdCommon::ScramblePassword("abc");
  EXPECT_EQ(TdCommon::UnscramblePassword(good.substr(0, 5)), "");
  EXPECT_EQ(TdCommon::UnscramblePassword(good.substr(0, 1)), "");
  EXPECT_EQ(TdCommon::UnscramblePassword(""), "");
  EXPECT_EQ(TdCommon::UnscramblePassword("K q7Z"), "");
  EXPECT_EQ(TdCommon::UnscramblePassword("Kq7Z\"b"), "");
}

TEST(Common, ScrambleTableKeepsColumnRule) {
  auto t = TdCommon::ScrambleTable();
  ASSERT_EQ(t.size(), 64u);
  for (size_t i = 0; i < t.size(); ++i)
    EXPECT_EQ(t.find(t[i]) % 16, i % 16) << "character " << t[i];
}

TEST(Common, ClearGrid) {
  TStringGrid grid(5, 10);
  grid.SetCell(0, 0, "No");
  for (int r = 1; r < 10; ++r)
    for (int c = 0; c < 5; ++c) grid.SetCell(c, r, "x");
  TdCommon::ClearGrid(grid, 2);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Cell(0, 0), "No");
  for (int c = 0; c < 5; ++c) EXPECT_EQ(grid.Cell(c, 1), "");
  grid.SetRowCount(5);  // rows that come back are empty too
  EXPECT_EQ(grid.Cell(3, 4), "");
}

TEST(Common, SettingsBesideTheProgramAndSilentFailures) {
  zel::test::TempDir dir;
  zel::test::ScriptedPrompts prompts;
  TdCommon common(&prompts);
  EXPECT_EQ(TdCommon::SettingsFileName(), "Zel.ini");
  EXPECT_EQ(zel::ExecutableFolder().back(), '/');
  common.SetProgramFolder(dir.Path());
  common.WriteSetting("Zel.ini", "postgre", "host", "db.example");
  EXPECT_EQ(common.ReadSetting("Zel.ini", "postgre", "host"), "db.example");
  EXPECT_TRUE(zel::test::FileExists(dir.File("Zel.ini")));
  {
    // An unwritable program folder sends the file to the configuration
    // folder; with none at all the write is dropped without a word.
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = xdg ? xdg : "";
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    common.SetProgramFolder(dir.File("no/such/folder"));
    common.WriteSetting("Zel.ini", "a", "b", "c");  // returns normally
    if (home) setenv("HOME", savedHome.c_str(), 1);
    if (xdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  }
  EXPECT_TRUE(prompts.messages.empty());
  common.ShowMessageBox("hello");
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].caption, "Zelmora");
  EXPECT_EQ(prompts.messages[0].icon, zel::MsgIcon::Information);
  EXPECT_EQ(prompts.messages[0].buttons, zel::MsgButtons::Ok);
}
