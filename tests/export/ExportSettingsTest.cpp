#include "export/ExportSettings.h"

#include <gtest/gtest.h>

#include "common/IniFile.h"
#include "common/Text.h"
#include "export/ModelWorkbook.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

namespace zel {
namespace {

class ExportSettingsTest : public ::testing::Test {
 protected:
  ExportSettingsTest() : common(&prompts) { common.SetProgramFolder(dir.Path()); }

  std::string Ini() const { return common.SettingsPath(TdCommon::SettingsFileName()); }
  std::string Stored(std::string_view key) const { return IniFile::Read(Ini(), "ExcelSet", key); }
  void Store(std::string_view key, std::string_view value) {
    ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", key, value));
  }
  // A model workbook that exists, for the own-workbook checks.
  std::string ModelWorkbook() {
    std::string path = dir.File("model.xlsx");
    test::WriteModelWorkbook(path);
    return path;
  }

  test::TempDir dir;
  test::ScriptedPrompts prompts;
  TdCommon common;
};

TEST_F(ExportSettingsTest, FreshFileLoadsBuiltInTemplateAndEmptyItems) {
  ExportSettings s = ExportSettings::Load(common);
  EXPECT_EQ(s.templateChoice, 0);
  EXPECT_FALSE(s.UsesOwnWorkbook());
  EXPECT_EQ(s.fileName, "");
  EXPECT_EQ(s.systemName + s.subSystemName + s.createEmp + s.managerEmp, "");
  for (int i = 0; i < kExportItemCount; ++i) {
    EXPECT_EQ(s.Item(i), ExportItem{}) << ItemDef(i).key;
    EXPECT_EQ(s.Item(i).Row(), 0);
    EXPECT_EQ(s.Item(i).Column(), 0);
  }
  EXPECT_FALSE(test::FileExists(Ini())) << "loading must not create the settings file";
}

TEST_F(ExportSettingsTest, ItemTableOrderKeysAndGroups) {
  const char* keys[] = {
      "databasename", "schemaname",    "tablename",    "tablecomment",        "no",
      "columnname",   "columntype",    "columnlength", "columndecimallength", "notnull",
      "primarykey",   "columncomment", "createdate",   "updatedate"};
  for (int i = 0; i < kExportItemCount; ++i) {
    EXPECT_EQ(ItemDef(i).key, keys[i]);
    bool body = i >= eiNo && i <= eiColumnComment;
    EXPECT_EQ(ItemDef(i).group, body ? ItemGroup::Body : ItemGroup::Head) << keys[i];
    EXPECT_EQ(ItemDef(i).rowCaption, body ? "開始行" : "行") << keys[i];
  }
  EXPECT_EQ(ItemDef(eiTableName).label, "テーブル名");
  EXPECT_EQ(ItemDef(eiPrimaryKey).label, "主キー");
}

TEST_F(ExportSettingsTest, StoredFormsReadTolerantly) {
  struct Case {
    const char* stored;
    bool exported;
    const char* row;
    const char* col;
  } cases[] = {
      {"1,8,A", true, "8", "A"},   {"0,3,C", false, "3", "C"}, {"1,25,C", true, "", "C"},
      {"1,20,z", true, "20", "Z"}, {"1", true, "", ""},        {"1,", true, "", ""},
      {"0,,", false, "", ""},      {"2,1,A", false, "1", "A"}, {"1,0,A", true, "", "A"},
      {"1, 8,A", true, "", "A"},   {"1,8,AB", true, "8", ""},  {"1,8,[", true, "8", ""},
      {"", false, "", ""},         {",,,,", false, "", ""},    {"1,8,Ｃ", true, "8", ""},
  };
  for (const Case& c : cases) {
    ExportItem item = ExportItem::FromStored(c.stored);
    EXPECT_EQ(item.exported, c.exported) << c.stored;
    EXPECT_EQ(item.row, c.row) << c.stored;
    EXPECT_EQ(item.col, c.col) << c.stored;
  }
  ExportItem item = ExportItem::FromStored("1,12,c");
  EXPECT_EQ(item.Row(), 12);
  EXPECT_EQ(item.Column(), 3);
  EXPECT_EQ(item.Stored(), "1,12,C");
  EXPECT_EQ(ExportItem{}.Stored(), "0,,");
}

TEST_F(ExportSettingsTest, TemplateChoiceIsClampedAboveAndLeftUnchosenBelow) {
  for (auto [stored, expected] : {std::pair{"1", 1},
                                  {"5", 1},
                                  {"0", 0},
                                  {"x", 0},
                                  {"", 0},
                                  {" 1 ", 1},
                                  {"-1", -1},
                                  {"-3", -1}}) {
    Store("exporttype", stored);
    EXPECT_EQ(ExportSettings::Load(common).templateChoice, expected) << stored;
  }
}

TEST_F(ExportSettingsTest, BuiltInTemplateSavesEverythingWithoutChecksInOrder) {
  ExportSettings s = ExportSettings::Load(common);
  s.fileName = "";                       // not checked with the built-in template
  s.Item(eiTableName) = {true, "", ""};  // would fail validation with own workbook
  s.systemName = "販売管理";
  s.subSystemName = "受注";
  s.createEmp = "髙橋";
  s.managerEmp = "①";
  ASSERT_TRUE(s.Accept(common));
  EXPECT_TRUE(prompts.messages.empty());

  EXPECT_EQ(Stored("filename"), "");
  EXPECT_EQ(Stored("exporttype"), "0");
  EXPECT_EQ(Stored("databasename"), "0,,");
  EXPECT_EQ(Stored("tablename"), "1,,");
  EXPECT_EQ(Stored("SystemName"), "販売管理");
  EXPECT_EQ(Stored("SybSystemName"), "受注");
  EXPECT_EQ(Stored("CreateEmp"), "髙橋");
  EXPECT_EQ(Stored("ManagerEmp"), "①");

  // A fresh file lists the keys in the order they were saved.
  std::string file = text::Cp932ToUtf8(test::ReadFile(Ini()));
  std::vector<std::string> order = {"filename", "exporttype"};
  for (int i = 0; i < kExportItemCount; ++i) order.emplace_back(ItemDef(i).key);
  for (const char* k : {"SystemName", "SybSystemName", "CreateEmp", "ManagerEmp"})
    order.emplace_back(k);
  size_t pos = file.find("[ExcelSet]");
  ASSERT_NE(pos, std::string::npos);
  for (const std::string& key : order) {
    size_t at = file.find("\n" + key + "=", pos);
    ASSERT_NE(at, std::string::npos) << key;
    pos = at + 1;
  }
  EXPECT_EQ(ExportSettings::Load(common), s);
}

TEST_F(ExportSettingsTest, OwnWorkbookNeedsAnExistingFile) {
  ExportSettings s;
  s.templateChoice = 1;
  for (std::string name : {std::string(), dir.File("missing.xlsx"), dir.Path()}) {
    prompts.messages.clear();
    s.fileName = name;
    EXPECT_FALSE(s.Accept(common)) << name;
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0].text, ModelWorkbookMessage(CheckModelWorkbook(name)));
    EXPECT_EQ(prompts.messages[0].text.rfind("Excelファイル設定エラー。\n", 0), 0u);
    EXPECT_EQ(prompts.messages[0].caption, "Zelmora");
    EXPECT_EQ(prompts.messages[0].icon, MsgIcon::Information);
  }
  EXPECT_FALSE(test::FileExists(Ini())) << "nothing may be saved";

  prompts.messages.clear();
  s.fileName = ModelWorkbook();
  EXPECT_TRUE(s.Accept(common));
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(Stored("filename"), s.fileName);
  EXPECT_EQ(Stored("exporttype"), "1");
}

TEST_F(ExportSettingsTest, OwnWorkbookReportsOnlyTheFirstIncompleteItem) {
  Store("tablename", "1,25,C");  // loads checked, without a row
  Store("columntype", "1,8,");   // checked without a column: a later failure
  Store("no", "0,,");            // unchecked items are never checked
  ExportSettings s = ExportSettings::Load(common);
  EXPECT_TRUE(s.Item(eiTableName).exported);
  EXPECT_EQ(s.Item(eiTableName).row, "");
  EXPECT_EQ(s.Item(eiTableName).col, "C");
  s.templateChoice = 1;
  s.fileName = ModelWorkbook();
  std::string before = test::ReadFile(Ini());

  EXPECT_FALSE(s.Accept(common));
  ASSERT_EQ(prompts.MessageTexts(), std::vector<std::string>{"テーブル名設定エラー。"});
  EXPECT_EQ(test::ReadFile(Ini()), before) << "nothing may be saved";

  prompts.messages.clear();
  s.Item(eiTableName).row = "2";
  EXPECT_FALSE(s.Accept(common));
  EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"型設定エラー。"});

  prompts.messages.clear();
  s.Item(eiColumnType).exported = false;
  EXPECT_TRUE(s.Accept(common));
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(Stored("tablename"), "1,2,C");
  EXPECT_EQ(Stored("columntype"), "0,8,") << "an unchecked item keeps its row behind 0,";
}

TEST_F(ExportSettingsTest, UncheckedItemsKeepTheirPositions) {
  ExportSettings s;
  s.Item(eiSchemaName) = {false, "3", "C"};
  s.Save(common);
  EXPECT_EQ(Stored("schemaname"), "0,3,C");
  ExportItem back = ExportSettings::LoadItem(common, eiSchemaName);
  EXPECT_FALSE(back.exported);
  EXPECT_EQ(back.Row(), 3);
  EXPECT_EQ(back.Column(), 3);
}

TEST_F(ExportSettingsTest, BodyRowIsShared) {
  ExportSettings s;
  s.Item(eiTableName).row = "1";
  s.SetBodyRow("8");
  for (int i = 0; i < kExportItemCount; ++i) {
    bool body = ItemDef(i).group == ItemGroup::Body;
    EXPECT_EQ(s.Item(i).row, body ? "8" : (i == eiTableName ? "1" : "")) << ItemDef(i).key;
  }
}

TEST_F(ExportSettingsTest, NoColumnLaysOutTheBodyToItsRight) {
  ExportSettings s;
  s.Item(eiNo).col = "C";
  s.LayOutBodyColumns();
  std::string cols;
  for (int i = kBodyFirst; i <= kBodyLast; ++i) cols += s.Item(i).col;
  EXPECT_EQ(cols, "CDEFGHIJ");
  EXPECT_EQ(s.Item(eiCreateDate).col, "") << "head items are not moved";

  s.Item(eiNo).col = "T";
  s.LayOutBodyColumns();
  cols.clear();
  for (int i = kBodyFirst; i < kBodyLast; ++i) cols += s.Item(i).col;
  EXPECT_EQ(cols, "TUVWXYZ");
  EXPECT_EQ(s.Item(eiColumnComment).col, "") << "past Z the column is lost";

  s.Item(eiNo).col = "Z";
  s.LayOutBodyColumns();
  for (int i = kBodyFirst + 1; i <= kBodyLast; ++i) EXPECT_EQ(s.Item(i).col, "");

  // An exported item that lost its column fails at OK with the own workbook.
  s.templateChoice = 1;
  s.fileName = ModelWorkbook();
  s.Item(eiNo).col = "T";
  s.LayOutBodyColumns();
  s.SetBodyRow("8");
  for (int i = kBodyFirst; i <= kBodyLast; ++i) s.Item(i).exported = true;
  EXPECT_FALSE(s.Accept(common));
  EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"コメント設定エラー。"});
}

TEST_F(ExportSettingsTest, FailedWriteStillClosesAndFileValuesStand) {
  Store("SystemName", "old");
  TdCommon readOnly(&prompts);
  readOnly.SetProgramFolder(dir.File("no/such/folder"));
  ExportSettings s = ExportSettings::Load(common);
  s.systemName = "new";
  EXPECT_TRUE(s.Accept(readOnly));
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(ExportSettings::Load(common).systemName, "old");
  EXPECT_EQ(ReadHeaderTexts(common).systemName, "old");
}

TEST_F(ExportSettingsTest, DetailedChoiceAndOptionalBodyItemsRoundTrip) {
  // A file from before the optional items: they read as not exported, and
  // exporttype keeps its meaning for 0 and 1.
  Store("exporttype", "1");
  Store("updatedate", "1,4,I");
  ExportSettings s = ExportSettings::Load(common);
  EXPECT_EQ(s.templateChoice, kTemplateOwn);
  EXPECT_EQ(s.Item(eiColumnDefault), ExportItem{});
  EXPECT_EQ(s.Item(eiReferences), ExportItem{});
  EXPECT_EQ(ItemDef(eiColumnDefault).key, "columndefault");
  EXPECT_EQ(ItemDef(eiReferences).key, "references");
  EXPECT_EQ(ItemDef(eiReferences).group, ItemGroup::Body);

  // The optional items share the body row and are checked at OK like the
  // others.
  s.fileName = ModelWorkbook();
  s.SetBodyRow("9");
  EXPECT_EQ(s.Item(eiColumnDefault).row, "9");
  s.Item(eiColumnDefault) = {true, "9", ""};
  EXPECT_FALSE(s.Accept(common));
  EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"デフォルト値設定エラー。"});
  s.Item(eiColumnDefault) = {true, "9", "J"};
  s.Item(eiReferences) = {true, "9", "K"};
  ASSERT_TRUE(s.Accept(common));
  EXPECT_EQ(Stored("columndefault"), "1,9,J");
  EXPECT_EQ(Stored("references"), "1,9,K");
  // Stored after the fourteen, before the header texts.
  const std::string file = text::Cp932ToUtf8(test::ReadFile(Ini()));
  const size_t last = file.find("\nupdatedate="), def = file.find("\ncolumndefault="),
               ref = file.find("\nreferences="), sys = file.find("\nSystemName=");
  EXPECT_LT(last, def);
  EXPECT_LT(def, ref);
  EXPECT_LT(ref, sys);
  EXPECT_EQ(ExportSettings::Load(common), s);

  // 詳細 is 2 and reads back as itself; numbers above still mean the own
  // workbook, as they always did.
  s.templateChoice = kTemplateDetailed;
  s.fileName.clear();  // not checked with a built-in template
  ASSERT_TRUE(s.Accept(common));
  EXPECT_EQ(Stored("exporttype"), "2");
  const ExportSettings back = ExportSettings::Load(common);
  EXPECT_TRUE(back.Detailed());
  EXPECT_TRUE(back.UsesBuiltInTemplate());
  EXPECT_FALSE(back.UsesOwnWorkbook());
  Store("exporttype", "3");
  EXPECT_EQ(ExportSettings::Load(common).templateChoice, kTemplateOwn);
}

}  // namespace
}  // namespace zel
