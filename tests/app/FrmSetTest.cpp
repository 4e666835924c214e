#include "export/ui/FrmSet.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "common/IniFile.h"
#include "export/ui/FrameLineSet.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

namespace zel {
namespace {

// What a user does with the mouse: pick an entry of a combo box.
void Choose(QComboBox* box, const QString& text) {
  int i = box->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  box->setCurrentIndex(i);
  emit box->activated(i);
}

class FrmSetTest : public ::testing::Test {
 protected:
  FrmSetTest() : common(&prompts) { common.SetProgramFolder(dir.Path()); }

  std::string Ini() const { return common.SettingsPath(TdCommon::SettingsFileName()); }
  std::string Stored(std::string_view key) const { return IniFile::Read(Ini(), "ExcelSet", key); }
  void Store(std::string_view key, std::string_view value) {
    ASSERT_TRUE(IniFile::Write(Ini(), "ExcelSet", key, value));
  }
  std::string Columns(const TfrmSet& dlg) const {
    std::string s;
    for (int i = kBodyFirst; i <= kBodyLast; ++i)
      s += dlg.Frame(i)->cbCol->currentText().toStdString() + "|";
    return s;
  }

  test::TempDir dir;
  test::ScriptedPrompts prompts;
  TdCommon common;
};

TEST_F(FrmSetTest, FreshSettingsShowOnlyTheHeaderTexts) {
  TfrmSet dlg(common);
  dlg.show();
  EXPECT_EQ(dlg.windowTitle(), "設定");
  EXPECT_EQ(dlg.size(), QSize(667, 541));
  EXPECT_TRUE(dlg.rbStandard->isChecked());
  EXPECT_EQ(dlg.rbStandard->text(), "標準");
  EXPECT_EQ(dlg.rbOwn->text(), "自定義");
  EXPECT_TRUE(dlg.gbSystemSet->isVisible());
  EXPECT_FALSE(dlg.gbExcelFileName->isVisible());
  EXPECT_FALSE(dlg.gbHead->isVisible());
  EXPECT_FALSE(dlg.gbBody->isVisible());
  for (QLineEdit* e : {dlg.txtSystemName, dlg.txtSubSystemName, dlg.txtCreateEmpName,
                       dlg.txtManagerEmpName, dlg.txtExcelFileName})
    EXPECT_TRUE(e->text().isEmpty());

  dlg.rbOwn->click();
  EXPECT_FALSE(dlg.gbSystemSet->isVisible());
  EXPECT_TRUE(dlg.gbExcelFileName->isVisible());
  EXPECT_TRUE(dlg.gbHead->isVisible());
  EXPECT_TRUE(dlg.gbBody->isVisible());
  for (int i = 0; i < kExportItemCount; ++i) {
    TFrameLineSet* f = dlg.Frame(i);
    EXPECT_EQ(f->ItemKey(), ItemDef(i).key);
    EXPECT_EQ(f->lblExport->text().toStdString(), ItemDef(i).label);
    EXPECT_EQ(f->lblRow->text().toStdString(), ItemDef(i).rowCaption);
    EXPECT_EQ(f->isVisible(), true);
    EXPECT_FALSE(f->chkExport->isChecked()) << f->ItemKey();
    EXPECT_EQ(f->cbRow->currentIndex(), -1);
    EXPECT_EQ(f->cbCol->currentIndex(), -1);
    for (QWidget* w :
         std::initializer_list<QWidget*>{f->lblExport, f->lblRow, f->cbRow, f->lblCol, f->cbCol})
      EXPECT_FALSE(w->isEnabled()) << f->ItemKey();
    EXPECT_EQ(f->cbRow->count(), 20);
    EXPECT_EQ(f->cbCol->count(), 26);
  }
  // Head frames sit in the head group, body frames in the body group.
  EXPECT_EQ(dlg.Frame(eiCreateDate)->parentWidget(), dlg.gbHead);
  EXPECT_EQ(dlg.Frame(eiNo)->parentWidget(), dlg.gbBody);
  EXPECT_LT(dlg.Frame(eiTableComment)->y(), dlg.Frame(eiCreateDate)->y());
}

TEST_F(FrmSetTest, DetailedChoiceAndTheOptionalBodyItems) {
  Store("tablename", "1,,");  // would fail with the own workbook
  Store("columndefault", "1,8,J");
  TfrmSet dlg(common);
  dlg.show();
  EXPECT_EQ(dlg.rbDetailed->text(), "詳細");
  dlg.rbDetailed->click();
  EXPECT_EQ(dlg.ExcelSetIndex(), kTemplateDetailed);
  // The header texts as with 標準; no model, no positions.
  EXPECT_TRUE(dlg.gbSystemSet->isVisible());
  EXPECT_FALSE(dlg.gbExcelFileName->isVisible());
  EXPECT_FALSE(dlg.gbBody->isVisible());
  dlg.txtSystemName->setText("販売");
  dlg.btnOK->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(Stored("exporttype"), "2");
  EXPECT_EQ(Stored("SystemName"), "販売");
  EXPECT_EQ(Stored("columndefault"), "1,8,J");
  EXPECT_EQ(Stored("references"), "0,,");
  dlg.show();
  EXPECT_TRUE(dlg.rbDetailed->isChecked());

  // With the own workbook the two items show below the eight, inside the
  // body group, and take the shared body row.
  dlg.rbOwn->click();
  TFrameLineSet* def = dlg.Frame(eiColumnDefault);
  TFrameLineSet* ref = dlg.Frame(eiReferences);
  EXPECT_EQ(def->parentWidget(), dlg.gbBody);
  EXPECT_EQ(def->lblExport->text().toStdString(), "デフォルト値");
  EXPECT_EQ(ref->lblExport->text().toStdString(), "参照先");
  EXPECT_TRUE(ref->isVisible());
  EXPECT_LT(dlg.Frame(eiColumnComment)->y(), def->y());
  EXPECT_LT(def->y(), ref->y());
  EXPECT_LE(ref->y() + ref->height(), dlg.gbBody->height());
  EXPECT_LE(dlg.gbBody->y() + dlg.gbBody->height(), dlg.btnOK->y());
  EXPECT_TRUE(def->chkExport->isChecked());
  EXPECT_EQ(def->cbCol->currentText(), "J");
  Choose(dlg.Frame(eiNo)->cbRow, "5");
  EXPECT_EQ(def->cbRow->currentText(), "5");
  EXPECT_EQ(ref->cbRow->currentText(), "5");
  dlg.btnCancel->click();
  EXPECT_EQ(Stored("exporttype"), "2");
}

TEST_F(FrmSetTest, StandardTemplateSavesWithoutChecks) {
  Store("tablename", "1,,");  // would fail with the own workbook
  TfrmSet dlg(common);
  dlg.show();
  dlg.txtSystemName->setText("販売");
  dlg.txtManagerEmpName->setText("承認 者");
  dlg.btnOK->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(prompts.messages.empty());
  EXPECT_EQ(Stored("exporttype"), "0");
  EXPECT_EQ(Stored("filename"), "");
  EXPECT_EQ(Stored("no"), "0,,");
  EXPECT_EQ(Stored("tablename"), "1,,");
  EXPECT_EQ(Stored("SystemName"), "販売");
  EXPECT_EQ(Stored("ManagerEmp"), "承認 者");
  EXPECT_EQ(dlg.txtSystemName->text(), "販売") << "reloaded after closing";
}

TEST_F(FrmSetTest, NoColumnLaysOutTheBody) {
  TfrmSet dlg(common);
  dlg.show();
  dlg.rbOwn->click();
  Choose(dlg.Frame(eiNo)->cbCol, "C");
  EXPECT_EQ(Columns(dlg), "C|D|E|F|G|H|I|J|");
  Choose(dlg.Frame(eiNo)->cbCol, "T");
  EXPECT_EQ(Columns(dlg), "T|U|V|W|X|Y|Z||");
  EXPECT_EQ(dlg.Frame(eiColumnComment)->cbCol->currentIndex(), -1);

  // Other columns move one at a time and move nothing else.
  Choose(dlg.Frame(eiColumnType)->cbCol, "A");
  EXPECT_EQ(Columns(dlg), "T|U|A|W|X|Y|Z||");
  EXPECT_EQ(dlg.Frame(eiCreateDate)->cbCol->currentIndex(), -1);
}

TEST_F(FrmSetTest, BodyItemsShareTheirRow) {
  TfrmSet dlg(common);
  dlg.show();
  dlg.rbOwn->click();
  dlg.Frame(eiTableName)->SetRow("2");
  Choose(dlg.Frame(eiColumnLength)->cbRow, "8");
  for (int i = 0; i < kExportItemCount; ++i) {
    QString row = dlg.Frame(i)->cbRow->currentText();
    if (ItemDef(i).group == ItemGroup::Body)
      EXPECT_EQ(row, "8") << ItemDef(i).key;
    else
      EXPECT_EQ(row, i == eiTableName ? "2" : "") << ItemDef(i).key;
  }
  Choose(dlg.Frame(eiNo)->cbRow, "1");
  for (int i = kBodyFirst; i <= kBodyLast; ++i) EXPECT_EQ(dlg.Frame(i)->cbRow->currentText(), "1");
}

TEST_F(FrmSetTest, UncheckingKeepsTheValues) {
  std::string model = dir.File("model.xlsx");
  test::WriteModelWorkbook(model);
  Store("schemaname", "1,3,C");
  TfrmSet dlg(common);
  dlg.show();
  TFrameLineSet* f = dlg.Frame(eiSchemaName);
  EXPECT_TRUE(f->chkExport->isChecked());
  EXPECT_TRUE(f->cbRow->isEnabled());
  f->chkExport->click();
  for (QWidget* w :
       std::initializer_list<QWidget*>{f->lblExport, f->lblRow, f->cbRow, f->lblCol, f->cbCol})
    EXPECT_FALSE(w->isEnabled());
  EXPECT_EQ(f->cbRow->currentText(), "3");
  EXPECT_EQ(f->cbCol->currentText(), "C");
  dlg.rbOwn->click();
  dlg.txtExcelFileName->setText(QString::fromStdString(model));
  dlg.btnOK->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted) << ::testing::PrintToString(prompts.MessageTexts());
  EXPECT_EQ(Stored("schemaname"), "0,3,C");
  EXPECT_EQ(Stored("exporttype"), "1");
  EXPECT_EQ(Stored("filename"), model);
}

TEST_F(FrmSetTest, IncompleteItemKeepsTheDialogOpenAndSavesNothing) {
  std::string model = dir.File("model.xlsx");
  test::WriteModelWorkbook(model);
  Store("tablename", "1,25,C");
  Store("exporttype", "1");
  Store("filename", model);
  const std::string before = test::ReadFile(Ini());

  TfrmSet dlg(common);
  dlg.show();
  TFrameLineSet* f = dlg.Frame(eiTableName);
  EXPECT_TRUE(f->chkExport->isChecked());
  EXPECT_EQ(f->cbRow->currentIndex(), -1);
  EXPECT_EQ(f->cbCol->currentText(), "C");
  dlg.txtSystemName->setText("changed");
  dlg.btnOK->click();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"テーブル名設定エラー。"});
  EXPECT_EQ(test::ReadFile(Ini()), before);

  prompts.messages.clear();
  dlg.txtExcelFileName->setText(QString::fromStdString(dir.File("gone.xlsx")));
  dlg.btnOK->click();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(prompts.MessageTexts(),
            std::vector<std::string>{"Excelファイル設定エラー。\n雛形Excelファイル「" +
                                     dir.File("gone.xlsx") + "」が見つかりません。"});
  EXPECT_EQ(test::ReadFile(Ini()), before);

  // A file that is there but no workbook (a cut one, a text file) is no
  // better.
  prompts.messages.clear();
  const std::string cut = dir.File("cut.xlsx");
  test::WriteFile(cut, test::ReadFile(model).substr(0, 1000));
  dlg.txtExcelFileName->setText(QString::fromStdString(cut));
  dlg.btnOK->click();
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(prompts.MessageTexts(),
            std::vector<std::string>{"Excelファイル設定エラー。\n雛形Excelファイル「" + cut +
                                     "」は Excel ブック（.xlsx）ではないか、壊れています。"});
  EXPECT_EQ(test::ReadFile(Ini()), before);
  dlg.reject();
}

TEST_F(FrmSetTest, CancelDropsTheEdits) {
  Store("SystemName", "saved");
  Store("columnname", "1,8,D");
  TfrmSet dlg(common);
  dlg.show();
  dlg.txtSystemName->setText("edited");
  dlg.rbOwn->click();
  Choose(dlg.Frame(eiColumnName)->cbRow, "3");
  dlg.Frame(eiColumnName)->chkExport->click();
  dlg.btnCancel->click();
  EXPECT_FALSE(dlg.isVisible());

  dlg.show();
  EXPECT_TRUE(dlg.rbStandard->isChecked());
  EXPECT_EQ(dlg.txtSystemName->text(), "saved");
  EXPECT_TRUE(dlg.Frame(eiColumnName)->chkExport->isChecked());
  EXPECT_EQ(dlg.Frame(eiColumnName)->cbRow->currentText(), "8");
  EXPECT_EQ(Stored("SystemName"), "saved");

  // The close box drops them too.
  dlg.txtSubSystemName->setText("edited");
  dlg.close();
  EXPECT_TRUE(dlg.txtSubSystemName->text().isEmpty());
}

TEST_F(FrmSetTest, StoredChoiceBelowZeroSelectsNothing) {
  Store("exporttype", "-2");
  TfrmSet dlg(common);
  dlg.show();
  EXPECT_EQ(dlg.ExcelSetIndex(), -1);
  EXPECT_FALSE(dlg.rbStandard->isChecked());
  EXPECT_FALSE(dlg.rbOwn->isChecked());
  for (QGroupBox* g : {dlg.gbSystemSet, dlg.gbExcelFileName, dlg.gbHead, dlg.gbBody})
    EXPECT_FALSE(g->isVisible());
  dlg.btnOK->click();
  EXPECT_EQ(Stored("exporttype"), "-1");

  Store("exporttype", "3");
  dlg.LoadSettings();
  EXPECT_TRUE(dlg.rbOwn->isChecked());
}

TEST_F(FrmSetTest, FileChooserStartsWithThePresetFilter) {
  TfrmSet dlg(common);
  dlg.show();
  dlg.rbOwn->click();
  std::string chosen = dir.File("book.xlsx");
  test::WriteModelWorkbook(chosen);
  QString filterSeen;
  dlg.execFileDialog = [&](QFileDialog& fd) {
    filterSeen = fd.selectedNameFilter();
    fd.selectFile(QString::fromStdString(chosen));
    return int(QDialog::Accepted);
  };
  dlg.SetFilterIndex(1);
  dlg.btnOpenExcel->click();
  EXPECT_EQ(filterSeen, "Excelファイル (*.xlsx)");
  EXPECT_EQ(dlg.txtExcelFileName->text().toStdString(), chosen);

  dlg.SetFilterIndex(2);
  dlg.execFileDialog = [&](QFileDialog& fd) {
    filterSeen = fd.selectedNameFilter();
    return int(QDialog::Rejected);
  };
  dlg.btnOpenExcel->click();
  EXPECT_EQ(filterSeen, "Excel 97-2003 ファイル (*.xls)");
  EXPECT_EQ(dlg.txtExcelFileName->text().toStdString(), chosen) << "cancel changes nothing";

  // A chosen file that cannot be the model is told at once and not taken.
  const std::string notReal = dir.File("notreal.xlsx");
  test::WriteFile(notReal, "plain text\n");
  dlg.execFileDialog = [&](QFileDialog& fd) {
    fd.selectFile(QString::fromStdString(notReal));
    return int(QDialog::Accepted);
  };
  dlg.btnOpenExcel->click();
  EXPECT_EQ(prompts.MessageTexts(),
            std::vector<std::string>{"Excelファイル設定エラー。\n雛形Excelファイル「" + notReal +
                                     "」は Excel ブック（.xlsx）ではないか、壊れています。"});
  EXPECT_EQ(dlg.txtExcelFileName->text().toStdString(), chosen);
  dlg.reject();
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

TEST_F(FrmSetTest, IndexSheetPartitionsAndTheLinkCellAreStoredOnceChosen) {
  {
    TfrmSet dlg(common);
    dlg.show();
    EXPECT_EQ(dlg.chkIndexSheet->text(), "目次シートを付ける");
    EXPECT_EQ(dlg.chkExcludePartitions->text(), "パーティションを除く");
    EXPECT_FALSE(dlg.chkIndexSheet->isChecked()) << "off with 標準";
    EXPECT_FALSE(dlg.chkExcludePartitions->isChecked());
    EXPECT_FALSE(dlg.FrameIndexLink->isVisible());
    dlg.btnOK->click();
  }
  // Left as they load, the options write nothing.
  EXPECT_EQ(test::ReadFile(Ini()).find("IndexSheet"), std::string::npos);
  EXPECT_EQ(test::ReadFile(Ini()).find("ExcludePartitions"), std::string::npos);
  EXPECT_EQ(test::ReadFile(Ini()).find("indexlink"), std::string::npos);

  const std::string model = dir.File("model.xlsx");
  test::WriteModelWorkbook(model);
  {
    TfrmSet dlg(common);
    dlg.show();
    dlg.chkIndexSheet->click();
    dlg.chkExcludePartitions->click();
    dlg.rbOwn->click();
    EXPECT_TRUE(dlg.chkIndexSheet->isChecked()) << "the user's choice outlasts the template's";
    dlg.txtExcelFileName->setText(QString::fromStdString(model));
    TFrameLineSet* link = dlg.FrameIndexLink;
    ASSERT_TRUE(link->isVisible());
    EXPECT_EQ(link->parentWidget(), dlg.gbHead);
    EXPECT_EQ(link->lblExport->text(), "目次リンク");
    EXPECT_EQ(link->lblRow->text(), "行");
    link->chkExport->setChecked(true);
    Choose(link->cbRow, "2");
    dlg.btnOK->click();  // no column yet
    EXPECT_TRUE(dlg.isVisible());
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_EQ(prompts.messages.back().text, "目次リンク設定エラー。");
    Choose(link->cbCol, "L");
    dlg.btnOK->click();
    EXPECT_FALSE(dlg.isVisible());
    // Closing reloads: what was saved comes back.
    EXPECT_TRUE(dlg.chkIndexSheet->isChecked());
    EXPECT_TRUE(dlg.chkExcludePartitions->isChecked());
    EXPECT_EQ(dlg.FrameIndexLink->Item().Stored(), "1,2,L");
  }
  EXPECT_EQ(Stored("IndexSheet"), "1");
  EXPECT_EQ(Stored("ExcludePartitions"), "1");
  EXPECT_EQ(Stored("indexlink"), "1,2,L");
  const std::string file = test::ReadFile(Ini());
  EXPECT_LT(file.find("updatedate"), file.find("indexlink"));
}

}  // namespace
}  // namespace zel
