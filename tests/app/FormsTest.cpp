#include "app/Forms.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app/Application.h"
#include "app/TreeItemModel.h"
#include "support/ScriptedReader.h"
#include "support/TestEnv.h"

namespace zel {
namespace {

// The program's objects wired as at start-up, with a scripted catalog: a
// click on the tool button runs the real export into a real file.
TEST(Forms, ToolButtonsRunTheExportsOfTheProgram) {
  test::TempDir dir;
  test::FakeCatalog catalog = test::SampleCatalog();
  ReaderRegistry readers;
  readers.Register(dkSqlServer, test::ScriptedReader::Factory(catalog));
  TZelmora forms(std::move(readers), ClientLibraryState{true, "libmariadb.so.3"});
  forms.dCommon.SetProgramFolder(dir.Path());
  std::vector<std::string> exceptions;
  SetExceptionHandler([&](const std::string& text) { exceptions.push_back(text); });

  TBrowser& browser = forms.frmMain->Browser();
  EXPECT_EQ(&browser.Common(), &forms.dCommon);
  EXPECT_TRUE(browser.mySqlLibraryLoaded);

  QTimer::singleShot(0, [&] {
    forms.LogonForm->PageControl1->setCurrentIndex(1);
    forms.LogonForm->Button1->click();
  });
  forms.frmMain->ToolButtonConnect->click();
  ASSERT_EQ(browser.FDbKind, dkSqlServer);

  QTreeView* tree = forms.frmMain->TreeView1;
  TTreeItemModel* model = forms.frmMain->TreeModel();
  tree->expand(model->index(0, 0));
  QApplication::processEvents();
  QModelIndex sales = model->index(0, 0, model->index(0, 0));
  tree->expand(sales);
  QApplication::processEvents();
  QModelIndex pub = model->index(0, 0, sales);
  ASSERT_EQ(model->NodeOf(pub)->Text(), "public");
  tree->setCurrentIndex(pub);
  QApplication::processEvents();

  const std::string target = dir.File("sales.public.list.xlsx");
  QString proposed;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    proposed = d->selectedFiles().value(0);
    d->selectFile(QString::fromStdString(target));
    static_cast<QDialog*>(d)->accept();
  });
  forms.frmMain->ToolButtonTableList->click();
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
  EXPECT_TRUE(proposed.endsWith("sales.public.list.xlsx")) << proposed.toStdString();
  EXPECT_TRUE(test::FileExists(target));
  EXPECT_EQ(browser.FExcelVersion, "12.0");
  const QString log = forms.frmMain->RichEditLog->toPlainText();
  EXPECT_TRUE(log.contains(QStringLiteral("Excel　出力正常終了。"))) << log.toStdString();
  EXPECT_EQ(forms.frmMain->PageControlInfo->currentWidget(), forms.frmMain->TabSheetLog);
  SetExceptionHandler({});
}

}  // namespace
}  // namespace zel
