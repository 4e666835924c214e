#include "support/ScriptedReader.h"

#include "catalog/CatalogRows.h"
#include "catalog/Kinds.h"

namespace zel::test {

bool ScriptedReader::HostIsDatabase() const { return FindKind(browser_.FDbKind)->levels.server < 0; }

// Kinds whose connection can drop reconnect on selection and fail their
// loads while closed, as PostgreSQL does.
bool ScriptedReader::Reconnects() const { return FindKind(browser_.FDbKind)->canDrop; }

bool ScriptedReader::Connect() {
  auto& tree = browser_.TreeView1();
  if (HostIsDatabase() && !tree.Empty()) return true;
  TCatalogRows rows(browser_);
  TTreeNode& root = rows.Root(catalog_.root);
  if (throwOnConnect) throw std::runtime_error("connect step blew up");
  if (failConnect) {
    browser_.ShowError("could not connect to server: Connection refused");
    return false;
  }
  connected = true;
  currentDatabase = browser_.FLogon.postgres.databaseName;
  browser_.SetLblDbType(catalog_.version);
  if (HostIsDatabase()) {
    for (const auto& s : catalog_.databases.at(0).schemas) rows.Container(root, s.name);
  } else {
    for (const auto& d : catalog_.databases) rows.Container(root, d.name);
  }
  return true;
}

void ScriptedReader::PrepareSelection(TTreeNode& node) {
  if (!Reconnects()) return;
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
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FDatabaseLevel)) return;
  for (const auto& d : catalog_.databases) {
    if (d.name != node.Text()) continue;
    for (const auto& s : d.schemas) rows.Container(node, s.name);
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
  if (Reconnects() && !connected) throw std::runtime_error("not connected.");
  TCatalogRows rows(browser_);
  rows.Reload(node, browser_.FSchemaLevel);
  const FakeSchema* schema = FindSchema(node);
  if (!schema) return;
  for (const auto& t : schema->tables) {
    if (throwOnLoad && rows.Tables() * 2 >= static_cast<int>(schema->tables.size()))
      throw std::runtime_error("server closed the connection unexpectedly");
    rows.Table(node, {t.name, t.comment, t.created, t.updated}, !Reconnects());
  }
}

void ScriptedReader::LoadColumns(TTreeNode& node) {
  ++columnLoads;
  if (Reconnects() && !connected) throw std::runtime_error("not connected.");
  const TTreeNode* schemaNode = node.Parent();
  const FakeSchema* schema = schemaNode ? FindSchema(*schemaNode) : nullptr;
  if (!schema) return;
  TCatalogRows rows(browser_);
  for (const auto& t : schema->tables) {
    if (t.name != node.Text()) continue;
    for (const auto& c : t.columns) {
      if (throwOnLoad && rows.Columns() * 2 >= static_cast<int>(t.columns.size()))
        throw std::runtime_error("server closed the connection unexpectedly");
      rows.Column({c.no, c.name, c.type, c.length, c.scale, c.notNull, c.primaryKey, c.comment, {}});
    }
  }
}

bool ScriptedReader::ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) {
  if (!givesFacts) return false;
  ++factReads;
  if (const FakeSchema* s = FindSchema(schema))
    for (const FakeTable& t : s->tables) out[t.name] = t.facts;
  return true;
}

bool ScriptedReader::ReadTableKinds(TTreeNode& schema, TableKinds& out) {
  if (!givesFacts) return false;
  ++kindReads;
  if (const FakeSchema* s = FindSchema(schema))
    for (const FakeTable& t : s->tables)
      if (!t.kind.empty()) out[t.name] = t.kind;
  return true;
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
