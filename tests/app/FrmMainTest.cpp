#include "app/FrmMain.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include "app/Application.h"
#include "app/FrmVersion.h"
#include "app/GridView.h"
#include "app/Manual.h"
#include "app/TreeItemModel.h"
#include "common/IniFile.h"
#include "export/ui/FrmSet.h"
#include "support/ScriptedPrompts.h"
#include "support/ScriptedReader.h"
#include "support/TestEnv.h"

namespace zel {
namespace {

LogonValues Kind(int kind) {
  LogonValues v;
  v.kind = kind;
  v.oracle.host = "ORCL";
  v.sqlServer.host = "sqlhost";
  v.mySql.host = "myhost";
  v.postgres.host = "pghost";
  return v;
}

class FrmMainTest : public ::testing::Test {
 protected:
  FrmMainTest() : common(&prompts), catalog(test::SampleCatalog()) {
    common.SetProgramFolder(dir.Path());
    ReaderRegistry readers;
    for (int kind : {dkOracle, dkSqlServer, dkPostgres, dkMySql})
      readers.Register(kind, [this](TBrowser& browser) {
        auto r = std::make_unique<test::ScriptedReader>(browser, catalog);
        r->failConnect = failConnect;
        reader = r.get();
        return r;
      });
    window = std::make_unique<TfrmMain>(common, prompts, std::move(readers));
    window->show();
    SetExceptionHandler([this](const std::string& text) { exceptions.push_back(text); });
  }
  ~FrmMainTest() override { SetExceptionHandler({}); }

  void Connect(int kind) {
    prompts.logonAnswers.push_back(Kind(kind));
    window->ToolButtonConnect->click();
    QApplication::processEvents();
  }
  QModelIndex Find(const std::string& path) {
    // "sales/public/customer" from the root's children down.
    TTreeItemModel* m = window->TreeModel();
    QModelIndex at = m->index(0, 0);
    size_t start = 0;
    while (start <= path.size()) {
      size_t slash = path.find('/', start);
      std::string part =
          path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
      QModelIndex found;
      for (int r = 0; r < m->rowCount(at); ++r)
        if (m->NodeOf(m->index(r, 0, at))->Text() == part) found = m->index(r, 0, at);
      if (!found.isValid()) {
        ADD_FAILURE() << "no node " << part;
        return {};
      }
      at = found;
      if (slash == std::string::npos) break;
      start = slash + 1;
    }
    return at;
  }
  // Expands the root and every node above the path's last one, the way a
  // user opens the tree before clicking; then finds the node afresh.
  QModelIndex Open(const std::string& path) {
    QModelIndex root = window->TreeModel()->index(0, 0);
    if (!window->TreeView1->isExpanded(root)) Expand(root);
    for (size_t slash = path.find('/'); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
      QModelIndex above = Find(path.substr(0, slash));
      if (!window->TreeView1->isExpanded(above)) Expand(above);
    }
    return Find(path);
  }
  // As a user does: the node must be visible before it can be clicked.
  void Select(const QModelIndex& index) {
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
      ASSERT_TRUE(window->TreeView1->isExpanded(p)) << "select only what can be seen";
    window->TreeView1->setCurrentIndex(index);
    QApplication::processEvents();
  }
  void Expand(const QModelIndex& index) {
    window->TreeView1->expand(index);
    QApplication::processEvents();
  }
  // Enabled state of the tool buttons Connect, Disconnect, list, definition.
  std::string Buttons() const {
    std::string s;
    for (QToolButton* b : {window->ToolButtonConnect, window->ToolButtonDisconnect,
                           window->ToolButtonTableList, window->ToolButtonDefinition})
      s += b->isEnabled() ? '1' : '0';
    return s;
  }
  void ExpectMenusMirrorButtons() {
    EXPECT_EQ(window->menuConnect->isEnabled(), window->ToolButtonConnect->isEnabled());
    EXPECT_EQ(window->menuDisconnect->isEnabled(), window->ToolButtonDisconnect->isEnabled());
    EXPECT_EQ(window->menuTableList->isEnabled(), window->ToolButtonTableList->isEnabled());
    EXPECT_EQ(window->menuDefinition->isEnabled(), window->ToolButtonDefinition->isEnabled());
    EXPECT_EQ(window->menuExcel->menuAction()->isEnabled(),
              window->menuTableList->isEnabled() || window->menuDefinition->isEnabled());
    for (QAction* a :
         {window->menuSettings, window->menuExit, window->menuManual, window->menuAbout})
      EXPECT_TRUE(a->isEnabled());
    EXPECT_TRUE(window->ToolButtonSettings->isEnabled());
  }
  QWidget* Page() const { return window->PageControlInfo->currentWidget(); }

  test::TempDir dir;
  test::ScriptedPrompts prompts;
  TdCommon common;
  test::FakeCatalog catalog;
  test::ScriptedReader* reader = nullptr;
  bool failConnect = false;
  std::unique_ptr<TfrmMain> window;
  std::vector<std::string> exceptions;
};

TEST_F(FrmMainTest, WindowAsDesigned) {
  EXPECT_EQ(window->windowTitle(), "Zelmora");
  EXPECT_EQ(window->size(), QSize(800, 600));
  QStringList menus;
  for (QAction* a : window->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus,
            (QStringList{"データベース(&F)", "Excel出力(&E)", "Excel出力設定(&S)", "ヘルプ(&H)"}));
  auto entries = [](QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
  };
  EXPECT_EQ(entries(window->menuDatabase), (QStringList{"接続(&C)", "切断", "-", "終了(&X)"}));
  EXPECT_EQ(entries(window->menuExcel), (QStringList{"テーブル一覧出力", "テーブル定義書出力"}));
  EXPECT_EQ(entries(window->menuExcelSet), (QStringList{"Excel出力設定(&S)"}));
  EXPECT_EQ(entries(window->menuHelp), (QStringList{"マニュアル(&M)", "-", "バージョン情報(&V)"}));

  // Tool bar: five buttons and separators of 12, 12 and 8 pixels, in order.
  QStringList bar;
  for (QAction* a : window->ToolBar1->actions()) {
    QWidget* w = window->ToolBar1->widgetForAction(a);
    if (auto* b = qobject_cast<QToolButton*>(w)) {
      bar << b->toolTip();
      EXPECT_EQ(b->size(), QSize(39, 38));
      EXPECT_EQ(b->iconSize(), QSize(32, 32));
      EXPECT_FALSE(b->icon().isNull());
      EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonIconOnly);
    } else {
      bar << QString::number(w->width());
    }
  }
  EXPECT_EQ(bar, (QStringList{"データベース接続", "データベース切断", "12", "テーブル一覧出力",
                              "テーブル定義書出力", "12", "Excel出力設定", "8"}));

  EXPECT_EQ(Buttons(), "1000");
  ExpectMenusMirrorButtons();
  EXPECT_EQ(Page(), window->TabSheetBlank);
  EXPECT_EQ(window->TreeView1->indentation(), 19);
  EXPECT_EQ(window->TreeView1->width(), 177);
  EXPECT_FALSE(window->grdTableDefinition->isVisibleTo(window->TabSheetTableDifination));
  EXPECT_TRUE(window->lblDbType->text().isEmpty());
}

TEST_F(FrmMainTest, CommandsFollowTheLevelOfTheSelectedNode) {
  Connect(dkSqlServer);
  EXPECT_EQ(window->lblDbType->text(), "FakeSQL 1.0");
  EXPECT_EQ(Buttons(), "0100");
  Select(window->TreeModel()->index(0, 0));  // server, below the database level
  EXPECT_EQ(Buttons(), "0100");
  ExpectMenusMirrorButtons();
  EXPECT_FALSE(window->menuExcel->menuAction()->isEnabled());
  EXPECT_EQ(Page(), window->TabSheetBlank);

  Select(Open("sales"));
  EXPECT_EQ(Buttons(), "0111");
  ExpectMenusMirrorButtons();
  EXPECT_EQ(Page(), window->TabSheetBlank);

  Select(Open("sales/public"));
  EXPECT_EQ(Buttons(), "0111");
  EXPECT_EQ(Page(), window->TabSheetTableList);
  EXPECT_EQ(window->grdTableList->model()->rowCount(), 3);
  EXPECT_EQ(window->grdTableList->model()->index(0, 2).data().toString(), "顧客マスタ");

  Select(Open("sales/public/customer"));
  EXPECT_EQ(Buttons(), "0101");
  ExpectMenusMirrorButtons();
  EXPECT_TRUE(window->menuExcel->menuAction()->isEnabled());
  EXPECT_EQ(Page(), window->TabSheetTableDifination);
  EXPECT_TRUE(window->grdTableDefinition->isVisible());
  EXPECT_EQ(window->lblTableName->text(), "customer");
  EXPECT_EQ(window->lblTableComment->text(), "顧客マスタ");
  EXPECT_TRUE(window->lblTableCommentlabel->isVisible());
  EXPECT_EQ(window->grdTableDefinition->model()->rowCount(), 3);

  Select(Open("sales/public/orders"));  // no comment: no caption
  EXPECT_FALSE(window->lblTableCommentlabel->isVisible());
  EXPECT_TRUE(window->lblTableComment->text().isEmpty());

  window->ToolButtonDisconnect->click();
  EXPECT_EQ(Buttons(), "1000");
  EXPECT_EQ(window->TreeModel()->rowCount(), 0);
  EXPECT_TRUE(window->lblDbType->text().isEmpty());
  EXPECT_EQ(Page(), window->TabSheetBlank);
  EXPECT_FALSE(window->grdTableDefinition->isVisibleTo(window->TabSheetTableDifination));
  ExpectMenusMirrorButtons();
  EXPECT_TRUE(exceptions.empty());
}

TEST_F(FrmMainTest, HostIsTheDatabaseForOracleAndMySql) {
  // Without the MySQL client library Connect says so and stays unconnected.
  window->Browser().mySqlLibraryLoaded = false;
  window->Browser().mySqlLibraryName = "libmariadb.so.3";
  Connect(dkMySql);
  ASSERT_EQ(prompts.MessageTexts().size(), 1u);
  EXPECT_NE(
      prompts.MessageTexts()[0].find("に接続できませんでした。MySQL のクライアントライブラリ"),
      std::string::npos);
  EXPECT_NE(prompts.MessageTexts()[0].find("\n\nlibmariadb.so.3 load failed."), std::string::npos);
  EXPECT_EQ(Buttons(), "1000");
  window->Browser().mySqlLibraryLoaded = true;

  for (int kind : {dkOracle, dkMySql}) {
    Connect(kind);
    Select(window->TreeModel()->index(0, 0));
    EXPECT_EQ(Buttons(), "0111") << kind;
    // Expanding the root loads nothing and keeps the schemas of the connect.
    const int schemas = window->TreeModel()->rowCount(window->TreeModel()->index(0, 0));
    window->TreeView1->collapse(window->TreeModel()->index(0, 0));
    Expand(window->TreeModel()->index(0, 0));
    EXPECT_EQ(window->TreeModel()->rowCount(window->TreeModel()->index(0, 0)), schemas);
    Select(Open("public/items"));
    EXPECT_EQ(Buttons(), "0101");
    window->menuDisconnect->trigger();
    EXPECT_EQ(Buttons(), "1000");
  }
}

TEST_F(FrmMainTest, ConnectThatIsCancelledOrFailsLeavesNothing) {
  window->menuConnect->trigger();  // no answer queued: the dialog is cancelled
  EXPECT_EQ(prompts.logonDialogs, 1);
  EXPECT_EQ(Buttons(), "1000");
  EXPECT_EQ(window->TreeModel()->rowCount(), 0);
  EXPECT_EQ(window->Browser().FDbKind, dkNone);

  failConnect = true;
  Connect(dkSqlServer);
  EXPECT_EQ(prompts.MessageTexts(),
            std::vector<std::string>{"could not connect to server: Connection refused"});
  EXPECT_EQ(window->TreeModel()->rowCount(), 0) << "no root node is left behind";
  EXPECT_EQ(Buttons(), "1000");
  EXPECT_TRUE(window->lblDbType->text().isEmpty());
  EXPECT_FALSE(window->chkDbOK->isChecked());

  failConnect = false;
  Connect(dkSqlServer);
  EXPECT_TRUE(window->chkDbOK->isChecked());
  EXPECT_EQ(Buttons(), "0100");
  // Connect while connected does nothing and shows no dialog.
  const int dialogs = prompts.logonDialogs;
  window->menuConnect->trigger();
  EXPECT_EQ(prompts.logonDialogs, dialogs);
}

TEST_F(FrmMainTest, ExpandingAndSelectingKeepTheTreeConsistent) {
  Connect(dkPostgres);
  QModelIndex sales = Open("sales");
  Expand(sales);
  EXPECT_EQ(window->TreeModel()->rowCount(sales), 2);
  EXPECT_TRUE(window->TreeModel()->hasChildren(Find("sales/empty")))
      << "an unloaded schema shows an expand button";
  QModelIndex pub = Find("sales/public");
  Expand(pub);
  Select(pub);
  EXPECT_EQ(window->TreeModel()->rowCount(pub), 3) << "each table once";
  EXPECT_EQ(window->grdTableList->model()->rowCount(), 3);
  EXPECT_FALSE(window->TreeModel()->hasChildren(Find("sales/public/items")));
  EXPECT_TRUE(window->TreeView1->isExpanded(pub));

  // The current table goes away when its schema is reloaded: the core
  // forgets it and the tree shows no selection.
  Select(Open("sales/public/items"));
  ASSERT_NE(window->Browser().FCurrentNode(), nullptr);
  window->TreeView1->collapse(pub);
  Expand(pub);
  EXPECT_EQ(window->Browser().FCurrentNode(), nullptr);
  EXPECT_FALSE(window->TreeView1->currentIndex().isValid());
  EXPECT_EQ(Buttons(), "0100");
  EXPECT_EQ(window->TreeModel()->rowCount(pub), 3);
  EXPECT_TRUE(window->TreeView1->isExpanded(pub));

  // Selecting after that works on the new nodes.
  Select(Open("sales/public/orders"));
  EXPECT_EQ(window->lblTableName->text(), "orders");
  EXPECT_TRUE(exceptions.empty());

  // An empty schema: the list shows one empty row.
  Select(Open("sales/empty"));
  EXPECT_EQ(window->grdTableList->model()->rowCount(), 1);
  EXPECT_EQ(window->TreeModel()->rowCount(Find("sales/empty")), 0);
}

TEST_F(FrmMainTest, KeyboardFocusSelectsNothing) {
  Connect(dkPostgres);
  Expand(window->TreeModel()->index(0, 0));
  const int reconnects = reader->reconnects;
  QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(window->TreeView1, &focus);
  QApplication::processEvents();
  EXPECT_EQ(window->TreeView1->currentIndex(), window->TreeModel()->index(0, 0))
      << "the view makes the first row current on focus";
  EXPECT_EQ(window->Browser().FCurrentNode(), nullptr);
  EXPECT_EQ(reader->reconnects, reconnects) << "no reconnect for a node nobody chose";
  // Arrow keys then select as a click does.
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(window->TreeView1, &down);
  QApplication::processEvents();
  ASSERT_NE(window->Browser().FCurrentNode(), nullptr);
  EXPECT_EQ(window->Browser().FCurrentNode()->Text(), "sales");
}

TEST_F(FrmMainTest, NodeDeletedWhileBecomingCurrentIsNotUsed) {
  Connect(dkSqlServer);
  QModelIndex sales = Open("sales");
  Expand(sales);
  window->TreeView1->collapse(sales);
  // Making a hidden node current lets the view expand its parent first; the
  // reload of the parent that follows deletes the node the core just took.
  window->TreeView1->setCurrentIndex(Find("sales/public"));
  QApplication::processEvents();
  EXPECT_TRUE(exceptions.empty());
  EXPECT_EQ(window->Browser().FCurrentNode(), nullptr);
  EXPECT_FALSE(window->TreeView1->currentIndex().isValid());
  EXPECT_EQ(Buttons(), "0100");
  const int loads = reader->tableLoads;
  Select(Open("sales/public"));
  EXPECT_EQ(window->Browser().FCurrentNode()->Text(), "public");
  EXPECT_EQ(reader->tableLoads, loads + 1);
  EXPECT_EQ(window->TreeModel()->rowCount(Find("sales/public")), 3);
}

TEST_F(FrmMainTest, ErrorsFromTreeEventsAreShownAndTheProgramCarriesOn) {
  Connect(dkPostgres);
  reader->throwOnLoad = true;
  Select(Open("sales/public"));
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_EQ(exceptions[0], "server closed the connection unexpectedly");
  reader->throwOnLoad = false;
  reader->failReconnect = true;
  Select(Open("hr"));
  ASSERT_EQ(exceptions.size(), 2u);
  EXPECT_NE(exceptions[1].find("does not exist"), std::string::npos);
  EXPECT_EQ(Buttons().substr(0, 2), "10")
      << "the dropped PostgreSQL connection enables Connect again";
  reader->failReconnect = false;
  Select(Open("sales"));
  EXPECT_EQ(Buttons(), "0111");
}

TEST_F(FrmMainTest, LogLinesGoOnTopAndOkReturnsToThePage) {
  Connect(dkSqlServer);
  Select(Open("sales/public"));
  window->Browser().clock = [] { return std::string("10:00:00"); };
  window->Browser().WriteLog("first");
  window->Browser().WriteLog("second");
  EXPECT_EQ(Page(), window->TabSheetLog);
  EXPECT_EQ(window->RichEditLog->toPlainText(), "10:00:00  second\n10:00:00  first\n");
  window->btnLogOK->click();
  EXPECT_EQ(Page(), window->TabSheetTableList);

  window->RichEditLog->setPlainText("typed by the user\n");
  window->Browser().WriteLog("third");
  EXPECT_EQ(window->RichEditLog->toPlainText(), "10:00:00  third\ntyped by the user\n");
  window->Browser().ClearLog();
  EXPECT_EQ(window->RichEditLog->toPlainText(), "");
  window->Browser().WriteLog("again");
  EXPECT_EQ(window->RichEditLog->toPlainText(), "10:00:00  again\n");
}

TEST_F(FrmMainTest, ExportCommandsRunTheirHooks) {
  int lists = 0, definitions = 0;
  window->tableListExport = [&] { ++lists; };
  window->definitionExport = [&] {
    ++definitions;
    throw std::runtime_error("Excel　出力異常終了。");
  };
  Connect(dkSqlServer);
  Select(Open("sales/public"));
  window->ToolButtonTableList->click();
  window->menuTableList->trigger();
  window->ToolButtonDefinition->click();
  window->menuDefinition->trigger();
  EXPECT_EQ(lists, 2);
  EXPECT_EQ(definitions, 2);
  EXPECT_EQ(exceptions.size(), 2u) << "a failing hook is shown, the window carries on";
}

TEST_F(FrmMainTest, ExportSettingsPresetTheFileFilterByExcelVersion) {
  TfrmSet settings(common);
  window->SetSettingsDialog(&settings);
  std::vector<int> seen;
  auto closeWhenShown = [&] {
    QTimer::singleShot(0, &settings, [&] {
      seen.push_back(settings.FilterIndex());
      settings.reject();
    });
  };
  int detections = 0;
  std::string version = "12.0";
  window->detectExcelVersion = [&] {
    ++detections;
    return version;
  };
  closeWhenShown();
  window->menuSettings->trigger();  // the menu does not detect: empty version
  EXPECT_EQ(detections, 0);
  closeWhenShown();
  window->ToolButtonSettings->click();
  EXPECT_EQ(window->Browser().FExcelVersion, "12.0");
  closeWhenShown();
  window->menuSettings->trigger();  // detected once, reused
  EXPECT_EQ(seen, (std::vector<int>{2, 1, 1}));
  EXPECT_EQ(detections, 1);

  for (const char* v : {"11.0", "14.0", ""}) {
    window->Browser().FExcelVersion.clear();
    version = v;
    closeWhenShown();
    window->ToolButtonSettings->click();
    EXPECT_EQ(seen.back(), 2) << v;
  }
  window->SetSettingsDialog(nullptr);
}

TEST_F(FrmMainTest, HelpOpensTheManualAndTheAboutBoxShowsTheFileVersion) {
  // The manual this program ships, from the build folder where the build
  // copied it; the test program stands in tests/app, the window in src/app.
  const QString build = QStringLiteral(ZEL_BINARY_DIR);
  const QString fromBuild = build + "/share/doc/zelmora/manual/index.html";
  EXPECT_EQ(FindManual(build + "/src/app"), fromBuild);
  EXPECT_EQ(FindManual(QStringLiteral("/nonexistent/bin")), QString());

  std::vector<QUrl> opened;
  window->manualFile = fromBuild;
  window->openUrl = [&](const QUrl& url, std::function<void()> failed) {
    opened.push_back(url);
    failed();  // no browser
  };
  window->menuManual->trigger();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(fromBuild));
  EXPECT_EQ(prompts.MessageTexts(),
            std::vector<std::string>{"マニュアルを表示できませんでした。ブラウザーを起動できない"
                                     "ようです。マニュアルはこのファイルです。ブラウザーで開いて"
                                     "ください。\n" +
                                     fromBuild.toStdString()});

  // Not there at all: the places looked at are named.
  prompts.messages.clear();
  window->manualFile.clear();
  window->menuManual->trigger();
  EXPECT_EQ(opened.size(), 1u);
  ASSERT_EQ(prompts.MessageTexts().size(), 1u);
  EXPECT_EQ(prompts.MessageTexts()[0].rfind(
                "マニュアルのファイルが見つかりません。次の場所を探しました。\n", 0),
            0u);
  EXPECT_NE(prompts.MessageTexts()[0].find("share/doc/zelmora/manual/index.html"),
            std::string::npos);

  // The desktop's own opener: one that fails is reported once it has ended,
  // one that works is left to run.
  const std::string bin = dir.File("bin");
  std::filesystem::create_directories(bin);
  const std::string seen = dir.File("opened.txt");
  test::WriteFile(bin + "/xdg-open",
                  "#!/bin/sh\nprintf %s \"$1\" > " + seen + "\nexit ${ZEL_OPEN_EXIT:-0}\n");
  std::filesystem::permissions(bin + "/xdg-open", std::filesystem::perms::owner_all);
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(bin) + ":" + path);
  window->openUrl = nullptr;
  window->manualFile = fromBuild;
  for (const char* code : {"0", "4"}) {
    prompts.messages.clear();
    std::filesystem::remove(seen);
    qputenv("ZEL_OPEN_EXIT", code);
    window->menuManual->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(test::FileExists(seen), 10000);
    EXPECT_EQ(test::ReadFile(seen), fromBuild.toStdString());
    if (std::string(code) == "0") {
      QTest::qWait(300);
      EXPECT_TRUE(prompts.messages.empty()) << code;
    } else {
      QTRY_COMPARE_WITH_TIMEOUT(prompts.messages.size(), size_t{1}, 10000);
      EXPECT_NE(prompts.messages[0].text.find(fromBuild.toStdString()), std::string::npos);
    }
  }
  qputenv("PATH", path);
  qunsetenv("ZEL_OPEN_EXIT");

  TfrmVersion box;
  std::vector<QUrl> links;
  box.openUrl = [&](const QUrl& url) { links.push_back(url); };
  box.show();
  EXPECT_EQ(box.lblVersion->text(), "1.0.0.42") << "read from this test program's own file";
  EXPECT_EQ(box.lblVersion->x(), box.StaticText1->x()) << "no blank before the version";
  EXPECT_EQ(box.windowTitle(), "バージョン情報");
  EXPECT_EQ(box.size(), QSize(396, 150));
  EXPECT_EQ(box.StaticText1->text(), "Zelmora");
  QMouseEvent click(QEvent::MouseButtonRelease, QPointF(3, 3),
                    box.lblUrl->mapToGlobal(QPointF(3, 3)), Qt::LeftButton, Qt::NoButton,
                    Qt::NoModifier);
  QApplication::sendEvent(box.lblUrl, &click);
  ASSERT_EQ(links.size(), 1u);
  EXPECT_EQ(links[0].toString(), box.lblUrl->text());
  // Closed by its OK button, by Enter and by Esc, with no title bar needed.
  ASSERT_NE(box.btnOK, nullptr);
  EXPECT_TRUE(box.rect().contains(box.btnOK->geometry()));
  for (const QRect& label : {box.StaticText3->geometry(), box.lblUrl->geometry()})
    EXPECT_FALSE(label.intersects(box.btnOK->geometry()));
  QTest::mouseClick(box.btnOK, Qt::LeftButton);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Accepted);
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    box.show();
    ASSERT_TRUE(box.isVisible());
    QTest::keyClick(&box, key);
    EXPECT_FALSE(box.isVisible()) << key;
  }

  // Another file, another version; a file without one shows nothing.
  TfrmVersion other;
  other.executablePath = "/bin/true";
  other.show();
  EXPECT_EQ(other.lblVersion->text(), "");
}

// Installed as `cmake --install` installs it (the Debian package is made
// from the same rules): the program in <prefix>/bin finds the manual.
TEST(Manual, FoundFromAnInstalledLayout) {
  test::TempDir stage;
  const std::string command = "DESTDIR=" + test::ShellQuote(stage.Path()) + " cmake --install " +
                              test::ShellQuote(ZEL_BINARY_DIR) + " --prefix /usr >/dev/null";
  ASSERT_EQ(test::RunCommand(command), 0) << command;
  const QString prefix = QString::fromStdString(stage.Path()) + "/usr";
  ASSERT_TRUE(QFileInfo(prefix + "/bin/zelmora").isExecutable());
  EXPECT_EQ(FindManual(prefix + "/bin"), prefix + "/share/doc/zelmora/manual/index.html");
}

}  // namespace
}  // namespace zel
