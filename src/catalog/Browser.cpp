#include "catalog/Browser.h"

#include <ctime>
#include <exception>

#include "catalog/Kinds.h"

namespace zel {
namespace {

std::string LocalTime() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

}  // namespace

TBrowser::TBrowser(TdCommon& common, IPrompts& prompts, ReaderRegistry registry)
    : clock(LocalTime), common_(common), prompts_(prompts), registry_(std::move(registry)) {
  SetUpTableDefinitionGrid(tableDefinition_);
  SetUpTableListGrid(tableList_);
  tableDefinition_.SetVisible(false);
  tree_.AddObserver(this);
  FDbKind = dkNone;
  UpdateCommandState();
}

TBrowser::~TBrowser() {
  tree_.RemoveObserver(this);
  if (reader_) {
    try {
      reader_->Close();
    } catch (...) {  // nothing can be reported while the window goes away
    }
  }
}

void TBrowser::SetLblDbType(std::string text) {
  lblDbType_ = std::move(text);
  Notify(chLabels);
}

void TBrowser::ShowPage(Page page) {
  if (page_ == page) return;
  page_ = page;
  Notify(chPage);
}

void TBrowser::SetLevels(int server, int database, int schema, int table) {
  FServerLevel = server;
  FDatabaseLevel = database;
  FSchemaLevel = schema;
  FTableLevel = table;
}

void TBrowser::Connect() {
  if (IsConnected()) return;
  std::optional<LogonValues> values = prompts_.LogonDialog();
  if (!values) return;
  const KindEntry* kind = FindKind(values->kind);
  if (!kind) return;  // the dialog reports only the four kinds
  const TreeLevels& l = kind->levels;
  SetLevels(l.server, l.database, l.schema, l.table);
  kind->copyLogon(*this, *values);
  if (std::string refusal = kind->refusal(*this); !refusal.empty()) {
    common_.ShowMessageBox(refusal);
    return;
  }
  FLogon = *values;
  FDbKind = kind->code;
  if (OpenCatalog()) {
    UpdateCommandState();
    dbOk_ = true;
  } else {
    Disconnect();
    dbOk_ = false;
  }
}

bool TBrowser::OpenCatalog() {
  prompts_.SetBusy(true);
  bool ok = false;
  try {
    reader_ = registry_.Create(FDbKind, *this);
    if (!reader_) {
      ShowError("この種類のデータベースにはまだ対応していません。");
    } else {
      ok = reader_->Connect();
    }
  } catch (...) {
    ok = false;  // the connect step has shown what it had to say
  }
  prompts_.SetBusy(false);
  return ok;
}

void TBrowser::Disconnect() {
  if (reader_) {
    try {
      reader_->Close();
    } catch (...) {  // closing is harmless even when the connection is gone
    }
  }
  tree_.Clear();
  status_.clear();
  tableDefinition_.SetVisible(false);
  currentNode_ = nullptr;
  FDbKind = dkNone;
  reader_.reset();
  UpdateCommandState();
  lblDbType_.clear();
  dbOk_ = false;
  Notify(chLabels | chStatus | chCurrentNode);
}

bool TBrowser::IsConnected() const {
  const KindEntry* kind = FindKind(FDbKind);
  if (!kind) return false;
  return kind->canDrop ? reader_ && reader_->Connected() : true;
}

void TBrowser::ShowError(const std::string& text) { common_.ShowMessageBox(text); }

void TBrowser::WriteLog(const std::string& text) {
  ShowPage(Page::Log);
  log_.push_front(clock() + "  " + text);
  Notify(chLog);
}

void TBrowser::ClearLog() {
  log_.clear();
  Notify(chLog);
}

void TBrowser::UpdateCommandState() {
  const bool connected = IsConnected();
  commands_.connect = !connected;
  commands_.disconnect = connected;
  if (!currentNode_) {
    commands_.tableList = false;
    commands_.definition = false;
    ShowPage(Page::Blank);
  } else {
    const int level = currentNode_->Level();
    commands_.tableList = FDatabaseLevel <= level && level <= FSchemaLevel;
    commands_.definition = FDatabaseLevel <= level && level <= FTableLevel;
  }
  ShowPageForNode();
  commands_.excelMenu = commands_.tableList || commands_.definition;
  Notify(chCommands);
}

void TBrowser::ShowPageForNode() {
  if (!currentNode_) {
    ShowPage(Page::Blank);
  } else if (currentNode_->Level() == FSchemaLevel) {
    ShowPage(Page::TableList);
  } else if (currentNode_->Level() == FTableLevel) {
    ShowPage(Page::TableDefinition);
  } else {
    ShowPage(Page::Blank);
  }
}

void TBrowser::LoadNode(TTreeNode& node) {
  if (node.Level() == FDatabaseLevel) {
    LoadSchemas(node);
  } else if (node.Level() == FSchemaLevel) {
    LoadTables(node);
  } else if (node.Level() == FTableLevel) {
    LoadColumns(node);
  }
}

void TBrowser::LoadSchemas(TTreeNode& node) {
  if (reader_) reader_->LoadSchemas(node);
}

void TBrowser::LoadTables(TTreeNode& node) {
  TdCommon::ClearGrid(tableList_, 2);
  if (reader_) reader_->LoadTables(node);
}

void TBrowser::LoadColumns(TTreeNode& node) {
  lblTableName_ = node.Text();
  lblTableComment_ = node.Data() ? node.Data()->comment : std::string();
  commentCaptionVisible_ = !lblTableComment_.empty();
  Notify(chLabels);
  TdCommon::ClearGrid(tableDefinition_, 2);
  if (!reader_) return;
  if (SchemaRows* schema = node.Parent() ? SchemaRowsOf(*node.Parent()) : nullptr) {
    SchemaFact<ColumnRow>& columns = schema->columns;
    if (!columns.tried) {
      // Marked first: a statement that fails ends the export, and is not
      // sent again for the tables after.
      columns.tried = true;
      columns.read = reader_->ReadSchemaColumns(*node.Parent(), columns.rows);
    }
    if (columns.read) {
      reader_->FillColumns(*this, node, columns.rows.Take(node.Text()));
      return;
    }
  }
  reader_->LoadColumns(node);
}

namespace {

TableFacts NotGiven() {
  TableFacts f;
  f.hasDefaults = f.hasIndexes = f.hasForeignKeys = f.hasConstraints = false;
  return f;
}

// Read once per schema (marked first, so a failing statement is not sent
// again), then each table takes its own.
template <typename Holder, typename ReadFn>
void ReadOnce(Holder& holder, ReadFn read) {
  if (holder.tried) return;
  holder.tried = true;
  holder.read = read(holder.tables);
}

}  // namespace

TableFacts TBrowser::TableFactsOf(TTreeNode& table) {
  TTreeNode* schema = table.Parent();
  if (!reader_ || !schema) return NotGiven();
  SchemaRows::Facts own;
  SchemaRows* rows = SchemaRowsOf(*schema);
  SchemaRows::Facts& facts = rows ? rows->facts : own;
  ReadOnce(facts, [&](auto& out) { return reader_->ReadSchemaFacts(*schema, out); });
  if (!facts.read) return NotGiven();
  auto it = facts.tables.find(table.Text());
  if (it == facts.tables.end()) return {};
  TableFacts taken = std::move(it->second);
  facts.tables.erase(it);
  return taken;
}

std::string TBrowser::TableKindOf(TTreeNode& table) {
  TTreeNode* schema = table.Parent();
  if (!reader_ || !schema) return {};
  SchemaRows::Kinds own;
  SchemaRows* rows = SchemaRowsOf(*schema);
  SchemaRows::Kinds& kinds = rows ? rows->kinds : own;
  ReadOnce(kinds, [&](auto& out) { return reader_->ReadTableKinds(*schema, out); });
  auto it = kinds.tables.find(table.Text());
  return it == kinds.tables.end() ? std::string() : it->second;
}

void TBrowser::SetBulkSession(bool on) {
  if (bulkSession_ == on) return;
  bulkSession_ = on;
  if (!on && reader_) reader_->EndBulkSession();
}

ColumnTask TBrowser::ColumnTaskOf(const TTreeNode& table) const {
  return {DatabaseNameOf(table), table.Parent() ? table.Parent()->Text() : std::string(),
          table.Text()};
}

std::string TBrowser::DatabaseNameOf(const TTreeNode& node) const {
  if (node.Level() <= FServerLevel) return {};
  const TTreeNode* n = &node;
  while (n->Level() > FDatabaseLevel && n->Parent()) n = n->Parent();
  return n->Text();
}

std::string TBrowser::SchemaNameOf(const TTreeNode& node) const {
  if (node.Level() <= FDatabaseLevel) return {};
  const TTreeNode* n = &node;
  while (n->Level() > FSchemaLevel && n->Parent()) n = n->Parent();
  return n->Text();
}

void TBrowser::TreeView1Expanding(TTreeNode& node) { LoadNode(node); }

void TBrowser::TreeView1Change(TTreeNode& node, bool load) {
  if (!dbOk_) return;
  if (reader_) {
    try {
      reader_->PrepareSelection(node);
    } catch (...) {
      // The connection is closed now; let the commands show it before the
      // error reaches the user.
      UpdateCommandState();
      throw;
    }
  }
  if (!IsConnected()) return;
  currentNode_ = &node;
  Notify(chCurrentNode);
  if (load) LoadNode(node);
  tableDefinition_.SetVisible(node.Level() == FTableLevel);
  tableList_.SetVisible(node.Level() == FSchemaLevel);
  if (node.Level() == FTableLevel) {
    ShowPage(Page::TableDefinition);
  } else if (node.Level() == FSchemaLevel) {
    ShowPage(Page::TableList);
  }
  UpdateCommandState();
}

int TBrowser::AddListener(Listener listener) {
  listeners_.emplace_back(nextListener_, std::move(listener));
  return nextListener_++;
}

void TBrowser::RemoveListener(int id) {
  std::erase_if(listeners_, [id](const auto& l) { return l.first == id; });
}

void TBrowser::Notify(unsigned changes) {
  // A listener may remove itself; walk a copy.
  auto copy = listeners_;
  for (auto& [id, listener] : copy) listener(changes);
}

void TBrowser::NodeDeleting(TTreeNode& node) {
  if (&node != currentNode_) return;
  // A reload deleted the current node: forget it, so nothing uses it later.
  currentNode_ = nullptr;
  updateAfterRemoval_ = true;
}

void TBrowser::AfterChildrenRemoved(TTreeNode* parent) {
  (void)parent;
  if (!updateAfterRemoval_) return;
  updateAfterRemoval_ = false;
  Notify(chCurrentNode);
  UpdateCommandState();
}

}  // namespace zel
