// The window against the real MariaDB test server, wired as at program
// start: the client library loaded first, the logon dialog's MySQL page,
// the tree, the grids and the definition export from its tool button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include "app/Application.h"
#include "app/Forms.h"
#include "app/TreeItemModel.h"
#include "db/mysql/mysql.h"
#include "support/MariaFixture.h"
#include "support/WorkbookCheck.h"

namespace zel {
namespace {

using test::MariaServer;

QModelIndex Child(TTreeItemModel* model, const QModelIndex& parent, const std::string& text) {
  for (int r = 0; r < model->rowCount(parent); ++r) {
    QModelIndex i = model->index(r, 0, parent);
    if (model->NodeOf(i)->Text() == text) return i;
  }
  return {};
}

TEST(MySqlWindow, LogsOnBrowsesAndExportsThroughTheWindow) {
  ZEL_REQUIRE_MARIA(srv);
  test::TempDir dir;
  test::MariaSchemas schemas(srv);
  const std::string schema = schemas.CreateCatalog("zel_win");
  test::MariaSql(srv, "DROP TABLE " + test::MariaIdent(schema) + ".`back\\slash`");

  TZelmora forms(StandardReaders(), ProbeMySqlClientLibrary());
  forms.dCommon.SetProgramFolder(dir.Path());
  std::vector<std::string> exceptions;
  SetExceptionHandler([&](const std::string& text) { exceptions.push_back(text); });
  TBrowser& browser = forms.frmMain->Browser();
  ASSERT_TRUE(browser.mySqlLibraryLoaded);
  EXPECT_EQ(browser.mySqlLibraryName, "libmariadb.so.3");

  QTimer::singleShot(0, [&] {
    TLogonForm& logon = *forms.LogonForm;
    logon.PageControl1->setCurrentIndex(3);
    logon.txtUserNameMySql->setText(QString::fromStdString(srv.user));
    logon.txtPasswordMySql->setText(QString::fromStdString(srv.password));
    logon.txtHostNameMySql->setText(QString::fromStdString(srv.host));
    logon.txtPortMySql->setText(QString::fromStdString(srv.port));
    logon.Button1->click();
  });
  forms.frmMain->ToolButtonConnect->click();
  ASSERT_EQ(browser.FDbKind, dkMySql);
  EXPECT_TRUE(forms.frmMain->lblDbType->text().startsWith("MySQL 10.11"))
      << forms.frmMain->lblDbType->text().toStdString();

  TTreeItemModel* model = forms.frmMain->TreeModel();
  QModelIndex root = model->index(0, 0);
  EXPECT_EQ(model->NodeOf(root)->Text(), srv.host);
  QModelIndex s = Child(model, root, schema);
  ASSERT_TRUE(s.isValid());
  forms.frmMain->TreeView1->expand(s);
  forms.frmMain->TreeView1->setCurrentIndex(s);
  QApplication::processEvents();
  EXPECT_EQ(browser.grdTableList().RowCount(), 6);
  QModelIndex kinds = Child(model, s, "kinds");
  ASSERT_TRUE(kinds.isValid());
  forms.frmMain->TreeView1->setCurrentIndex(kinds);
  QApplication::processEvents();
  EXPECT_EQ(forms.frmMain->lblTableComment->text(), QStringLiteral("種類～①髙"));
  EXPECT_EQ(browser.grdTableDefinition().Cell(2, 1), "int unsigned");

  forms.frmMain->TreeView1->setCurrentIndex(s);
  QApplication::processEvents();
  const std::string target = dir.File("defs.xlsx");
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    d->selectFile(QString::fromStdString(target));
    static_cast<QDialog*>(d)->accept();
  });
  forms.frmMain->ToolButtonDefinition->click();
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
  const QString log = forms.frmMain->RichEditLog->toPlainText();
  EXPECT_TRUE(log.contains(QStringLiteral("Excel　出力正常終了。"))) << log.toStdString();
  test::WorkbookDump d = test::DumpWorkbook(target, false);
  EXPECT_EQ(d["sheet.count"], "5");
  EXPECT_EQ(d["kinds!I8"], "s:番号～①髙");
  SetExceptionHandler({});
}

}  // namespace
}  // namespace zel
