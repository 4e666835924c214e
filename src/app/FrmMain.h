#pragma once
// The main window. It owns the browser core, forwards the user's commands and
// tree events to it and mirrors what the core publishes: labels, the page
// shown, enabled commands, status text and log lines.
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/Browser.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QModelIndex;
class QCloseEvent;
class QKeyEvent;
class QProgressBar;
class QPushButton;
class QSplitter;
class QStackedWidget;
class QTextEdit;
class QToolBar;
class QToolButton;
class QTreeView;
class QUrl;

namespace zel {

class TfrmSet;
class TGridView;
class TTreeItemModel;

class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  TfrmMain(TdCommon& common, IPrompts& prompts, ReaderRegistry registry, QWidget* parent = nullptr);
  ~TfrmMain() override;

  TBrowser& Browser() { return *browser_; }
  void SetSettingsDialog(TfrmSet* dialog) { frmSet_ = dialog; }

  // Export hooks, run by the menu entries and the tool buttons alike.
  std::function<void()> tableListExport;
  std::function<void()> definitionExport;
  // Which tables the next export of a schema covers: the list's filter
  // text (matched as TableFilter does, plain text anywhere in the name), or
  // nothing for all of them.
  std::function<void(const std::optional<std::string>& shownOnly)> exportFilter;
  // The installed spreadsheet engine's version; ours writes Excel 2007 files.
  std::function<std::string()> detectExcelVersion = [] { return std::string("12.0"); };
  // Asks the running export to stop; quiet when the window is closing.
  std::function<void(bool quiet)> stopExport;
  // Opens a file in the desktop's viewer and runs `failed`, perhaps later,
  // when it could not be shown. Empty: the desktop's opener. Tests record.
  std::function<void(const QUrl&, std::function<void()> failed)> openUrl;
  // The shipped manual's first page (FindManual); empty when not found.
  QString manualFile;

  // An export reports the sheet (or workbook) it starts: shown with a bar
  // in the status bar until the run ends.
  void ShowExportProgress(int n, int total, const std::string& name);
  bool ExportRunning() const { return exportRunning_; }

  // Preset the file chooser of the settings dialog by FExcelVersion, then
  // show the dialog modally.
  void OpenExportSettings();

  // --- controls, named as designed ---
  QWidget* Panel2 = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QToolButton *ToolButtonConnect = nullptr, *ToolButtonDisconnect = nullptr,
              *ToolButtonTableList = nullptr, *ToolButtonDefinition = nullptr,
              *ToolButtonSettings = nullptr;
  QLabel* lblDbType = nullptr;
  QCheckBox* chkDbOK = nullptr;
  QTreeView* TreeView1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QStackedWidget* PageControlInfo = nullptr;
  QWidget *TabSheetTableDifination = nullptr, *TabSheetLog = nullptr, *TabSheetTableList = nullptr,
          *TabSheetBlank = nullptr;
  QLabel *lblTableName = nullptr, *lblTableCommentlabel = nullptr, *lblTableComment = nullptr;
  TGridView* grdTableDefinition = nullptr;
  TGridView* grdTableList = nullptr;
  QLineEdit* txtTableFilter = nullptr;  // narrows grdTableList as the user types
  // Hides the list rows whose table name the filter text does not match.
  void ApplyTableFilter();
  QTextEdit* RichEditLog = nullptr;
  QPushButton* btnLogOK = nullptr;
  QPushButton* btnLogStop = nullptr;  // "中止", usable while an export runs
  QLabel* StatusBar1 = nullptr;
  QLabel* lblProgress = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QMenu *menuDatabase = nullptr, *menuExcel = nullptr, *menuExcelSet = nullptr, *menuHelp = nullptr;
  QAction *menuConnect = nullptr, *menuDisconnect = nullptr, *menuExit = nullptr,
          *menuTableList = nullptr, *menuDefinition = nullptr, *menuSettings = nullptr,
          *menuManual = nullptr, *menuAbout = nullptr;
  TTreeItemModel* TreeModel() const { return treeModel_; }

 protected:
  // Closing during an export stops it first; the window closes when the
  // run has ended.
  void closeEvent(QCloseEvent* event) override;
  // Esc on the log page stops a running export.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildMenus();
  void BuildTopPanel();
  void BuildPages();
  QWidget* BuildDefinitionPage();
  QWidget* BuildLogPage();

  void BrowserChanged(unsigned changes);
  void MirrorLabels();
  void MirrorPage();
  void MirrorCommands();
  void MirrorLog();
  void ClearTreeSelection();

  // The catalog-ready flag changes without a notice from the core.
  void Connect();
  void Disconnect();
  void TreeView1Expanded(const QModelIndex& index);
  void TreeView1SelectionMoved();
  // Runs an export hook. While it runs the window keeps handling input, so
  // everything that could change the tree or the connection under it is
  // off until it returns.
  void RunExport(const std::function<void()>& hook, const QString& unit);
  void StopExport();
  // With a filter on the list of the schema being exported: whether to
  // export only the shown tables. False when the user cancels.
  bool AskShownOnly(std::optional<std::string>& shownOnly);
  void menuManualClick();
  void ToolButtonSettingsClick();
  void menuAboutClick();

  std::unique_ptr<TBrowser> browser_;
  TTreeItemModel* treeModel_ = nullptr;
  TfrmSet* frmSet_ = nullptr;
  int listener_ = 0;
  // Lines of the core's log already shown in the pane.
  size_t logShown_ = 0;
  // Set while the window itself moves the tree's current item.
  bool syncingTree_ = false;
  bool clearSelectionWhenSettled_ = false;
  bool exportRunning_ = false;
  bool closeAfterExport_ = false;
  // Asked for while a run was on, done when it has ended: an expansion
  // would reload nodes under the run, and the settings dialog would hold
  // the run inside its own event loop while the settings change under it.
  std::vector<QPersistentModelIndex> expandAfterExport_;
  bool settingsAfterExport_ = false;
  QString progressUnit_;
};

}  // namespace zel
