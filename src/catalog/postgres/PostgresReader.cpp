#include "catalog/postgres/PostgresReader.h"

#include "catalog/Browser.h"
#include "catalog/CatalogRows.h"
#include "catalog/postgres/PostgresStatements.h"
#include "common/Text.h"

namespace zel {
namespace {

std::string Field(TPQResultset& rs, int i) { return text::FromServer(rs.Fields(i).AsString()); }

// Restores the default cursor however the column read ends.
class BusyCursor {
 public:
  explicit BusyCursor(IPrompts& prompts) : prompts_(prompts) { prompts_.SetBusy(true); }
  ~BusyCursor() { prompts_.SetBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  IPrompts& prompts_;
};

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

void TPostgresReader::Reopen() {
  PQCompoDataBase->Open();
  // Names go into statements between single quotes with their quotes
  // doubled; with standard-conforming strings a backslash in a name is just
  // a character. Servers too old to know the setting treat neither.
  try {
    Exec("set standard_conforming_strings to on");
  } catch (const EPQError&) {
  }
  // A SQL_ASCII database stores whatever bytes its clients sent, often
  // Shift-JIS; the server refuses to pass them off as UTF-8. Taken raw, they
  // are decoded here instead.
  try {
    Exec("show server_encoding");
    auto rs = PQCompoDataBase->GetResult();
    if (rs && !rs->Eof() && rs->Fields(0).AsString() == "SQL_ASCII") {
      rs.reset();
      Exec("set client_encoding to 'SQL_ASCII'");
    }
  } catch (const EPQError&) {
  }
}

template <typename Body>
void TPostgresReader::InTransaction(Body&& body) {
  Exec("BEGIN");
  try {
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
void TPostgresReader::ReadBatches(const char* fetch, RowAction&& action) {
  Exec(fetch);
  std::unique_ptr<TPQResultset> rs = PQCompoDataBase->GetResult();
  while (rs && rs->RowCount() > 0) {
    while (!rs->Eof()) {
      action(*rs);
      rs->Next();
    }
    if (rs->RowCount() < pg::kBatchSize) break;
    rs.reset();
    Exec(fetch);
    rs = PQCompoDataBase->GetResult();
  }
}

bool TPostgresReader::Connect() {
  TCatalogRows rows(browser_);
  TTreeNode& root = rows.Root(PQCompoDataBase->Host);
  try {
    Reopen();
  } catch (const std::exception& e) {
    browser_.ShowError(e.what());
    return false;
  }
  InTransaction([&] {
    Exec(pg::kVersionCursor);
    Exec(pg::kVersionFetch);
    if (auto rs = PQCompoDataBase->GetResult(); rs && !rs->Eof()) {
      std::string v = Field(*rs, 0);
      browser_.SetLblDbType(TdCommon::GetToken(v, 1, ' ') + " " + TdCommon::GetToken(v, 2, ' '));
    }
    Exec(pg::kDatabasesCursor);
    ReadBatches(pg::kDatabasesFetch, [&](TPQResultset& rs) { rows.Container(root, Field(rs, 0)); });
  });
  return true;
}

void TPostgresReader::PrepareSelection(TTreeNode& node) {
  const std::string database = browser_.DatabaseNameOf(node);
  if (PQCompoDataBase->Connected() && database == PQCompoDataBase->DataBaseName) return;
  PQCompoDataBase->Close();
  PQCompoDataBase->DataBaseName = database;
  Reopen();
}

void TPostgresReader::LoadSchemas(TTreeNode& node) {
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FDatabaseLevel)) return;
  PQCompoDataBase->DataBaseName = node.Text();
  PQCompoDataBase->Close();
  Reopen();
  InTransaction([&] {
    Exec(pg::kSchemasCursor);
    ReadBatches(pg::kFetch, [&](TPQResultset& rs) { rows.Container(node, Field(rs, 0)); });
  });
}

void TPostgresReader::LoadTables(TTreeNode& node) {
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FSchemaLevel)) return;
  InTransaction([&] {
    Exec(pg::TablesStatement(node.Text()));
    ReadBatches(pg::kFetch, [&](TPQResultset& rs) {
      rows.Table(node, {Field(rs, 0), Field(rs, 1), {}, {}}, /*withDates=*/false);
    });
    browser_.ShowPage(Page::TableList);
  });
}

void TPostgresReader::LoadColumns(TTreeNode& node) {
  BusyCursor busy(browser_.Prompts());
  const TTreeNode* schema = node.Parent();
  Exec(
      pg::ColumnsStatement(browser_.lblDbType(), schema ? schema->Text() : "", node.Text()));
  std::unique_ptr<TPQResultset> rs = PQCompoDataBase->GetResult();
  if (!rs) return;
  TCatalogRows rows(browser_);
  for (; !rs->Eof(); rs->Next()) {
    pg::TypeCells type = pg::SplitType(Field(*rs, 2));
    rows.Column({Field(*rs, 0), Field(*rs, 1), type.type, type.length, type.scale, Field(*rs, 5),
                 Field(*rs, 6), Field(*rs, 7), {}});
  }
}

}  // namespace zel
