#include "app/FrmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "app/Application.h"
#include "app/FrmVersion.h"
#include "app/GridDelegate.h"
#include "app/GridView.h"
#include "app/Images.h"
#include "app/Manual.h"
#include "app/QtText.h"
#include "app/TreeItemModel.h"
#include "app/ViewTips.h"
#include "export/TableFilter.h"
#include "export/ui/FrmSet.h"

namespace zel {
namespace {

void SetColour(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, colour);
  w->setPalette(pal);
}

// A tool-bar separator of the given width with the etched line in its middle.
QWidget* Separator(int width) {
  auto* line = new QFrame;
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  line->setFixedSize(width, 32);
  return line;
}

// The desktop's opener runs as a child we can watch: QDesktopServices only
// says whether it started, and xdg-open starts fine on a machine without any
// browser, then fails with nothing said. Its exit code tells. It may also
// run until the browser it started ends, so nothing waits for it.
void OpenWithDesktop(QObject* owner, const QUrl& url, std::function<void()> failed) {
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) {
    if (!QDesktopServices::openUrl(url)) failed();
    return;
  }
  auto* process = new QProcess(owner);  // owned by the window; freed when it ends
  QObject::connect(process, &QProcess::errorOccurred, owner,
                   [process, failed](QProcess::ProcessError error) {
                     if (error != QProcess::FailedToStart) return;
                     failed();
                     process->deleteLater();
                   });
  QObject::connect(process, &QProcess::finished, owner,
                   [process, failed](int code, QProcess::ExitStatus status) {
                     if (status != QProcess::NormalExit || code != 0) failed();
                     process->deleteLater();
                   });
  process->start(opener, {url.isLocalFile() ? url.toLocalFile() : url.toString()});
}

const QColor kNavy(0, 0, 128);
const QColor kOlive(128, 128, 0);

}  // namespace

TfrmMain::TfrmMain(TdCommon& common, IPrompts& prompts, ReaderRegistry registry, QWidget* parent)
    : QMainWindow(parent),
      manualFile(FindManual(QCoreApplication::applicationDirPath())),
      browser_(std::make_unique<TBrowser>(common, prompts, std::move(registry))) {
  setObjectName("frmMain");
  setWindowIcon(QIcon(images::ProgramIcon()));
  resize(800, 600);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }

  BuildMenus();
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  BuildTopPanel();
  column->addWidget(Panel2);

  Splitter1 = new QSplitter(Qt::Horizontal, central);
  Splitter1->setObjectName("Splitter1");
  Splitter1->setChildrenCollapsible(false);
  TreeView1 = new QTreeView(Splitter1);
  TreeView1->setObjectName("TreeView1");
  TreeView1->setHeaderHidden(true);
  TreeView1->setIndentation(19);
  TreeView1->setIconSize(QSize(16, 16));
  TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
  TreeView1->setUniformRowHeights(true);
  TreeView1->setMinimumWidth(40);
  std::vector<QPixmap> treeImages;
  for (int i = 0; i < images::kTreeCount; ++i) treeImages.push_back(images::TreeImage(i));
  treeModel_ = new TTreeItemModel(browser_->TreeView1(), std::move(treeImages), this);
  TreeView1->setModel(treeModel_);
  BuildPages();
  Splitter1->addWidget(TreeView1);
  Splitter1->addWidget(PageControlInfo);
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({177, 800 - 177});
  column->addWidget(Splitter1, 1);
  setCentralWidget(central);

  StatusBar1 = new QLabel;
  StatusBar1->setObjectName("StatusBar1");
  StatusBar1->setMinimumWidth(0);
  statusBar()->setObjectName("StatusBar");
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(StatusBar1, 1);
  lblProgress = new QLabel;
  lblProgress->setObjectName("lblProgress");
  lblProgress->setTextFormat(Qt::PlainText);
  ProgressBar1 = new QProgressBar;
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setFixedWidth(160);
  ProgressBar1->setTextVisible(false);
  statusBar()->addPermanentWidget(lblProgress);
  statusBar()->addPermanentWidget(ProgressBar1);
  lblProgress->hide();
  ProgressBar1->hide();

  connect(TreeView1, &QTreeView::expanded, this, &TfrmMain::TreeView1Expanded);
  connect(treeModel_, &TTreeItemModel::Settled, this, [this] {
    if (clearSelectionWhenSettled_) ClearTreeSelection();
  });
  // A mouse click makes its row current first and selects it afterwards; a
  // keyboard move does both in one step, the current item first. The
  // selection is the one signal that comes once, with the current item in
  // place, for both.
  connect(TreeView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { TreeView1SelectionMoved(); });
  TreeView1->setItemDelegate(new TTreeDelegate(TreeView1));

  listener_ = browser_->AddListener([this](unsigned changes) { BrowserChanged(changes); });
  // The core has already shown the blank page and set the commands of the
  // not-connected state; take them over.
  BrowserChanged(chLabels | chPage | chCommands | chLog | chStatus | chCurrentNode);
  setWindowTitle(QStringLiteral("Zelmora"));
}

TfrmMain::~TfrmMain() {
  browser_->RemoveListener(listener_);
  // The views go before the core whose tree and grids they show.
  TreeView1->setModel(nullptr);
  delete treeModel_;
  delete grdTableDefinition;
  delete grdTableList;
}

void TfrmMain::BuildMenus() {
  auto action = [this](QMenu* menu, const char* name, const QString& text, auto handler) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [handler] { Guarded(handler); });
    return a;
  };
  menuDatabase = menuBar()->addMenu(QStringLiteral("データベース(&F)"));
  menuDatabase->setObjectName("menuDatabase");
  menuConnect =
      action(menuDatabase, "menuConnect", QStringLiteral("接続(&C)"), [this] { Connect(); });
  menuDisconnect =
      action(menuDatabase, "menuDisconnect", QStringLiteral("切断"), [this] { Disconnect(); });
  menuDatabase->addSeparator();
  menuExit = action(menuDatabase, "menuExit", QStringLiteral("終了(&X)"), [this] { close(); });

  menuExcel = menuBar()->addMenu(QStringLiteral("Excel出力(&E)"));
  menuExcel->setObjectName("menuExcel");
  menuTableList = action(menuExcel, "menuTableList", QStringLiteral("テーブル一覧出力"),
                         [this] { RunExport(tableListExport, QStringLiteral("スキーマ")); });
  menuDefinition = action(menuExcel, "menuDefinition", QStringLiteral("テーブル定義書出力"),
                          [this] { RunExport(definitionExport, QStringLiteral("テーブル")); });

  menuExcelSet = menuBar()->addMenu(QStringLiteral("Excel出力設定(&S)"));
  menuExcelSet->setObjectName("menuExcelSet");
  menuSettings = action(menuExcelSet, "menuSettings", QStringLiteral("Excel出力設定(&S)"),
                        [this] { OpenExportSettings(); });

  menuHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  menuHelp->setObjectName("menuHelp");
  menuManual = action(menuHelp, "menuManual", QStringLiteral("マニュアル(&M)"),
                      [this] { menuManualClick(); });
  menuHelp->addSeparator();
  menuAbout = action(menuHelp, "menuAbout", QStringLiteral("バージョン情報(&V)"),
                     [this] { menuAboutClick(); });
}

void TfrmMain::BuildTopPanel() {
  Panel2 = new QWidget;
  Panel2->setObjectName("Panel2");
  Panel2->setFixedHeight(39);
  auto* row = new QHBoxLayout(Panel2);
  row->setContentsMargins(0, 0, 8, 0);
  row->setSpacing(0);

  ToolBar1 = new QToolBar(Panel2);
  ToolBar1->setObjectName("ToolBar1");
  ToolBar1->setIconSize(QSize(32, 32));
  ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setFont(MinchoFont(12));
  ToolBar1->setStyleSheet(QStringLiteral("QToolBar { border: 0px; spacing: 0px; padding: 0px; }"));
  auto button = [this](const char* name, int image, const QString& hint, auto handler) {
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setIcon(QIcon(images::ToolbarImage(image)));
    b->setIconSize(QSize(32, 32));
    b->setFixedSize(39, 38);
    b->setAutoRaise(true);
    b->setToolTip(hint);
    connect(b, &QToolButton::clicked, this, [handler] { Guarded(handler); });
    ToolBar1->addWidget(b);
    return b;
  };
  ToolButtonConnect = button("ToolButtonConnect", images::tbConnect,
                             QStringLiteral("データベース接続"), [this] { Connect(); });
  ToolButtonDisconnect = button("ToolButtonDisconnect", images::tbDisconnect,
                                QStringLiteral("データベース切断"), [this] { Disconnect(); });
  ToolBar1->addWidget(Separator(12));
  ToolButtonTableList =
      button("ToolButtonTableList", images::tbTableList, QStringLiteral("テーブル一覧出力"),
             [this] { RunExport(tableListExport, QStringLiteral("スキーマ")); });
  ToolButtonDefinition =
      button("ToolButtonDefinition", images::tbDefinition, QStringLiteral("テーブル定義書出力"),
             [this] { RunExport(definitionExport, QStringLiteral("テーブル")); });
  ToolBar1->addWidget(Separator(12));
  ToolButtonSettings =
      button("ToolButtonSettings", images::tbSettings, QStringLiteral("Excel出力設定"),
             [this] { ToolButtonSettingsClick(); });
  ToolBar1->addWidget(Separator(8));
  row->addWidget(ToolBar1, 0, Qt::AlignLeft | Qt::AlignVCenter);

  // The catalog-ready flag of the design lives in an invisible check box.
  chkDbOK = new QCheckBox(QStringLiteral("chkDbOK"), Panel2);
  chkDbOK->setObjectName("chkDbOK");
  chkDbOK->hide();

  row->addStretch(1);
  lblDbType = new QLabel(Panel2);
  lblDbType->setObjectName("lblDbType");
  lblDbType->setFont(FormFont(16, true));
  SetColour(lblDbType, kOlive);
  lblDbType->setAlignment(Qt::AlignRight | Qt::AlignTop);
  row->addWidget(lblDbType, 0, Qt::AlignRight | Qt::AlignTop);
}

void TfrmMain::BuildPages() {
  PageControlInfo = new QStackedWidget;
  PageControlInfo->setObjectName("PageControlInfo");
  TabSheetTableDifination = BuildDefinitionPage();
  TabSheetLog = BuildLogPage();
  TabSheetTableList = new QWidget;
  TabSheetTableList->setObjectName("TabSheetTableList");
  auto* listLayout = new QVBoxLayout(TabSheetTableList);
  listLayout->setContentsMargins(0, 0, 0, 0);
  grdTableList = new TGridView(browser_->grdTableList(), TabSheetTableList);
  grdTableList->setObjectName("grdTableList");
  grdTableList->setItemDelegate(new TGridDelegate(
      TGridDelegate::Kind::TableList, {images::GridImage(0), images::GridImage(1)}, grdTableList));
  auto* filterRow = new QHBoxLayout;
  filterRow->setContentsMargins(4, 2, 4, 2);
  auto* filterLabel = new QLabel(QStringLiteral("絞り込み"), TabSheetTableList);
  txtTableFilter = new QLineEdit(TabSheetTableList);
  txtTableFilter->setObjectName("txtTableFilter");
  txtTableFilter->setClearButtonEnabled(true);
  txtTableFilter->setPlaceholderText(QStringLiteral("テーブル名（* ? [ ] が使えます）"));
  filterLabel->setBuddy(txtTableFilter);
  filterRow->addWidget(filterLabel);
  filterRow->addWidget(txtTableFilter, 1);
  listLayout->addLayout(filterRow);
  listLayout->addWidget(grdTableList);
  connect(txtTableFilter, &QLineEdit::textChanged, this, [this] { ApplyTableFilter(); });
  // A list read again (another schema, an export) is narrowed the same way.
  QAbstractItemModel* listModel = grdTableList->model();
  connect(listModel, &QAbstractItemModel::modelReset, this, [this] { ApplyTableFilter(); });
  connect(listModel, &QAbstractItemModel::rowsInserted, this, [this] { ApplyTableFilter(); });
  connect(listModel, &QAbstractItemModel::dataChanged, this, [this] { ApplyTableFilter(); });
  TabSheetBlank = new QWidget;
  TabSheetBlank->setObjectName("TabSheetBlank");
  // The tabs are never shown: the program switches pages itself.
  for (QWidget* page : {TabSheetTableDifination, TabSheetLog, TabSheetTableList, TabSheetBlank})
    PageControlInfo->addWidget(page);
}

QWidget* TfrmMain::BuildDefinitionPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetTableDifination");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* pnlTableInfo = new QWidget(page);
  pnlTableInfo->setObjectName("pnlTableInfo");
  pnlTableInfo->setFixedHeight(41);
  auto* caption = new QLabel(QStringLiteral("テーブル名："), pnlTableInfo);
  caption->setGeometry(8, 5, 80, 14);
  lblTableName = new QLabel(pnlTableInfo);
  lblTableName->setObjectName("lblTableName");
  lblTableName->setGeometry(88, 5, 600, 14);
  lblTableCommentlabel = new QLabel(QStringLiteral("コメント："), pnlTableInfo);
  lblTableCommentlabel->setObjectName("lblTableCommentlabel");
  lblTableCommentlabel->setGeometry(8, 23, 80, 14);
  lblTableComment = new QLabel(pnlTableInfo);
  lblTableComment->setObjectName("lblTableComment");
  lblTableComment->setGeometry(88, 23, 600, 14);
  for (QLabel* value : {lblTableName, lblTableComment}) {
    value->setFont(FormFont(12, true));
    SetColour(value, kNavy);
    value->setTextFormat(Qt::PlainText);
  }
  layout->addWidget(pnlTableInfo);

  grdTableDefinition = new TGridView(browser_->grdTableDefinition(), page);
  grdTableDefinition->setObjectName("grdTableDefinition");
  grdTableDefinition->setItemDelegate(
      new TGridDelegate(TGridDelegate::Kind::TableDefinition,
                        {images::GridImage(0), images::GridImage(1)}, grdTableDefinition));
  layout->addWidget(grdTableDefinition, 1);
  layout->addStretch(0);
  return page;
}

QWidget* TfrmMain::BuildLogPage() {
  auto* page = new QWidget;
  page->setObjectName("TabSheetLog");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  RichEditLog = new QTextEdit(page);
  RichEditLog->setObjectName("RichEditLog");
  RichEditLog->setAcceptRichText(false);
  RichEditLog->setLineWrapMode(QTextEdit::NoWrap);
  layout->addWidget(RichEditLog, 1);
  auto* bottom = new QWidget(page);
  bottom->setFixedHeight(43);
  auto* row = new QHBoxLayout(bottom);
  row->setContentsMargins(8, 9, 8, 9);
  row->addStretch(1);
  btnLogOK = new QPushButton(QStringLiteral("OK"), bottom);
  btnLogOK->setObjectName("btnLogOK");
  btnLogOK->setFixedSize(81, 25);
  row->addWidget(btnLogOK);
  row->addSpacing(8);
  btnLogStop = new QPushButton(QStringLiteral("中止"), bottom);
  btnLogStop->setObjectName("btnLogStop");
  btnLogStop->setFixedSize(81, 25);
  btnLogStop->setEnabled(false);
  row->addWidget(btnLogStop);
  row->addStretch(1);
  layout->addWidget(bottom);
  connect(btnLogOK, &QPushButton::clicked, this,
          [this] { Guarded([this] { browser_->ShowPageForNode(); }); });
  connect(btnLogStop, &QPushButton::clicked, this, [this] { StopExport(); });
  return page;
}

void TfrmMain::BrowserChanged(unsigned changes) {
  if (changes & chLabels) MirrorLabels();
  if (changes & chPage) MirrorPage();
  if (changes & chCommands) MirrorCommands();
  if (changes & chLog) MirrorLog();
  if (changes & chStatus) StatusBar1->setText(Q(browser_->StatusText()));
  if ((changes & chCurrentNode) && !browser_->FCurrentNode()) {
    // The current node went away (a reload or a disconnect): the tree shows
    // no selection rather than one the core does not know about. The core
    // says so while the rows are still being removed, when the view must
    // not be touched; then it waits until the model has settled.
    if (treeModel_->Changing())
      clearSelectionWhenSettled_ = true;
    else
      ClearTreeSelection();
  }
  chkDbOK->setChecked(browser_->chkDbOK());
}

void TfrmMain::ClearTreeSelection() {
  clearSelectionWhenSettled_ = false;
  if (browser_->FCurrentNode() || !TreeView1->currentIndex().isValid()) return;
  syncingTree_ = true;
  TreeView1->selectionModel()->clear();
  syncingTree_ = false;
}

void TfrmMain::MirrorLabels() {
  lblDbType->setText(Q(browser_->lblDbType()));
  lblTableName->setText(Q(browser_->lblTableName()));
  lblTableComment->setText(Q(browser_->lblTableComment()));
  lblTableCommentlabel->setVisible(browser_->lblTableCommentlabelVisible());
}

void TfrmMain::MirrorPage() {
  QWidget* page = TabSheetBlank;
  switch (browser_->ActivePage()) {
    case Page::Log:
      page = TabSheetLog;
      break;
    case Page::TableDefinition:
      page = TabSheetTableDifination;
      break;
    case Page::TableList:
      page = TabSheetTableList;
      break;
    case Page::Blank:
      break;
  }
  PageControlInfo->setCurrentWidget(page);
}

void TfrmMain::MirrorCommands() {
  const CommandState& c = browser_->Commands();
  const bool idle = !exportRunning_;
  // A connection that dropped (a failed reconnect on a selection) leaves the
  // current node in place, but an export could not read anything from it.
  const bool connected = browser_->IsConnected();
  const bool connect = c.connect && idle;
  const bool disconnect = c.disconnect && idle;
  const bool tableList = c.tableList && connected && idle;
  const bool definition = c.definition && connected && idle;
  const bool excelMenu = tableList || definition;
  ToolButtonConnect->setEnabled(connect);
  ToolButtonDisconnect->setEnabled(disconnect);
  ToolButtonTableList->setEnabled(tableList);
  ToolButtonDefinition->setEnabled(definition);
  menuConnect->setEnabled(connect);
  menuDisconnect->setEnabled(disconnect);
  menuTableList->setEnabled(tableList);
  menuDefinition->setEnabled(definition);
  menuExcel->setEnabled(excelMenu);
  menuExcel->menuAction()->setEnabled(excelMenu);
  // The run reloads the tables it documents; a selection or an expansion
  // then would reload them under it.
  TreeView1->setEnabled(idle);
  btnLogStop->setEnabled(exportRunning_);
}

void TfrmMain::MirrorLog() {
  const auto& lines = browser_->LogLines();
  if (lines.size() < logShown_ || lines.empty()) {
    RichEditLog->clear();
    logShown_ = 0;
  }
  if (lines.size() == logShown_) return;
  QTextCursor cursor(RichEditLog->document());
  cursor.movePosition(QTextCursor::Start);
  // The newest line is first in the core's list and goes on top.
  QString block;
  for (size_t i = 0; i < lines.size() - logShown_; ++i) block += Q(lines[i]) + QLatin1Char('\n');
  cursor.insertText(block);
  logShown_ = lines.size();
  // Lines written during a long export show while it runs.
  RichEditLog->viewport()->repaint();
}

void TfrmMain::TreeView1Expanded(const QModelIndex& index) {
  // The view announces an expansion in the middle of its own work (showing
  // a new current item expands its parents first) and goes on using its
  // indexes afterwards. Reloading the children there could delete nodes it
  // still holds, so the reload runs once the view has finished.
  QPersistentModelIndex expanded(index);
  QMetaObject::invokeMethod(
      this,
      [this, expanded] {
        if (exportRunning_) {
          expandAfterExport_.push_back(expanded);
          return;
        }
        TTreeNode* node = expanded.isValid() ? treeModel_->NodeOf(expanded) : nullptr;
        if (!node) return;
        Guarded([this, node] { browser_->TreeView1Expanding(*node); });
      },
      Qt::QueuedConnection);
}

void TfrmMain::TreeView1SelectionMoved() {
  // Moves of the current item that the tree makes while rows are removed, or
  // that the window makes itself, are not the user's selection.
  if (syncingTree_ || treeModel_->Changing() || exportRunning_) return;
  // The view reacts to a new current item before we do and may expand its
  // parent to show it; that reload can delete the very node, so only the
  // view's present current item counts.
  const QModelIndex current = TreeView1->currentIndex();
  // Focus arriving from the keyboard makes the first row current without
  // selecting it: only a current item that is also selected is the user's
  // choice.
  if (!current.isValid() || !TreeView1->selectionModel()->isSelected(current)) return;
  TTreeNode* node = treeModel_->NodeOf(current);
  if (!node) return;
  Guarded([this, node] { browser_->TreeView1Change(*node); });
}

void TfrmMain::Connect() {
  if (exportRunning_) return;
  browser_->Connect();
  chkDbOK->setChecked(browser_->chkDbOK());
}

void TfrmMain::Disconnect() {
  if (exportRunning_) return;
  browser_->Disconnect();
  chkDbOK->setChecked(browser_->chkDbOK());
}

void TfrmMain::ToolButtonSettingsClick() {
  if (exportRunning_) {
    settingsAfterExport_ = true;
    return;
  }
  // Detected on first use and then reused; a failed detection gives the
  // empty text and is tried again next time.
  if (browser_->FExcelVersion.empty() && detectExcelVersion)
    browser_->FExcelVersion = detectExcelVersion();
  OpenExportSettings();
}

void TfrmMain::OpenExportSettings() {
  if (exportRunning_) {
    settingsAfterExport_ = true;
    return;
  }
  if (!frmSet_) return;
  frmSet_->SetFilterIndex(browser_->FExcelVersion.find("12") != std::string::npos ? 1 : 2);
  frmSet_->exec();
}

void TfrmMain::RunExport(const std::function<void()>& hook, const QString& unit) {
  if (!hook || exportRunning_ || !browser_->IsConnected()) return;
  std::optional<std::string> shownOnly;
  if (!AskShownOnly(shownOnly)) return;
  if (exportFilter) exportFilter(shownOnly);
  exportRunning_ = true;
  progressUnit_ = unit;
  MirrorCommands();
  auto finish = [this] {
    exportRunning_ = false;
    if (exportFilter) exportFilter(std::nullopt);
    lblProgress->hide();
    ProgressBar1->hide();
    MirrorCommands();
    std::vector<QPersistentModelIndex> expansions;
    expansions.swap(expandAfterExport_);
    const bool settings = std::exchange(settingsAfterExport_, false);
    // After the handler has unwound, so nothing of the run is on the stack.
    if (closeAfterExport_) {
      closeAfterExport_ = false;
      QMetaObject::invokeMethod(
          this, [this] { close(); }, Qt::QueuedConnection);
      return;
    }
    for (const QPersistentModelIndex& index : expansions)
      if (index.isValid() && TreeView1->isExpanded(index)) TreeView1Expanded(index);
    if (settings)
      QMetaObject::invokeMethod(
          this, [this] { Guarded([this] { ToolButtonSettingsClick(); }); }, Qt::QueuedConnection);
  };
  try {
    hook();
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TfrmMain::ApplyTableFilter() {
  if (!txtTableFilter || !grdTableList) return;
  const std::string text = S(txtTableFilter->text());
  TableFilter filter;
  filter.plainAsSubstring = true;
  // A pattern being typed ("[0-" ...) narrows nothing until it is whole.
  if (!text.empty() && PatternProblem(text).empty()) filter.include.push_back(text);
  const TStringGrid& grid = browser_->grdTableList();
  const int rows = grdTableList->model()->rowCount();
  for (int r = 0; r < rows; ++r) {
    const std::string name = r + 1 < grid.RowCount() ? grid.Cell(1, r + 1) : std::string();
    grdTableList->setRowHidden(r, !filter.KeepsName(name));
  }
}

bool TfrmMain::AskShownOnly(std::optional<std::string>& shownOnly) {
  shownOnly.reset();
  const std::string text = txtTableFilter ? S(txtTableFilter->text()) : std::string();
  TTreeNode* node = browser_->FCurrentNode();
  if (text.empty() || !PatternProblem(text).empty() || !node ||
      node->Level() != browser_->FSchemaLevel)
    return true;
  MessageBoxRequest ask;
  ask.caption = "Zelmora";
  ask.text = "テーブル一覧が「" + text +
             "」で絞り込まれています。\r表示中のテーブルだけを出力しますか？\r"
             "（「いいえ」ですべてのテーブルを出力します）";
  ask.icon = MsgIcon::Question;
  ask.buttons = MsgButtons::YesNoCancel;
  ask.defaultButton = MsgResult::Yes;
  const MsgResult answer = browser_->Prompts().MessageBox(ask);
  if (answer == MsgResult::Cancel) return false;
  if (answer == MsgResult::Yes) shownOnly = text;
  return true;
}

void TfrmMain::StopExport() {
  if (exportRunning_ && stopExport) stopExport(false);
}

void TfrmMain::ShowExportProgress(int n, int total, const std::string& name) {
  lblProgress->setText(
      QStringLiteral("%1 %2 / %3　%4").arg(progressUnit_).arg(n).arg(total).arg(Q(name)));
  ProgressBar1->setRange(0, std::max(total, 1));
  ProgressBar1->setValue(n);
  lblProgress->show();
  ProgressBar1->show();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  if (exportRunning_) {
    closeAfterExport_ = true;
    if (stopExport) stopExport(true);
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TfrmMain::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
      PageControlInfo->currentWidget() == TabSheetLog && exportRunning_) {
    StopExport();
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TfrmMain::menuManualClick() {
  if (manualFile.isEmpty() || !QFileInfo(manualFile).isFile()) {
    QStringList looked = ManualCandidates(QCoreApplication::applicationDirPath());
    if (!manualFile.isEmpty() && !looked.contains(manualFile)) looked.prepend(manualFile);
    browser_->ShowError("マニュアルのファイルが見つかりません。次の場所を探しました。\n" +
                        S(looked.join(QLatin1Char('\n'))));
    return;
  }
  const QString file = manualFile;
  QPointer<TfrmMain> self(this);
  auto failed = [self, file] {
    if (!self) return;
    self->browser_->ShowError(
        "マニュアルを表示できませんでした。ブラウザーを起動できないようです。"
        "マニュアルはこのファイルです。ブラウザーで開いてください。\n" +
        S(file));
  };
  const QUrl url = QUrl::fromLocalFile(file);
  if (openUrl)
    openUrl(url, failed);
  else
    OpenWithDesktop(this, url, failed);
}

void TfrmMain::menuAboutClick() {
  TfrmVersion box(this);
  box.exec();
}

}  // namespace zel
