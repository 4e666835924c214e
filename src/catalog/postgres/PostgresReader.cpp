#include "catalog/postgres/PostgresReader.h"

#include "catalog/Browser.h"
#include "catalog/CatalogRows.h"
#include "catalog/ConnectFailure.h"
#include "catalog/FactRows.h"
#include "catalog/postgres/PostgresStatements.h"
#include "common/Text.h"

namespace zel {
namespace {

std::string Field(TPQResultset& rs, int i) { return text::FromServer(rs.Fields(i).AsString()); }

// A row of a column statement: the table's own and the schema-wide one share
// their first eight fields.
ColumnRow ColumnRowOf(TPQResultset& rs) {
  pg::TypeCells type = pg::SplitType(Field(rs, 2));
  return {Field(rs, 0), Field(rs, 1), type.type, type.length, type.scale,
          Field(rs, 5), Field(rs, 6), Field(rs, 7), {}};
}

}  // namespace

TPostgresReader::TPostgresReader(TBrowser& browser)
    : browser_(browser), PQCompoDataBase(std::make_unique<TPQCompo>()) {
  // The main window's instance: the IPv4 loopback address, port 5432.
  PQCompoDataBase->Host = "127.0.0.1";
  PQCompoDataBase->Port = "5432";
  const PostgresLogon& logon = browser_.FLogon.postgres;
  PQCompoDataBase->UserName = logon.userName;
  PQCompoDataBase->UserPass = logon.password;
  PQCompoDataBase->Host = logon.host;
  PQCompoDataBase->Port = logon.port;
  PQCompoDataBase->DataBaseName = logon.databaseName;
}

TPostgresReader::~TPostgresReader() = default;

ReaderFactory TPostgresReader::Factory() {
  return [](TBrowser& browser) { return std::make_unique<TPostgresReader>(browser); };
}

bool TPostgresReader::Connected() const { return PQCompoDataBase->Connected(); }

void TPostgresReader::Close() { PQCompoDataBase->Close(); }

void TPostgresReader::Exec(const std::string& sql) {
  if (OnStatement) OnStatement(sql);
  PQCompoDataBase->ExecSQL(sql);
}

void TPostgresReader::Send(const std::vector<std::string>& statements) {
  if (!browser_.BulkSession() || statements.size() < 2) {
    for (const std::string& sql : statements) Exec(sql);
    return;
  }
  // One simple query: the server runs them in order and stops at the first
  // that fails, whose error is the one reported.
  std::string message;
  for (const std::string& sql : statements) {
    if (OnStatement) OnStatement(sql);
    if (!message.empty()) message += ";\n";
    message += sql;
  }
  PQCompoDataBase->ExecSQL(message);
}

void TPostgresReader::Reopen() {
  PQCompoDataBase->Open();
  // Names go into statements between single quotes with their quotes
  // doubled; with standard-conforming strings a backslash in a name is just
  // a character. Servers too old to know the setting treat neither.
  constexpr const char* kStandardStrings = "set standard_conforming_strings to on";
  constexpr const char* kShowEncoding = "show server_encoding";
  bool shown = false;
  if (browser_.BulkSession()) {
    try {
      Send({kStandardStrings, kShowEncoding});
      shown = true;
    } catch (const EPQError&) {  // one by one, as below
    }
  }
  if (!shown) {
    try {
      Exec(kStandardStrings);
    } catch (const EPQError&) {
    }
    try {
      Exec(kShowEncoding);
      shown = true;
    } catch (const EPQError&) {
    }
  }
  // A SQL_ASCII database stores whatever bytes its clients sent, often
  // Shift-JIS; the server refuses to pass them off as UTF-8. Taken raw, they
  // are decoded here instead.
  try {
    auto rs = shown ? PQCompoDataBase->GetResult() : nullptr;
    if (rs && !rs->Eof() && rs->Fields(0).AsString() == "SQL_ASCII") {
      rs.reset();
      Exec("set client_encoding to 'SQL_ASCII'");
    }
  } catch (const EPQError&) {
  }
}

void TPostgresReader::FillColumns(TBrowser& browser, TTreeNode& node,
                                  const std::vector<ColumnRow>& rows) {
  BusyCursor busy(browser.Prompts());
  ICatalogReader::FillColumns(browser, node, rows);
}

template <typename Body>
void TPostgresReader::InTransaction(const std::vector<std::string>& opening, Body&& body) {
  std::vector<std::string> first = opening;
  // Apart, BEGIN goes before the block whose failure is rolled back.
  if (browser_.BulkSession()) {
    first.insert(first.begin(), "BEGIN");
  } else {
    Exec("BEGIN");
  }
  try {
    Send(first);
    body();
  } catch (...) {
    try {
      if (PQCompoDataBase->Connected()) Exec("ROLLBACK");
    } catch (...) {  // the original failure is the one to report
    }
    throw;
  }
  Exec("COMMIT");
}

template <typename RowAction>
void TPostgresReader::ReadBatches(const char* fetch, int batchSize, RowAction&& action) {
  std::unique_ptr<TPQResultset> rs = PQCompoDataBase->GetResult();
  while (rs && rs->RowCount() > 0) {
    while (!rs->Eof()) {
      action(*rs);
      rs->Next();
    }
    if (rs->RowCount() < batchSize) break;
    rs.reset();
    Exec(fetch);
    rs = PQCompoDataBase->GetResult();
  }
}

template <typename RowAction>
void TPostgresReader::ReadCursor(const std::string& declare, const char* fetch, int batchSize,
                                 RowAction&& action) {
  InTransaction({declare, fetch}, [&] { ReadBatches(fetch, batchSize, action); });
}

bool TPostgresReader::Connect() {
  TCatalogRows rows(browser_);
  TTreeNode& root = rows.Root(PQCompoDataBase->Host);
  try {
    Reopen();
  } catch (const std::exception& e) {
    const TPQCompo& pq = *PQCompoDataBase;
    browser_.ShowError(ConnectFailureText({"PostgreSQL", pq.Host, pq.Port, pq.DataBaseName},
                                          PostgresCause(e), e.what()));
    return false;
  }
  InTransaction({pg::kVersionCursor, pg::kVersionFetch}, [&] {
    if (auto rs = PQCompoDataBase->GetResult(); rs && !rs->Eof()) {
      std::string v = Field(*rs, 0);
      browser_.SetLblDbType(TdCommon::GetToken(v, 1, ' ') + " " + TdCommon::GetToken(v, 2, ' '));
    }
    Send({pg::kDatabasesCursor, pg::kDatabasesFetch});
    ReadBatches(pg::kDatabasesFetch, pg::kBatchSize,
                [&](TPQResultset& rs) { rows.Container(root, Field(rs, 0)); });
  });
  return true;
}

void TPostgresReader::PrepareSelection(TTreeNode& node) {
  UseDatabaseOf(node);
}

void TPostgresReader::UseDatabaseOf(const TTreeNode& node) {
  const std::string database = browser_.DatabaseNameOf(node);
  if (PQCompoDataBase->Connected() && database == PQCompoDataBase->DataBaseName) return;
  PQCompoDataBase->Close();
  PQCompoDataBase->DataBaseName = database;
  Reopen();
}

void TPostgresReader::LoadSchemas(TTreeNode& node) {
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FDatabaseLevel)) return;
  // Browsing, every schema load starts a fresh connection to the database;
  // in a bulk session the one already open there serves.
  if (!browser_.BulkSession() || !PQCompoDataBase->Connected() ||
      PQCompoDataBase->DataBaseName != node.Text()) {
    PQCompoDataBase->DataBaseName = node.Text();
    PQCompoDataBase->Close();
    Reopen();
  }
  ReadCursor(pg::kSchemasCursor, pg::kFetch, pg::kBatchSize,
             [&](TPQResultset& rs) { rows.Container(node, Field(rs, 0)); });
}

void TPostgresReader::LoadTables(TTreeNode& node) {
  // Before the children go: a database that cannot be reached leaves them.
  if (node.Level() == browser_.FSchemaLevel && !node.Data()) UseDatabaseOf(node);
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FSchemaLevel)) return;
  // An export's list comes in larger batches: at a distant server each
  // FETCH is a round trip. Browsing keeps the batches of 20.
  const bool exporting = browser_.SchemaRowsOf(node) != nullptr;
  const char* fetch = exporting ? pg::kListFetch : pg::kFetch;
  InTransaction({pg::TablesStatement(node.Text()), fetch}, [&] {
    ReadBatches(fetch, exporting ? pg::kListBatchSize : pg::kBatchSize, [&](TPQResultset& rs) {
      rows.Table(node, {Field(rs, 0), Field(rs, 1), {}, {}}, /*withDates=*/false);
    });
    browser_.ShowPage(Page::TableList);
  });
}

void TPostgresReader::LoadColumns(TTreeNode& node) {
  BusyCursor busy(browser_.Prompts());
  UseDatabaseOf(node);
  const ColumnTask task = browser_.ColumnTaskOf(node);
  Exec(pg::ColumnsStatement(browser_.lblDbType(), task.schema, task.table));
  std::vector<ColumnRow> rows;
  if (std::unique_ptr<TPQResultset> rs = PQCompoDataBase->GetResult()) {
    for (; !rs->Eof(); rs->Next()) rows.push_back(ColumnRowOf(*rs));
  }
  ICatalogReader::FillColumns(browser_, node, rows);
}

bool TPostgresReader::ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) {
  BusyCursor busy(browser_.Prompts());
  // Through a cursor, so that a large schema never sits in memory twice
  // (the client's result and the rows kept for the sheets).
  ReadCursor(pg::SchemaColumnsCursor(browser_.lblDbType(), schema.Text()), pg::kColumnFetch,
             pg::kColumnBatchSize,
             [&](TPQResultset& rs) { out.Add(Field(rs, 8), ColumnRowOf(rs)); });
  return true;
}

bool TPostgresReader::ReadTableKinds(TTreeNode& schema, TableKinds& out) {
  UseDatabaseOf(schema);
  const std::string& name = schema.Text();
  ReadCursor(pg::TableKindsCursor(pg::ServerVersion(browser_.lblDbType()), name), pg::kListFetch,
             pg::kListBatchSize, [&](TPQResultset& rs) {
               // A parent in another schema is named with its schema.
               std::string parent = Field(rs, 3);
               const std::string parentSchema = Field(rs, 4);
               if (!parentSchema.empty() && parentSchema != name)
                 parent = parentSchema + "." + parent;
               out[Field(rs, 0)] = pg::KindText(Field(rs, 1), Field(rs, 2) == "t", parent);
             });
  return true;
}

bool TPostgresReader::ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) {
  BusyCursor busy(browser_.Prompts());
  UseDatabaseOf(schema);
  const std::string& name = schema.Text();
  const int version = pg::ServerVersion(browser_.lblDbType());
  const pg::FactsGiven given = pg::FactsOf(version);
  FactRows facts(out);
  // One cursor per fact, each in a transaction of its own, as the columns.
  auto read = [&](const std::string& cursor, auto&& row) {
    ReadCursor(cursor, pg::kColumnFetch, pg::kColumnBatchSize, row);
  };
  read(pg::DefaultsCursor(version, name), [&](TPQResultset& rs) {
    std::string text = Field(rs, 2);
    if (Field(rs, 4) == "t") {
      text = "GENERATED ALWAYS AS (" + text + ")";
    } else if (Field(rs, 3) == "t") {
      text = "IDENTITY";
    }
    facts.Default(Field(rs, 0), Field(rs, 1), text);
  });
  if (given.indexes) {
    read(pg::IndexesCursor(version, name), [&](TPQResultset& rs) {
      IndexFact index;
      index.name = Field(rs, 1);
      index.unique = Field(rs, 2) == "t";
      index.primary = Field(rs, 3) == "t";
      index.method = Field(rs, 4);
      if (std::string where = Field(rs, 5); !where.empty()) index.note = "WHERE " + where;
      facts.IndexColumn(Field(rs, 0), index, Field(rs, 6), Field(rs, 7) == "t",
                        Field(rs, 8) == "t");
    });
  }
  if (given.foreignKeys) {
    read(pg::ForeignKeysCursor(version, name), [&](TPQResultset& rs) {
      ForeignKeyFact key;
      key.name = Field(rs, 1);
      key.refTable = QualifiedTable(name, Field(rs, 4), Field(rs, 3));
      key.onDelete = pg::ActionText(Field(rs, 6));
      key.onUpdate = pg::ActionText(Field(rs, 7));
      facts.ForeignKeyColumn(Field(rs, 0), key, Field(rs, 2), Field(rs, 5));
    });
  }
  if (given.constraints) {
    read(pg::ConstraintsCursor(version, name), [&](TPQResultset& rs) {
      facts.Constraint(Field(rs, 0),
                       {Field(rs, 1), Field(rs, 2) == "u" ? "UNIQUE" : "CHECK", Field(rs, 3)});
    });
  }
  if (!given.indexes || !given.foreignKeys || !given.constraints) {
    std::set<std::string> tables;
    read(pg::TableNamesCursor(name), [&](TPQResultset& rs) { tables.insert(Field(rs, 0)); });
    facts.NotGiven(tables, false, !given.indexes, !given.foreignKeys, !given.constraints);
  }
  facts.Finish();
  return true;
}

}  // namespace zel
