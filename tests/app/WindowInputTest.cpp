// The main window driven as a user drives it: mouse clicks and keys sent to
// the views at the items' rectangles, against the real test PostgreSQL, with
// the real exporter writing real workbooks. Input that arrives while an
// export runs is sent from inside the run, where the window lets it through.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/Application.h"
#include "app/Forms.h"
#include "app/FrmMain.h"
#include "app/GridView.h"
#include "app/TreeItemModel.h"
#include "catalog/Kinds.h"
#include "common/IniFile.h"
#include "common/Resources.h"
#include "export/Exports.h"
#include "export/ui/FrmSet.h"
#include "support/PgFixture.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

namespace zel {
namespace {

using test::PgServer;

// Pending events really are processed, as the Qt prompts do, and a test can
// act at any of those points of a run.
class RunPrompts : public test::ScriptedPrompts {
 public:
  std::function<void(int call)> onEvents;
  void ProcessPendingEvents() override {
    ++pendingEvents;
    QApplication::processEvents();
    if (onEvents) onEvents(pendingEvents);
  }
};

class WindowInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!test::PgAvailable(srv)) return;
    dbs = new test::PgDatabases(srv);
    catalogDb = dbs->CreateCatalog();
    manyDb = dbs->Create("zel_winmany");
    // Enough tables that a run lasts for many pending-event points.
    test::Psql(srv, manyDb,
               "CREATE SCHEMA many; DO $$ BEGIN FOR i IN 1..40 LOOP EXECUTE format("
               "'CREATE TABLE many.t%s (id integer PRIMARY KEY, name varchar(20))', "
               "lpad(i::text, 2, '0')); END LOOP; END $$; "
               "CREATE SCHEMA few; CREATE TABLE few.a (x integer); CREATE TABLE few.b (y integer); "
               // So many that a run lasts for a good while.
               "CREATE SCHEMA big; DO $$ BEGIN FOR i IN 1..300 LOOP EXECUTE format("
               "'CREATE TABLE big.t%s (id integer PRIMARY KEY, name varchar(20))', "
               "lpad(i::text, 3, '0')); END LOOP; END $$; ANALYZE");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }

  void SetUp() override {
    if (!test::PgAvailable(srv)) {
      if (test::ServersRequired()) FAIL() << "PostgreSQL test server not running";
      GTEST_SKIP() << "PostgreSQL test server not running";
    }
    common.SetProgramFolder(dir.Path());
    window = std::make_unique<TfrmMain>(common, prompts, StandardReaders());
    exporter = std::make_unique<TExporter>(window->Browser());
    WireExports(*window, *exporter);
    window->show();
    SetExceptionHandler([this](const std::string& text) { exceptions.push_back(text); });
  }
  void TearDown() override {
    SetExceptionHandler({});
    if (window && exporter) UnwireExports(*window, *exporter);
    exporter.reset();
    window.reset();
  }

  void Connect(const std::string& database) {
    LogonValues v;
    v.kind = dkPostgres;
    v.postgres.host = srv.host;
    v.postgres.port = srv.port;
    v.postgres.userName = srv.user;
    v.postgres.password = srv.password;
    v.postgres.databaseName = database;
    prompts.logonAnswers.push_back(v);
    QTest::mouseClick(window->ToolButtonConnect, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(window->Browser().chkDbOK());
  }

  QTreeView* Tree() { return window->TreeView1; }
  TTreeItemModel* Model() { return window->TreeModel(); }
  // "db/schema/table" below the root.
  QModelIndex Find(const std::string& path) {
    QModelIndex at = Model()->index(0, 0);
    size_t start = 0;
    while (at.isValid() && start < path.size()) {
      size_t slash = path.find('/', start);
      if (slash == std::string::npos) slash = path.size();
      const std::string part = path.substr(start, slash - start);
      QModelIndex found;
      for (int r = 0; r < Model()->rowCount(at); ++r)
        if (Model()->NodeOf(Model()->index(r, 0, at))->Text() == part)
          found = Model()->index(r, 0, at);
      at = found;
      start = slash + 1;
    }
    return at;
  }
  QPoint RowPoint(const QModelIndex& index) {
    Tree()->scrollTo(index);
    return Tree()->visualRect(index).center();
  }
  QPoint ArrowPoint(const QModelIndex& index) {
    Tree()->scrollTo(index);
    const QRect r = Tree()->visualRect(index);
    return QPoint(r.left() - Tree()->indentation() / 2, r.center().y());
  }
  void Click(const QPoint& at) {
    QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    // The reload of an expanded node runs once the view has finished.
    QApplication::processEvents();
    QApplication::processEvents();
  }
  void ClickRow(const std::string& path) {
    QModelIndex index = Find(path);
    ASSERT_TRUE(index.isValid()) << path;
    Click(RowPoint(index));
  }
  void ClickArrow(const std::string& path) {
    QModelIndex index = path.empty() ? Model()->index(0, 0) : Find(path);
    ASSERT_TRUE(index.isValid()) << path;
    Click(ArrowPoint(index));
  }
  void Key(Qt::Key key) {
    QTest::keyClick(Tree(), key);
    QApplication::processEvents();
  }
  std::string Current() {
    TTreeNode* n = window->Browser().FCurrentNode();
    return n ? n->Text() : std::string("(none)");
  }
  // Connect, Disconnect, list, definition.
  std::string Buttons() const {
    std::string s;
    for (QToolButton* b : {window->ToolButtonConnect, window->ToolButtonDisconnect,
                           window->ToolButtonTableList, window->ToolButtonDefinition})
      s += b->isEnabled() ? '1' : '0';
    return s;
  }
  QWidget* Page() const { return window->PageControlInfo->currentWidget(); }
  std::string LastLog() {
    const auto& lines = window->Browser().LogLines();
    return lines.empty() ? std::string() : lines.front().substr(10);
  }
  int Sessions(const std::string& database) {
    std::string out;
    test::Psql(srv, "postgres",
               "SELECT count(*) FROM pg_stat_activity WHERE datname = '" + database + "'", &out);
    return std::stoi(out);
  }
  // Our own sessions end a moment after their connections close.
  int SettledSessions(const std::string& database, int expected) {
    int n = Sessions(database);
    for (int i = 0; i < 50 && n != expected; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      n = Sessions(database);
    }
    return n;
  }
  // Starts the definition export of the clicked node through its tool
  // button, into `file`.
  void ExportDefinitions(const std::string& file) {
    prompts.saveAnswers.push_back(dir.File(file));
    QTest::mouseClick(window->ToolButtonDefinition, Qt::LeftButton);
    QApplication::processEvents();
  }
  // What a run leaves beside its target besides the target: hidden
  // temporary files.
  std::vector<std::string> Strays() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
      if (e.path().filename().string().front() == '.') names.push_back(e.path().string());
    return names;
  }
  // An earlier document at `file` that the next export is told to replace.
  void Earlier(const std::string& file) {
    test::WriteFile(dir.File(file), "earlier " + file);
    prompts.messageAnswers.push_back(MsgResult::Yes);
  }

  PgServer srv;
  test::TempDir dir;
  RunPrompts prompts;
  TdCommon common{&prompts};
  std::unique_ptr<TfrmMain> window;
  std::unique_ptr<TExporter> exporter;
  std::vector<std::string> exceptions;
  static test::PgDatabases* dbs;
  static std::string catalogDb, manyDb;
};
test::PgDatabases* WindowInputTest::dbs = nullptr;
std::string WindowInputTest::catalogDb, WindowInputTest::manyDb;

TEST_F(WindowInputTest, ClicksAndKeysSelectTheArrowOnlyExpands) {
  Connect(catalogDb);
  ClickArrow("");
  EXPECT_TRUE(Tree()->isExpanded(Model()->index(0, 0)));
  EXPECT_EQ(Current(), "(none)") << "the arrow expands, it does not select";
  ClickArrow(catalogDb);
  EXPECT_TRUE(Tree()->isExpanded(Find(catalogDb)));
  EXPECT_EQ(Current(), "(none)");
  ASSERT_TRUE(Find(catalogDb + "/sales").isValid()) << "the expansion loaded the schemas";
  EXPECT_EQ(Page(), window->TabSheetBlank);

  // A click on a schema selects it: its tables in the list, both exports.
  ClickRow(catalogDb + "/sales");
  EXPECT_EQ(Current(), "sales");
  EXPECT_EQ(Page(), window->TabSheetTableList);
  EXPECT_EQ(window->grdTableList->model()->rowCount(), 3);
  EXPECT_EQ(Buttons(), "0111");
  ClickArrow(catalogDb + "/sales");
  EXPECT_TRUE(Tree()->isExpanded(Find(catalogDb + "/sales")));
  EXPECT_EQ(Current(), "sales");

  // A click on a table: its definition.
  ClickRow(catalogDb + "/sales/customer");
  EXPECT_EQ(Current(), "customer");
  EXPECT_EQ(Page(), window->TabSheetTableDifination);
  EXPECT_EQ(window->lblTableName->text(), "customer");
  EXPECT_GT(window->grdTableDefinition->model()->rowCount(), 1);
  EXPECT_EQ(Buttons(), "0101");

  // Keyboard moves select too, and load what they land on.
  Key(Qt::Key_Down);
  EXPECT_NE(Current(), "customer");
  EXPECT_EQ(window->lblTableName->text().toStdString(), Current());
  Key(Qt::Key_Up);
  EXPECT_EQ(Current(), "customer");

  // What a click selected is what an export acts on: the save dialog
  // proposes the clicked schema.
  ClickRow(catalogDb + "/other");
  EXPECT_EQ(Current(), "other");
  QTest::mouseClick(window->ToolButtonDefinition, Qt::LeftButton);  // cancelled
  ASSERT_EQ(prompts.saveDialogs.size(), 1u);
  EXPECT_EQ(prompts.saveDialogs[0].fileName, catalogDb + ".other.xlsx");
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
}

TEST_F(WindowInputTest, ADatabaseThatRefusesConnectionsLeavesOnlyConnectEnabled) {
  Connect(catalogDb);
  ClickArrow("");
  ClickRow(catalogDb);
  EXPECT_EQ(Buttons(), "0111");
  ClickRow("template0");
  ASSERT_EQ(exceptions.size(), 1u);
  EXPECT_NE(exceptions[0].find("template0"), std::string::npos) << exceptions[0];
  EXPECT_EQ(Buttons(), "1000") << "no export that could only fail in silence";
  EXPECT_FALSE(window->menuExcel->menuAction()->isEnabled());
  // A click on a database that accepts brings everything back.
  ClickRow(catalogDb);
  EXPECT_EQ(Current(), catalogDb);
  EXPECT_EQ(Buttons(), "0111");
}

TEST_F(WindowInputTest, CommandsSentDuringARunDoNothingAndProgressShows) {
  Connect(manyDb);
  ClickArrow("");
  ClickArrow(manyDb);
  ClickRow(manyDb + "/many");
  ASSERT_EQ(Current(), "many");

  std::string during;
  bool treeEnabled = true, stopEnabled = false;
  std::vector<std::pair<int, int>> bar;  // value, maximum
  QString progressText;
  bool sent = false;
  prompts.onEvents = [&](int) {
    if (window->ProgressBar1->isVisible())
      bar.emplace_back(window->ProgressBar1->value(), window->ProgressBar1->maximum());
    if (sent || bar.size() < 3) return;
    sent = true;
    during = Buttons();
    treeEnabled = Tree()->isEnabled();
    stopEnabled = window->btnLogStop->isEnabled();
    progressText = window->lblProgress->text();
    // Every one of these would free or replace the tree under the run.
    QTest::mouseClick(window->ToolButtonDisconnect, Qt::LeftButton);
    QTest::mouseClick(window->ToolButtonConnect, Qt::LeftButton);
    QTest::mouseClick(window->ToolButtonDefinition, Qt::LeftButton);
    QTest::mouseClick(window->ToolButtonTableList, Qt::LeftButton);
    window->menuDisconnect->trigger();
    window->menuDefinition->trigger();
    Click(RowPoint(Find(manyDb + "/few")));
    Click(ArrowPoint(Find(manyDb + "/many")));
    Key(Qt::Key_Down);
  };
  ExportDefinitions("many.xlsx");
  prompts.onEvents = nullptr;

  ASSERT_TRUE(sent);
  EXPECT_EQ(during, "0000");
  EXPECT_FALSE(treeEnabled);
  EXPECT_TRUE(stopEnabled);
  EXPECT_TRUE(progressText.startsWith(QStringLiteral("テーブル "))) << progressText.toStdString();
  EXPECT_TRUE(progressText.contains(QStringLiteral(" / 40　t"))) << progressText.toStdString();
  ASSERT_FALSE(bar.empty());
  EXPECT_EQ(bar.back(), (std::pair<int, int>{40, 40}));
  for (size_t i = 1; i < bar.size(); ++i) EXPECT_LE(bar[i - 1].first, bar[i].first);

  EXPECT_EQ(LastLog(), "Excel　出力正常終了。");
  EXPECT_EQ(prompts.saveDialogs.size(), 1u) << "no second export started inside the first";
  EXPECT_EQ(prompts.logonDialogs, 1) << "no Connect inside the run";
  EXPECT_TRUE(prompts.messages.empty());
  test::WorkbookDump d = test::DumpWorkbook(dir.File("many.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.40"], "t40");
  // Afterwards the window is as it was, with the bar gone.
  EXPECT_EQ(Current(), "many");
  EXPECT_EQ(Buttons(), "0111");
  EXPECT_TRUE(Tree()->isEnabled());
  EXPECT_FALSE(window->ProgressBar1->isVisible());
  EXPECT_FALSE(window->lblProgress->isVisible());
  EXPECT_FALSE(window->btnLogStop->isEnabled());
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
}

TEST_F(WindowInputTest, StopButtonEndsTheRun) {
  Connect(manyDb);
  ClickArrow("");
  ClickArrow(manyDb);
  ClickRow(manyDb + "/big");
  int sessionsBeforeStop = 0;
  prompts.onEvents = [&](int call) {
    if (call != 1) return;
    sessionsBeforeStop = Sessions(manyDb);
    EXPECT_EQ(Page(), window->TabSheetLog);
    QTest::mouseClick(window->btnLogStop, Qt::LeftButton);
  };
  Earlier("stopped.xlsx");
  ExportDefinitions("stopped.xlsx");
  prompts.onEvents = nullptr;

  EXPECT_EQ(sessionsBeforeStop, 1) << "the export reads on the window's one connection";
  EXPECT_EQ(LastLog(), "Excel　出力異常終了。");
  ASSERT_EQ(prompts.MessageTexts().size(), 2u) << "the overwrite question, then the stop";
  EXPECT_EQ(prompts.MessageTexts()[1], "出力を中止しました。");
  EXPECT_EQ(test::ReadFile(dir.File("stopped.xlsx")), "earlier stopped.xlsx")
      << "the earlier document is kept";
  EXPECT_EQ(Strays(), std::vector<std::string>{});
  EXPECT_EQ(SettledSessions(manyDb, 1), 1) << "only the window's own connection is left";
  EXPECT_EQ(Buttons(), "0111");
  EXPECT_FALSE(window->ProgressBar1->isVisible());

  // The next run is not stopped by the last one's request.
  ClickRow(manyDb + "/few");
  ExportDefinitions("again.xlsx");
  EXPECT_EQ(LastLog(), "Excel　出力正常終了。");
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
}

TEST_F(WindowInputTest, EscOnTheLogPageEndsTheRemainingSchemasToo) {
  Connect(manyDb);
  ClickArrow("");
  ClickRow(manyDb);  // the database: one definition document per schema
  ASSERT_GE(Model()->rowCount(Find(manyDb)), 2);
  prompts.saveAnswers.push_back(dir.File("first.xlsx"));
  prompts.saveAnswers.push_back(dir.File("second.xlsx"));
  prompts.onEvents = [&](int call) {
    if (call != 3) return;
    EXPECT_EQ(Page(), window->TabSheetLog);
    QTest::keyClick(window->RichEditLog, Qt::Key_Escape);
  };
  QTest::mouseClick(window->ToolButtonDefinition, Qt::LeftButton);
  prompts.onEvents = nullptr;

  EXPECT_EQ(prompts.saveDialogs.size(), 1u) << "the second schema never started";
  EXPECT_EQ(LastLog(), "Excel　出力異常終了。");
  EXPECT_EQ(prompts.MessageTexts(), std::vector<std::string>{"出力を中止しました。"});
  EXPECT_FALSE(test::FileExists(dir.File("first.xlsx"))) << "a stopped run writes nothing";
  EXPECT_FALSE(test::FileExists(dir.File("second.xlsx")));
  EXPECT_EQ(Strays(), std::vector<std::string>{});
  EXPECT_EQ(Buttons(), "0111");

  // Esc with no run going leaves the log page alone.
  QTest::keyClick(window->RichEditLog, Qt::Key_Escape);
  EXPECT_EQ(Page(), window->TabSheetLog);
  EXPECT_EQ(prompts.messages.size(), 1u);
}

TEST_F(WindowInputTest, ClosingDuringARunStopsItThenCloses) {
  Connect(manyDb);
  ClickArrow("");
  ClickArrow(manyDb);
  ClickRow(manyDb + "/many");
  bool visibleAfterClose = false;
  prompts.onEvents = [&](int call) {
    if (call != 4) return;
    window->close();
    visibleAfterClose = window->isVisible();
  };
  Earlier("closed.xlsx");
  ExportDefinitions("closed.xlsx");
  prompts.onEvents = nullptr;
  EXPECT_TRUE(visibleAfterClose) << "the window waits for the run to end";
  QApplication::processEvents();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(LastLog(), "Excel　出力異常終了。");
  EXPECT_EQ(prompts.messages.size(), 1u) << "the overwrite question; none in the way of closing";
  EXPECT_EQ(test::ReadFile(dir.File("closed.xlsx")), "earlier closed.xlsx");
  EXPECT_EQ(Strays(), std::vector<std::string>{});
  // Closed while idle, it closes at once.
  window->show();
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowInputTest, AnExportReadsItsNodesDatabaseWhereverTheTreeWasExpanded) {
  Connect(manyDb);
  ClickArrow("");
  ClickArrow(manyDb);
  ClickRow(manyDb + "/many");
  // Only the arrow of another database: its schemas are read there, the
  // selection stays.
  ClickArrow(catalogDb);
  ASSERT_TRUE(Find(catalogDb + "/sales").isValid());
  ASSERT_EQ(Current(), "many");
  Earlier("many.xlsx");
  ExportDefinitions("many.xlsx");
  EXPECT_EQ(LastLog(), "Excel　出力正常終了。");
  test::WorkbookDump d = test::DumpWorkbook(dir.File("many.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "40") << "every table of its own database";
  EXPECT_EQ(d["t40!B8"], "s:id");

  // The table list, the same way.
  ClickArrow(catalogDb);  // folds
  ClickArrow(catalogDb);  // unfolds: read again, over there
  prompts.saveAnswers.push_back(dir.File("many.list.xlsx"));
  QTest::mouseClick(window->ToolButtonTableList, Qt::LeftButton);
  d = test::DumpWorkbook(dir.File("many.list.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["Sheet1!B47"], "s:t40");

  // One table: its columns.
  ClickArrow(manyDb + "/many");
  ClickRow(manyDb + "/many/t07");
  ASSERT_EQ(Current(), "t07");
  ClickArrow(catalogDb);
  ClickArrow(catalogDb);
  ExportDefinitions("t07.xlsx");
  d = test::DumpWorkbook(dir.File("t07.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["t07!B8"], "s:id");
  EXPECT_EQ(d["t07!B9"], "s:name");

  // An arrow clicked just before the export starts: the expansion waits for
  // the run instead of reloading under it, and is done afterwards; the
  // settings command sent during the run waits the same way instead of
  // holding the run inside its dialog.
  TfrmSet settings(common);
  window->SetSettingsDialog(&settings);
  ClickRow(manyDb + "/many");
  ClickArrow(catalogDb);  // folds
  test::Psql(srv, catalogDb, "CREATE SCHEMA late; CREATE TABLE late.x (i integer); ANALYZE");
  bool sent = false, settingsDuringRun = false, lateDuringRun = false;
  prompts.onEvents = [&](int) {
    settingsDuringRun = settingsDuringRun || settings.isVisible();
    lateDuringRun = lateDuringRun || Find(catalogDb + "/late").isValid();
    if (sent) return;
    sent = true;
    QTest::mouseClick(window->ToolButtonSettings, Qt::LeftButton);
  };
  Earlier("again.xlsx");
  prompts.saveAnswers.push_back(dir.File("again.xlsx"));
  // No events processed in between: the expansion is still queued.
  QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, Qt::NoModifier,
                    ArrowPoint(Find(catalogDb)));
  QTest::mouseClick(window->ToolButtonDefinition, Qt::LeftButton);
  prompts.onEvents = nullptr;
  EXPECT_TRUE(sent);
  EXPECT_FALSE(settingsDuringRun);
  EXPECT_FALSE(lateDuringRun) << "no reload under the run";
  d = test::DumpWorkbook(dir.File("again.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "40");
  bool settingsShown = false;
  QTimer::singleShot(0, &settings, [&] {
    settingsShown = settings.isVisible();
    settings.reject();
  });
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_TRUE(settingsShown) << "the settings dialog opens once the run has ended";
  EXPECT_TRUE(Find(catalogDb + "/late").isValid()) << "the expansion is done after the run";
  EXPECT_EQ(Current(), "many");
  test::Psql(srv, catalogDb, "DROP SCHEMA late CASCADE");
  window->SetSettingsDialog(nullptr);
  EXPECT_EQ(Strays(), std::vector<std::string>{});
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
}

TEST_F(WindowInputTest, TheListFilterNarrowsAsTypedAndTheExportsAskAboutIt) {
  Connect(manyDb);
  ClickArrow("");
  ClickArrow(manyDb);
  ClickRow(manyDb + "/many");
  ASSERT_EQ(Page(), window->TabSheetTableList);
  QLineEdit* filter = window->txtTableFilter;
  ASSERT_TRUE(filter->isVisible());
  auto shown = [&] {
    std::vector<std::string> names;
    const TStringGrid& grid = window->Browser().grdTableList();
    for (int r = 0; r < window->grdTableList->model()->rowCount(); ++r)
      if (!window->grdTableList->isRowHidden(r)) names.push_back(grid.Cell(1, r + 1));
    return names;
  };
  ASSERT_EQ(shown().size(), 40u);
  QTest::keyClicks(filter, "t0");  // plain text: anywhere in the name
  EXPECT_EQ(shown().size(), 9u);
  EXPECT_EQ(shown().front(), "t01");
  filter->clear();
  QTest::keyClicks(filter, "t[13");  // not a whole pattern yet: all stay
  EXPECT_EQ(shown().size(), 40u);
  QTest::keyClick(filter, Qt::Key_BracketRight);
  EXPECT_TRUE(shown().empty()) << "a pattern matches whole names";
  QTest::keyClick(filter, Qt::Key_Question);
  ASSERT_EQ(shown().size(), 20u);
  EXPECT_EQ(shown()[10], "t30");
  // Reading the list again (another schema and back) keeps it narrowed.
  ClickRow(manyDb + "/few");
  EXPECT_TRUE(shown().empty());
  ClickRow(manyDb + "/many");
  EXPECT_EQ(shown().size(), 20u);

  // Cancel: no export at all.
  prompts.messageAnswers.push_back(MsgResult::Cancel);
  QTest::mouseClick(window->ToolButtonDefinition, Qt::LeftButton);
  QApplication::processEvents();
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].buttons, MsgButtons::YesNoCancel);
  EXPECT_NE(prompts.messages[0].text.find("「t[13]?」"), std::string::npos);
  EXPECT_TRUE(prompts.saveDialogs.empty());

  // Yes: only the shown tables, in both documents.
  prompts.messageAnswers.push_back(MsgResult::Yes);
  ExportDefinitions("shown.xlsx");
  test::WorkbookDump d = test::DumpWorkbook(dir.File("shown.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "20");
  EXPECT_EQ(d["sheet.1"], "t10");
  EXPECT_EQ(d["sheet.20"], "t39");
  prompts.messageAnswers.push_back(MsgResult::Yes);
  prompts.saveAnswers.push_back(dir.File("shown.list.xlsx"));
  QTest::mouseClick(window->ToolButtonTableList, Qt::LeftButton);
  QApplication::processEvents();
  test::WorkbookDump l = test::DumpWorkbook(dir.File("shown.list.xlsx"), false);
  EXPECT_EQ(l["Sheet1!B8"], "s:t10");
  EXPECT_EQ(l["Sheet1!A27"], "n:20");
  EXPECT_EQ(l["Sheet1!B28"], "");
  // The export read the list again; the grid stays narrowed.
  EXPECT_EQ(shown().size(), 20u);

  // No: every table, and the next export without a filter asks nothing.
  prompts.messageAnswers.push_back(MsgResult::No);
  ExportDefinitions("all.xlsx");
  EXPECT_EQ(test::DumpWorkbook(dir.File("all.xlsx"), false)["sheet.count"], "40");

  // Yes with a filter that leaves no table: a box says that nothing is
  // written, and the earlier document stays as it was.
  filter->clear();
  QTest::keyClicks(filter, "zz");
  EXPECT_TRUE(shown().empty());
  for (QToolButton* button : {window->ToolButtonDefinition, window->ToolButtonTableList}) {
    const std::size_t before = prompts.messages.size();
    prompts.messageAnswers.push_back(MsgResult::Yes);
    Earlier("none.xlsx");
    prompts.saveAnswers.push_back(dir.File("none.xlsx"));
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_EQ(prompts.messages.size(), before + 3) << button->objectName().toStdString();
    EXPECT_EQ(prompts.messages.back().text, "条件に合うテーブルがないため出力しません。");
    EXPECT_EQ(prompts.messages.back().icon, MsgIcon::Information);
    EXPECT_EQ(test::ReadFile(dir.File("none.xlsx")), "earlier none.xlsx");
    EXPECT_TRUE(prompts.messageAnswers.empty());
  }
  EXPECT_EQ(Strays(), std::vector<std::string>{});
  const std::size_t asked = prompts.messages.size();
  filter->clear();
  EXPECT_EQ(shown().size(), 40u);
  ExportDefinitions("plain.xlsx");
  EXPECT_EQ(prompts.messages.size(), asked);
  EXPECT_EQ(test::DumpWorkbook(dir.File("plain.xlsx"), false)["sheet.count"], "40");
  EXPECT_TRUE(exceptions.empty()) << exceptions.front();
}

TEST(QtTranslations, StandardButtonsAreJapanese) {
  auto* app = qobject_cast<TApplication*>(QApplication::instance());
  ASSERT_NE(app, nullptr);
  EXPECT_TRUE(app->QtTranslationsLoaded());
  QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
  EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
}

}  // namespace
}  // namespace zel
