#pragma once
// The main window's state and behaviour without widgets: connection kind,
// tree levels, current node, copied logon values, labels, the page shown,
// command states, status text and log lines, and the operations that change
// them. The Qt main window owns one, forwards user events to it and mirrors
// what it publishes through the change signal.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/Reader.h"
#include "catalog/TreeModel.h"
#include "common/Common.h"
#include "common/LogonValues.h"
#include "common/Prompts.h"
#include "common/StringGrid.h"

namespace zel {

enum class Page { Blank, Log, TableDefinition, TableList };

struct CommandState {
  bool connect = true;        // tool button and menu entry "接続"
  bool disconnect = false;    // "切断"
  bool tableList = false;     // "テーブル一覧出力"
  bool definition = false;    // "テーブル定義書出力"
  bool excelMenu = false;     // top-level "Excel出力"
  // Export settings, exit, manual and About are never disabled.
};

// What changed, so a view can refresh only that.
enum BrowserChange : unsigned {
  chLabels = 1u << 0,    // lblDbType, lblTableName, lblTableComment, caption
  chPage = 1u << 1,
  chCommands = 1u << 2,
  chLog = 1u << 3,       // a line was written (repaint at once) or the log emptied
  chStatus = 1u << 4,
  chCurrentNode = 1u << 5,
};

class TBrowser : private ITreeObserver {
 public:
  TBrowser(TdCommon& common, IPrompts& prompts, ReaderRegistry registry);
  ~TBrowser() override;
  TBrowser(const TBrowser&) = delete;
  TBrowser& operator=(const TBrowser&) = delete;

  // --- state (names kept from the design) ---
  int FDbKind = dkNone;
  int FServerLevel = 0, FDatabaseLevel = 0, FSchemaLevel = 0, FTableLevel = 0;
  std::string FServerVersion;
  std::string FExcelVersion;
  std::string FOracleUser, FOraclePassword, FOracleHost;
  std::string FSqlServerHost;
  std::string FMySqlUser, FMySqlPassword, FMySqlHost, FMySqlPort, FMySqlCharset;
  // The logon values of the last accepted dialog (PostgreSQL's go to the
  // reader's component; SQL Server's are read whenever a connection string
  // is built).
  LogonValues FLogon;
  // Set by program start: whether the MySQL client library could be loaded,
  // and the file name that was tried.
  bool mySqlLibraryLoaded = false;
  std::string mySqlLibraryName = "libmariadb.so.3";

  TTreeNode* FCurrentNode() const { return currentNode_; }
  bool chkDbOK() const { return dbOk_; }
  void SetChkDbOK(bool ok) { dbOk_ = ok; }

  TTreeModel& TreeView1() { return tree_; }
  TStringGrid& grdTableList() { return tableList_; }
  TStringGrid& grdTableDefinition() { return tableDefinition_; }

  const std::string& lblDbType() const { return lblDbType_; }
  void SetLblDbType(std::string text);
  const std::string& lblTableName() const { return lblTableName_; }
  const std::string& lblTableComment() const { return lblTableComment_; }
  bool lblTableCommentlabelVisible() const { return commentCaptionVisible_; }
  Page ActivePage() const { return page_; }
  void ShowPage(Page page);
  const CommandState& Commands() const { return commands_; }
  const std::string& StatusText() const { return status_; }
  // Newest line first.
  const std::deque<std::string>& LogLines() const { return log_; }

  TdCommon& Common() { return common_; }
  IPrompts& Prompts() { return prompts_; }
  ICatalogReader* Reader() { return reader_.get(); }

  // --- operations ---
  void Connect();
  void Disconnect();
  bool OpenCatalog();
  bool IsConnected() const;
  void ShowError(const std::string& text);
  void WriteLog(const std::string& text);
  void ClearLog();
  void UpdateCommandState();
  void ShowPageForNode();

  // While an export of a schema runs: LoadColumns of its tables takes their
  // rows from one schema-wide statement, read at the first of them, and
  // LoadTables may read the list in larger batches. Null: browsing.
  void SetSchemaRows(SchemaRows* rows) { schemaRows_ = rows; }
  // The export's rows when `schema` is the schema being exported.
  SchemaRows* SchemaRowsOf(const TTreeNode& schema) const {
    return schemaRows_ && schemaRows_->schema == &schema ? schemaRows_ : nullptr;
  }
  // A bulk session: the command reading in bulk, from its logon on, and the
  // window for the length of an export read in bulk. Readers may then keep
  // one connection and send a cursor's opening statements in one message,
  // since at a distant server every connection and statement is a round
  // trip; browsing keeps the design's connections and statements.
  void SetBulkSession(bool on);
  bool BulkSession() const { return bulkSession_; }
  // The names a column statement of `table` needs.
  ColumnTask ColumnTaskOf(const TTreeNode& table) const;

  void LoadNode(TTreeNode& node);
  void LoadSchemas(TTreeNode& node);
  void LoadTables(TTreeNode& node);
  void LoadColumns(TTreeNode& node);
  // The detailed document's facts of a table node: from the export's
  // schema-wide read when one is on, otherwise by the schema's statements for
  // this one table. A kind that reads none gives facts marked as not given.
  TableFacts TableFactsOf(TTreeNode& table);
  // The detailed table list's 種別 of a table node; empty when not known.
  std::string TableKindOf(TTreeNode& table);
  std::string DatabaseNameOf(const TTreeNode& node) const;
  std::string SchemaNameOf(const TTreeNode& node) const;

  // Tree events.
  void TreeView1Expanding(TTreeNode& node);
  // load false: the node becomes current without reading what it holds
  // (the command, whose export reads it next anyway).
  void TreeView1Change(TTreeNode& node, bool load = true);

  // The clock for log lines; tests fix it.
  std::function<std::string()> clock;

  using Listener = std::function<void(unsigned changes)>;
  // Returns an id for RemoveListener.
  int AddListener(Listener listener);
  void RemoveListener(int id);

 private:
  void SetLevels(int server, int database, int schema, int table);
  void Notify(unsigned changes);
  void NodeDeleting(TTreeNode& node) override;
  void AfterChildrenRemoved(TTreeNode* parent) override;

  TdCommon& common_;
  IPrompts& prompts_;
  ReaderRegistry registry_;
  std::unique_ptr<ICatalogReader> reader_;

  TTreeModel tree_;
  TStringGrid tableList_;
  TStringGrid tableDefinition_;
  TTreeNode* currentNode_ = nullptr;
  SchemaRows* schemaRows_ = nullptr;
  bool bulkSession_ = false;
  bool dbOk_ = false;
  bool updateAfterRemoval_ = false;
  std::string lblDbType_, lblTableName_, lblTableComment_;
  bool commentCaptionVisible_ = false;
  Page page_ = Page::Blank;
  CommandState commands_;
  std::string status_;
  std::deque<std::string> log_;
  std::vector<std::pair<int, Listener>> listeners_;
  int nextListener_ = 1;
};

// Grid set-up of the main window: columns, header texts and widths.
void SetUpTableDefinitionGrid(TStringGrid& grid);
void SetUpTableListGrid(TStringGrid& grid);
// Alignment of a column as the grids paint it (rows below the header).
enum class CellAlign { Left, Center, Right };
CellAlign TableDefinitionAlign(int col);
CellAlign TableListAlign(int col);
// Columns 5 and 6 of the definition grid show a picture for "1" instead of text.
bool IsMarkColumn(int col);

}  // namespace zel
