// Writes PNGs of the real windows for review, on whatever display Qt is given
// (scripts/screenshots runs it under Xvfb). Not a test: a person looks at them.
//
//   zelmora-screenshots OUT_FOLDER SETTINGS_FOLDER [HOST PORT USER PASSWORD [DATABASE]]
//
// With the PostgreSQL values the main window is connected through the logon
// dialog and its table list and definition pages are captured as well.
#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <cstdio>
#include <functional>

#include "app/Application.h"
#include "app/Forms.h"
#include "app/FrmVersion.h"
#include "app/TreeItemModel.h"
#include "export/ui/FrameLineSet.h"

namespace {

QString outFolder;

void Settle() {
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

void Save(QWidget* w, const char* name) {
  Settle();
  const QString path = outFolder + QLatin1Char('/') + QLatin1String(name) + ".png";
  if (!w->grab().save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

// The first node, depth first, whose level is the given one.
QModelIndex FindLevel(QTreeView* tree, zel::TTreeItemModel* model, const QModelIndex& parent,
                      int level, const std::function<bool(zel::TTreeNode&)>& accept) {
  for (int r = 0; r < model->rowCount(parent); ++r) {
    QModelIndex i = model->index(r, 0, parent);
    zel::TTreeNode* node = model->NodeOf(i);
    if (node->Level() == level && accept(*node)) return i;
    if (node->Level() < level) {
      tree->expand(i);
      Settle();
      QModelIndex found = FindLevel(tree, model, i, level, accept);
      if (found.isValid()) return found;
    }
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 7 && argc != 8) {
    std::fprintf(stderr,
                 "usage: %s OUT_FOLDER SETTINGS_FOLDER [HOST PORT USER PASSWORD [DATABASE]]\n",
                 argv[0]);
    return 2;
  }
  zel::ClientLibraryState mySql = zel::ProbeMySqlClientLibrary();
  zel::TApplication app(argc, argv);
  zel::SetUpFonts();
  outFolder = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(outFolder);

  zel::TZelmora forms(zel::StandardReaders(), mySql);
  forms.dCommon.SetProgramFolder(argv[2]);
  // The dialogs were created before the folder was set; load them afresh.
  forms.LogonForm->SetFields(zel::LogonFormFields::Load(forms.dCommon));
  forms.frmSet->LoadSettings();

  zel::TfrmMain& main = *forms.frmMain;
  main.show();
  Save(&main, "main-not-connected");

  forms.LogonForm->show();
  Save(forms.LogonForm.get(), "logon-oracle-or-last");
  forms.LogonForm->PageControl1->setCurrentIndex(1);
  forms.LogonForm->cbSqlServerSecurity->setCurrentIndex(1);
  Save(forms.LogonForm.get(), "logon-sqlserver-windows");
  forms.LogonForm->cbSqlServerSecurity->setCurrentIndex(0);
  forms.LogonForm->PageControl1->setCurrentIndex(2);
  Save(forms.LogonForm.get(), "logon-postgres");
  forms.LogonForm->PageControl1->setCurrentIndex(3);
  Save(forms.LogonForm.get(), "logon-mysql");
  forms.LogonForm->PageControl1->setCurrentIndex(0);
  Save(forms.LogonForm.get(), "logon-oracle");
  forms.LogonForm->hide();

  forms.frmSet->show();
  Save(forms.frmSet.get(), "settings-standard");
  forms.frmSet->SetExcelSetIndex(1);
  zel::TFrameLineSet* no = forms.frmSet->Frame(zel::eiNo);
  no->SetRow("8");
  no->SetCol("C");
  emit no->RowChosen(no);
  emit no->ColChosen(no);
  forms.frmSet->Frame(zel::eiTableName)->SetItem({true, "2", "C"});
  forms.frmSet->Frame(zel::eiCreateDate)->SetItem({false, "3", "H"});
  Save(forms.frmSet.get(), "settings-own-workbook");
  forms.frmSet->reject();

  {
    zel::TfrmVersion about(&main);
    about.show();
    Save(&about, "about");
  }

  if (argc >= 7) {
    auto* logon = forms.LogonForm.get();
    logon->PageControl1->setCurrentIndex(2);
    logon->txtHostNamePostgres->setText(QString::fromLocal8Bit(argv[3]));
    logon->txtPortPostgres->setText(QString::fromLocal8Bit(argv[4]));
    logon->txtUserNamePostgres->setText(QString::fromLocal8Bit(argv[5]));
    logon->txtPasswordPostgres->setText(QString::fromLocal8Bit(argv[6]));
    logon->txtDataBaseNamePostgres->setText(argc == 8 ? QString::fromLocal8Bit(argv[7])
                                                      : QStringLiteral("postgres"));
    QTimer::singleShot(200, logon, [logon] { logon->Button1->click(); });
    main.Browser().Connect();
    Settle();
    Save(&main, "main-connected");

    zel::TTreeItemModel* model = main.TreeModel();
    zel::TBrowser& browser = main.Browser();
    auto any = [](zel::TTreeNode&) { return true; };
    auto withChildren = [&](zel::TTreeNode& n) {
      main.TreeView1->expand(model->IndexOf(&n));
      Settle();
      return n.ChildCount() > 0;
    };
    QModelIndex schema = FindLevel(main.TreeView1, model, {}, browser.FSchemaLevel, withChildren);
    if (schema.isValid()) {
      main.TreeView1->setCurrentIndex(schema);
      Save(&main, "main-table-list");
      // The real table list export, with the save dialog answered.
      // The proposed name, in the output folder; an old file would bring up
      // the overwrite question.
      QFile::remove(outFolder + QStringLiteral("/catalog.sales.list.xlsx"));
      QTimer::singleShot(300, [] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
          d->setDirectory(outFolder);
          static_cast<QDialog*>(d)->accept();
        }
      });
      main.ToolButtonTableList->click();
      Save(&main, "main-after-export");

      // The definition export, caught while it runs: the log page with its
      // stop button and the progress in the status bar.
      QFile::remove(outFolder + QStringLiteral("/catalog.sales.xlsx"));
      QTimer::singleShot(300, [] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
          d->setDirectory(outFolder);
          static_cast<QDialog*>(d)->accept();
        }
      });
      auto progress = forms.exporter->OnProgress;
      bool caught = false;
      forms.exporter->OnProgress = [&](int n, int total, const std::string& name) {
        if (progress) progress(n, total, name);
        if (n == 2 && !caught) {
          caught = true;
          Save(&main, "main-during-export");
        }
      };
      main.ToolButtonDefinition->click();
      forms.exporter->OnProgress = progress;
      main.btnLogOK->click();
      QModelIndex table = FindLevel(main.TreeView1, model, schema, browser.FTableLevel, any);
      if (table.isValid()) {
        main.TreeView1->setCurrentIndex(table);
        Save(&main, "main-table-definition");
      }
    } else {
      std::fprintf(stderr, "no schema with tables found\n");
    }
  }

  main.Browser().WriteLog("Excel　出力開始。");
  main.Browser().WriteLog("テーブル定義書出力　開始：sample");
  main.Browser().WriteLog("Excel　出力正常終了。");
  Save(&main, "main-log");
  return 0;
}
