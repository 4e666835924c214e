#include "catalog/sqlserver/SqlServerReader.h"

#include <stdexcept>

#include "catalog/Browser.h"
#include "catalog/CatalogRows.h"
#include "catalog/ConnectFailure.h"
#include "catalog/FactText.h"
#include "catalog/sqlserver/SqlServerStatements.h"
#include "db/odbc/TADOConnection.h"

namespace zel {
namespace {

// The definition grid has these columns from the first column read on.
constexpr int kColumnCells = 8;

// Close, set the text, open, go to the first row: what every statement of
// the reader starts with. The caller reads until Eof and closes.
IAdoQuery& Run(IAdoConnection& connection, const std::string& sql) {
  IAdoQuery& q = connection.Query();
  q.Close();
  q.SetSQL(sql);
  q.Open();
  q.First();
  return q;
}

std::string ColumnsStatementOrFail(const std::string& versionClass, const ColumnTask& task) {
  std::string sql = mssql::ColumnsStatement(versionClass, task.database, task.schema, task.table);
  if (sql.empty())
    throw std::runtime_error("No column statement for SQL Server version class '" +
                             versionClass + "'.");
  return sql;
}

// The cells of the current row, by the length and scale rules.
std::vector<std::string> Cells(const IAdoQuery& q, int count) {
  std::vector<std::string> cells;
  const std::string type = count > 2 ? q.Fields(2) : std::string();
  for (int i = 0; i < count; ++i) cells.push_back(mssql::ColumnCell(i, q.Fields(i), type));
  return cells;
}

ColumnRow RowOf(std::vector<std::string> c) {
  c.resize(kColumnCells);
  return {c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], {}};
}

void PutRow(TStringGrid& grid, int n, const std::vector<std::string>& cells) {
  grid.SetRowCount(n + 1);
  for (size_t i = 0; i < cells.size(); ++i) grid.SetCell(static_cast<int>(i), n, cells[i]);
}

// Runs one fact's statement and hands each row to `take`; a result narrower
// than the statement's select list is refused rather than read wrongly.
template <typename Take>
void EachRow(IAdoConnection& connection, const std::string& sql, int fields, Take take) {
  IAdoQuery& q = Run(connection, sql);
  if (q.FieldCount() < fields)
    throw std::runtime_error("The statement returned " + std::to_string(q.FieldCount()) +
                             " columns instead of " + std::to_string(fields) + ".");
  for (; !q.Eof(); q.Next()) take(q);
  q.Close();
}

// NO_ACTION, SET_NULL ... as the server's documentation writes them.
std::string Action(std::string desc) {
  for (char& c : desc)
    if (c == '_') c = ' ';
  return desc;
}

void ReadDefaults(IAdoConnection& c, const std::string& sql,
                  std::map<std::string, TableFacts>& out) {
  // A 2000 server keeps a long text in pieces of 4,000 characters, a row
  // each, in order: they are put together before the cell is decided.
  struct Column {
    std::string definition, computed;
    bool identity = false;
  };
  std::map<std::pair<std::string, std::string>, Column> columns;
  EachRow(c, sql, 5, [&](const IAdoQuery& q) {
    Column& column = columns[{q.Fields(0), q.Fields(1)}];
    column.definition += q.Fields(2);
    column.identity = column.identity || q.Fields(3) == "1";
    column.computed += q.Fields(4);
  });
  for (const auto& [key, column] : columns) {
    std::string text;
    if (!column.computed.empty())
      text = "GENERATED ALWAYS AS (" + column.computed + ")";
    else if (column.identity)
      text = "IDENTITY";
    else if (!facts::IsNullDefault(column.definition))
      text = column.definition;
    if (!text.empty()) out[key.first].defaults[key.second] = text;
  }
}

void ReadIndexes(IAdoConnection& c, const std::string& sql,
                 std::map<std::string, TableFacts>& out) {
  // The included columns, per index, until the index is complete.
  std::map<std::pair<std::string, std::string>, std::string> included;
  EachRow(c, sql, 9, [&](const IAdoQuery& q) {
    IndexFact& f = facts::Named(out[q.Fields(0)].indexes, q.Fields(1));
    f.method = q.Fields(2);
    f.unique = q.Fields(3) == "1";
    f.primary = q.Fields(4) == "1";
    if (!q.Fields(5).empty()) f.note = "WHERE " + q.Fields(5);
    if (q.Fields(7) == "1")
      facts::AddItem(included[{q.Fields(0), q.Fields(1)}], q.Fields(6));
    else
      facts::AddItem(f.columns, q.Fields(6) + (q.Fields(8) == "1" ? " DESC" : ""));
  });
  for (const auto& [key, columns] : included) {
    IndexFact& f = facts::Named(out[key.first].indexes, key.second);
    facts::AddItem(f.note, "INCLUDE (" + columns + ")", " ");
  }
}

void ReadForeignKeys(IAdoConnection& c, const std::string& sql,
                     std::map<std::string, TableFacts>& out) {
  EachRow(c, sql, 8, [&](const IAdoQuery& q) {
    TableFacts& t = out[q.Fields(0)];
    ForeignKeyFact& f = facts::Named(t.foreignKeys, q.Fields(1));
    const std::string schema = q.Fields(3);
    f.refTable = schema.empty() ? q.Fields(4) : schema + "." + q.Fields(4);
    f.onDelete = Action(q.Fields(6));
    f.onUpdate = Action(q.Fields(7));
    facts::AddItem(f.columns, q.Fields(2));
    facts::AddItem(f.refColumns, q.Fields(5));
    facts::AddItem(t.references[q.Fields(2)], f.refTable + "." + q.Fields(5), "\n");
  });
}

void ReadConstraints(IAdoConnection& c, const std::string& sql,
                     std::map<std::string, TableFacts>& out) {
  std::map<std::pair<std::string, std::string>, std::string> keys;
  EachRow(c, sql, 5, [&](const IAdoQuery& q) {
    ConstraintFact& f = facts::Named(out[q.Fields(0)].constraints, q.Fields(1));
    f.type = q.Fields(2);
    if (f.type == "UNIQUE")
      facts::AddItem(keys[{q.Fields(0), q.Fields(1)}], q.Fields(3));
    else
      f.definition += q.Fields(4);  // the next piece of a long text (2000)
  });
  for (const auto& [key, columns] : keys)
    facts::Named(out[key.first].constraints, key.second).definition = "UNIQUE (" + columns + ")";
}

}  // namespace

TSqlServerReader::TSqlServerReader(TBrowser& browser, AdoFactory ado)
    : browser_(browser), ado_(std::move(ado)), connection_(ado_()) {}

TSqlServerReader::~TSqlServerReader() = default;

ReaderFactory TSqlServerReader::Factory(AdoFactory ado) {
  return [ado](TBrowser& browser) { return std::make_unique<TSqlServerReader>(browser, ado); };
}

ReaderFactory TSqlServerReader::Factory() { return Factory(TADOConnection::Factory()); }

AdoLogon TSqlServerReader::LogonFor(const std::string& database) const {
  const SqlServerLogon& v = browser_.FLogon.sqlServer;
  AdoLogon logon;
  // Only index 0 is SQL Server authentication; Windows authentication and
  // a typed text that matches no item (-1) send no user or password.
  logon.integratedSecurity = v.authentication != 0;
  if (!logon.integratedSecurity) {
    logon.userId = v.userName;
    logon.password = v.password;
  }
  logon.dataSource = v.host;
  logon.initialCatalog = database;
  logon.odbcDriver = v.odbcDriver;
  logon.trustServerCertificate =
      v.trustServerCertificate ||
      browser_.Common().ReadSetting(TdCommon::SettingsFileName(), "sqlserver",
                                    "TrustServerCertificate") == "1";
  return logon;
}

void TSqlServerReader::SetSqlServerConnection(const std::string& database) {
  connection_->SetConnectionString(LogonFor(database));
}

void TSqlServerReader::Close() { connection_->Close(); }

bool TSqlServerReader::Connect() {
  TCatalogRows rows(browser_);
  TTreeNode& root = rows.Root(browser_.FSqlServerHost);
  try {
    connection_->Close();
    SetSqlServerConnection({});
    IAdoQuery& q = Run(*connection_, mssql::kVersion);
    const std::string version = q.Eof() ? std::string() : q.Fields(0);
    const std::string edition = q.Eof() || q.FieldCount() < 2 ? std::string() : q.Fields(1);
    const mssql::ServerVersion v = mssql::ClassifyVersion(version);
    // Line feed, then carriage return, in this order.
    browser_.SetLblDbType(v.product + "\n\r" + edition);
    browser_.FServerVersion = v.versionClass;
    q.Close();
    for (IAdoQuery& d = Run(*connection_, mssql::kDatabases); !d.Eof(); d.Next())
      rows.Container(root, d.Fields(0));
    connection_->Query().Close();
    connection_->Close();
    return true;
  } catch (const std::exception& e) {
    browser_.ShowError(ConnectFailureText({"SQL Server", browser_.FSqlServerHost, {}, {}},
                                          SqlServerCause(e), e.what()));
    return false;
  }
}

void TSqlServerReader::LoadSchemas(TTreeNode& node) {
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FDatabaseLevel)) return;
  connection_->Close();
  SetSqlServerConnection(node.Text());
  connection_->Query().Close();
  for (IAdoQuery& q = Run(*connection_, mssql::OwnersStatement(node.Text())); !q.Eof(); q.Next())
    rows.Container(node, q.Fields(0));
  connection_->Query().Close();
  connection_->Close();
}

void TSqlServerReader::LoadTables(TTreeNode& node) {
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FSchemaLevel)) return;
  const std::string database = browser_.DatabaseNameOf(node);
  connection_->Close();
  SetSqlServerConnection(database);
  const std::string sql = mssql::TablesStatement(browser_.FServerVersion, database, node.Text());
  if (sql.empty())
    throw std::runtime_error("No table statement for SQL Server version class '" +
                             browser_.FServerVersion + "'.");
  for (IAdoQuery& q = Run(*connection_, sql); !q.Eof(); q.Next())
    rows.Table(node, {q.Fields(0), q.Fields(1), q.Fields(2), q.Fields(3)});
  connection_->Query().Close();
  connection_->Close();
  browser_.ShowPage(Page::TableList);
}

void TSqlServerReader::LoadColumns(TTreeNode& node) {
  BusyCursor busy(browser_.Prompts());
  const ColumnTask task = browser_.ColumnTaskOf(node);
  connection_->Close();
  SetSqlServerConnection(task.database);
  IAdoQuery& q = Run(*connection_, ColumnsStatementOrFail(browser_.FServerVersion, task));
  TStringGrid& grid = browser_.grdTableDefinition();
  const int count = q.FieldCount();
  grid.SetColCount(count);
  for (int n = 1; !q.Eof(); q.Next(), ++n) PutRow(grid, n, Cells(q, count));
  q.Close();
  connection_->Close();
}

bool TSqlServerReader::ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) {
  BusyCursor busy(browser_.Prompts());
  const std::string database = browser_.DatabaseNameOf(schema);
  const std::string sql =
      mssql::OwnerColumnsStatement(browser_.FServerVersion, database, schema.Text());
  if (sql.empty())
    throw std::runtime_error("No column statement for SQL Server version class '" +
                             browser_.FServerVersion + "'.");
  connection_->Close();
  SetSqlServerConnection(database);
  IAdoQuery& q = Run(*connection_, sql);
  // A result without the table's name cannot be told apart by table.
  if (q.FieldCount() != kColumnCells + 1)
    throw std::runtime_error("The column statement returned " + std::to_string(q.FieldCount()) +
                             " columns instead of " + std::to_string(kColumnCells + 1) + ".");
  for (; !q.Eof(); q.Next()) out.Add(q.Fields(kColumnCells), RowOf(Cells(q, kColumnCells)));
  q.Close();
  connection_->Close();
  return true;
}

bool TSqlServerReader::ReadSchemaFacts(TTreeNode& schema,
                                       std::map<std::string, TableFacts>& out) {
  const std::string& v = browser_.FServerVersion;
  const std::string database = browser_.DatabaseNameOf(schema);
  const std::string& owner = schema.Text();
  const std::string defaults = mssql::DefaultsStatement(v, database, owner);
  if (defaults.empty())
    throw std::runtime_error("No statement for SQL Server version class '" + v + "'.");
  BusyCursor busy(browser_.Prompts());
  connection_->Close();
  SetSqlServerConnection(database);
  std::map<std::string, TableFacts> read;
  try {
    ReadDefaults(*connection_, defaults, read);
    ReadIndexes(*connection_, mssql::IndexesStatement(v, database, owner), read);
    ReadForeignKeys(*connection_, mssql::ForeignKeysStatement(v, database, owner), read);
    ReadConstraints(*connection_, mssql::ConstraintsStatement(v, database, owner), read);
  } catch (...) {
    try {
      connection_->Query().Close();
      connection_->Close();
    } catch (...) {  // the first failure is the one to report
    }
    throw;
  }
  connection_->Query().Close();
  connection_->Close();
  out = std::move(read);
  return true;
}

bool TSqlServerReader::ReadTableKinds(TTreeNode& schema, TableKinds& out) {
  for (int i = 0; i < schema.ChildCount(); ++i) out[schema.Child(i)->Text()] = "テーブル";
  return true;
}

void TSqlServerReader::FillColumns(TBrowser& browser, TTreeNode& node,
                                   const std::vector<ColumnRow>& rows) {
  (void)node;
  BusyCursor busy(browser.Prompts());
  TStringGrid& grid = browser.grdTableDefinition();
  grid.SetColCount(kColumnCells);
  int n = 0;
  for (const ColumnRow& r : rows)
    PutRow(grid, ++n, {r.no, r.name, r.type, r.length, r.scale, r.notNull, r.primaryKey, r.comment});
}

}  // namespace zel
