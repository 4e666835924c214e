#include "support/ScriptedReader.h"

namespace zel::test {

bool ScriptedReader::HostIsDatabase() const {
  return browser_.FDbKind == dkOracle || browser_.FDbKind == dkMySql;
}

bool ScriptedReader::Connect() {
  auto& tree = browser_.TreeView1();
  if (HostIsDatabase() && !tree.Empty()) return true;
  tree.Clear();
  TTreeNode* root = tree.Add(nullptr, catalog_.root);
  if (throwOnConnect) throw std::runtime_error("connect step blew up");
  if (failConnect) {
    browser_.ShowError("could not connect to server: Connection refused");
    return false;
  }
  connected = true;
  currentDatabase = browser_.FLogon.postgres.databaseName;
  browser_.SetLblDbType(catalog_.version);
  if (HostIsDatabase()) {
    for (const auto& s : catalog_.databases.at(0).schemas) {
      TTreeNode* n = tree.Add(root, s.name);
      tree.SetImages(*n, 1, 1);
      tree.SetHasChildren(*n, true);
    }
  } else {
    for (const auto& d : catalog_.databases) {
      TTreeNode* n = tree.Add(root, d.name);
      tree.SetImages(*n, 1, 1);
      tree.SetHasChildren(*n, true);
    }
  }
  return true;
}

void ScriptedReader::PrepareSelection(TTreeNode& node) {
  if (browser_.FDbKind != dkPostgres) return;
  std::string db = browser_.DatabaseNameOf(node);
  if (connected && db == currentDatabase) return;
  connected = false;
  ++reconnects;
  currentDatabase = db;
  if (failReconnect) throw std::runtime_error("FATAL:  database \"" + db + "\" does not exist");
  connected = true;
}

void ScriptedReader::LoadSchemas(TTreeNode& node) {
  if (HostIsDatabase()) return;
  if (node.Level() != browser_.FDatabaseLevel || node.Data()) return;
  auto& tree = browser_.TreeView1();
  tree.DeleteChildren(node);
  tree.SetImages(node, node.Level(), node.Level());
  for (const auto& d : catalog_.databases) {
    if (d.name != node.Text()) continue;
    for (const auto& s : d.schemas) {
      TTreeNode* n = tree.Add(&node, s.name);
      tree.SetImages(*n, 2, 2);
      tree.SetHasChildren(*n, true);
    }
  }
}

const FakeSchema* ScriptedReader::FindSchema(const TTreeNode& schemaNode) const {
  std::string db = HostIsDatabase() ? catalog_.databases.at(0).name
                                    : browser_.DatabaseNameOf(schemaNode);
  for (const auto& d : catalog_.databases) {
    if (!HostIsDatabase() && d.name != db) continue;
    for (const auto& s : d.schemas)
      if (s.name == schemaNode.Text()) return &s;
    if (HostIsDatabase()) break;
  }
  return nullptr;
}

void ScriptedReader::LoadTables(TTreeNode& node) {
  if (node.Level() != browser_.FSchemaLevel || node.Data()) return;
  ++tableLoads;
  if (browser_.FDbKind == dkPostgres && !connected) throw std::runtime_error("not connected.");
  auto& tree = browser_.TreeView1();
  auto& grid = browser_.grdTableList();
  tree.DeleteChildren(node);
  tree.SetImages(node, node.Level(), node.Level());
  const FakeSchema* schema = FindSchema(node);
  if (!schema) return;
  int n = 0;
  for (const auto& t : schema->tables) {
    if (throwOnLoad && n * 2 >= static_cast<int>(schema->tables.size()))
      throw std::runtime_error("server closed the connection unexpectedly");
    ++n;
    TTreeNode* child = tree.Add(&node, t.name);
    tree.SetImages(*child, child->Level(), child->Level());
    auto info = std::make_unique<TableInfo>();
    info->comment = t.comment;
    info->created = t.created;
    info->updated = t.updated;
    info->hasDates = browser_.FDbKind != dkPostgres;
    tree.SetData(*child, std::move(info));
    grid.SetRowCount(n + 1);
    grid.SetCell(0, n, std::to_string(n));
    grid.SetCell(1, n, t.name);
    grid.SetCell(2, n, t.comment);
    grid.SetCell(3, n, t.created);
    grid.SetCell(4, n, t.updated);
  }
}

void ScriptedReader::LoadColumns(TTreeNode& node) {
  ++columnLoads;
  if (browser_.FDbKind == dkPostgres && !connected) throw std::runtime_error("not connected.");
  const TTreeNode* schemaNode = node.Parent();
  const FakeSchema* schema = schemaNode ? FindSchema(*schemaNode) : nullptr;
  if (!schema) return;
  auto& grid = browser_.grdTableDefinition();
  for (const auto& t : schema->tables) {
    if (t.name != node.Text()) continue;
    int n = 0;
    for (const auto& c : t.columns) {
      if (throwOnLoad && n * 2 >= static_cast<int>(t.columns.size()))
        throw std::runtime_error("server closed the connection unexpectedly");
      ++n;
      grid.SetRowCount(n + 1);
      const std::string cells[] = {c.no,      c.name,       c.type,    c.length,
                                   c.scale,   c.notNull,    c.primaryKey, c.comment};
      for (int col = 0; col < 8; ++col) grid.SetCell(col, n, cells[col]);
    }
  }
}

ReaderFactory ScriptedReader::Factory(FakeCatalog& catalog, ScriptedReader** last) {
  return [&catalog, last](TBrowser& browser) {
    auto reader = std::make_unique<ScriptedReader>(browser, catalog);
    if (last) *last = reader.get();
    return reader;
  };
}

FakeCatalog SampleCatalog() {
  FakeCatalog c;
  FakeTable customer{"customer", "顧客マスタ", "2008/04/10", "2008/05/01",
                     {{"1", "id", "integer", "", "", "1", "1", "顧客ID"},
                      {"2", "name", "character varying", "40", "", "1", "", "氏名"},
                      {"3", "rate", "numeric", "5", "2", "", "", ""}}};
  FakeTable orders{"orders", "", "2009/01/02", "2009/01/03",
                   {{"1", "order_no", "integer", "", "", "1", "1", "受注番号"}}};
  FakeTable items{"items", "明細", "", "", {{"1", "x", "text", "", "", "", "", ""}}};
  c.databases = {{"sales", {{"public", {customer, orders, items}}, {"empty", {}}}},
                 {"hr", {{"staff", {{"person", "社員", "", "", {}}}}}}};
  return c;
}

}  // namespace zel::test
