#include "catalog/oracle/OracleReader.h"

#include <new>

#include "catalog/Browser.h"
#include "catalog/CatalogRows.h"
#include "catalog/ConnectFailure.h"
#include "catalog/FactText.h"
#include "catalog/oracle/OracleStatements.h"
#include "common/Text.h"
#include "db/oracle/OraError.h"

namespace zel {
namespace {

std::string Text(const OraField& field) {
  return text::FromServer(TdCommon::VariantToStrDef(field.Value(), ""));
}

// Runs one step of the closing sequence; a failure there must not keep the
// steps after it from running.
template <typename Step>
void Trap(Step&& step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

// Each row of a fact's dynaset, as text; a result narrower than the
// statement's select list is refused rather than read wrongly.
template <typename Take>
void EachRow(OraDynaset& d, int fields, Take take) {
  if (d.Fields().Count() < fields)
    throw EOleException("The statement returned " + std::to_string(d.Fields().Count()) +
                        " columns instead of " + std::to_string(fields) + ".");
  const int n = d.RecordCount();
  d.MoveFirst();
  std::vector<std::string> row(static_cast<size_t>(fields));
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < fields; ++c) row[static_cast<size_t>(c)] = Text(d.Fields(c));
    take(row);
    d.MoveNext();
  }
}

void TakeDefault(const std::vector<std::string>& r, std::map<std::string, TableFacts>& out) {
  const std::string text = facts::TrimEnd(r[2]);
  std::string cell;
  // An identity column's default is its sequence's NEXTVAL: the kind of
  // column says more.
  if (r[3] == "YES")
    cell = "IDENTITY";
  else if (r[4] == "YES")
    cell = "GENERATED ALWAYS AS (" + text + ")";
  else if (!facts::IsNullDefault(text))
    cell = text;
  if (!cell.empty()) out[r[0]].defaults[r[1]] = cell;
}

// The column list a key shows: the expression of a function-based column
// (a descending one is one too, on its column), " DESC" where descending.
void TakeIndexColumn(const std::vector<std::string>& r, std::map<std::string, TableFacts>& out) {
  IndexFact& f = facts::Named(out[r[0]].indexes, r[1]);
  f.method = r[2];
  f.unique = r[3] == "UNIQUE";
  f.primary = r[4] == "1";
  const std::string expression = facts::TrimEnd(r[7]);
  facts::AddItem(f.columns,
                 (expression.empty() ? r[5] : expression) + (r[6] == "DESC" ? " DESC" : ""));
}

void TakeForeignKeyColumn(const std::vector<std::string>& r, const std::string& owner,
                          std::map<std::string, TableFacts>& out) {
  TableFacts& t = out[r[0]];
  ForeignKeyFact& f = facts::Named(t.foreignKeys, r[1]);
  f.refTable = r[3] == owner || r[3].empty() ? r[4] : r[3] + "." + r[4];
  f.onDelete = r[6];
  // Oracle has no ON UPDATE rule: a referenced key cannot change while
  // rows point at it, which is what NO ACTION means elsewhere.
  f.onUpdate = "NO ACTION";
  facts::AddItem(f.columns, r[2]);
  facts::AddItem(f.refColumns, r[5]);
  facts::AddItem(t.references[r[2]], f.refTable + "." + r[5], "\n");
}

// Whether a check is one Oracle made for a NOT NULL column: a generated
// name and nothing but `"COLUMN" IS NOT NULL`.
bool IsNotNullCheck(const std::string& generated, const std::string& condition) {
  static const std::string kTail = "\" IS NOT NULL";
  if (generated != "GENERATED NAME") return false;
  const std::string c = facts::TrimEnd(condition);
  if (c.size() <= kTail.size() + 1 || c.front() != '"') return false;
  if (c.compare(c.size() - kTail.size(), kTail.size(), kTail) != 0) return false;
  return c.find('"', 1) == c.size() - kTail.size();
}

}  // namespace

TOracleReader::TOracleReader(TBrowser& browser) : browser_(browser) {}

TOracleReader::~TOracleReader() {
  Close();
}

ReaderFactory TOracleReader::Factory() {
  return [](TBrowser& browser) { return std::make_unique<TOracleReader>(browser); };
}

void TOracleReader::Open(const std::string& sql) {
  FOraSession = std::make_unique<OraSession>();
  FOraDatabase = FOraSession->OpenDatabase(browser_.FOracleHost,
                                           {browser_.FOracleUser, browser_.FOraclePassword}, 0);
  FOraDynaset = FOraDatabase->CreateDynaset(sql, 0);
}

void TOracleReader::CloseObjects() {
  // An opening that failed part way leaves some of the three empty.
  Trap([&] {
    if (FOraDynaset) FOraDynaset->Close();
  });
  Trap([&] {
    if (FOraDatabase) FOraDatabase->Close();
  });
  Trap([&] { FOraDynaset.reset(); });
  Trap([&] { FOraDatabase.reset(); });
  Trap([&] { FOraSession.reset(); });
}

// Whatever the last column read left open goes the same way.
void TOracleReader::Close() {
  CloseObjects();
}

std::string TOracleReader::Field(int index) const {
  return Text(FOraDynaset->Fields(index));
}

std::string TOracleReader::LoadErrorText(const std::exception& e) {
  const char* className = "Exception";
  if (dynamic_cast<const EOleException*>(&e))
    className = "EOleException";
  else if (dynamic_cast<const std::bad_alloc*>(&e))
    className = "EOutOfMemory";
  return std::string(className) + " error raised, with message : " + e.what();
}

void TOracleReader::ShowLoadError(const std::exception& e) {
  browser_.Prompts().MessageBox(
      {"Zelmora", LoadErrorText(e), MsgIcon::None, MsgButtons::Ok, MsgResult::Ok});
}

bool TOracleReader::Connect() {
  TTreeModel& tree = browser_.TreeView1();
  if (tree.RootCount() > 0) return false;
  TCatalogRows rows(browser_);
  TTreeNode& root = rows.Root(browser_.FOracleHost);
  bool ok = false;
  try {
    Open(ora::kVersionStatement);
    if (FOraDynaset->RecordCount() > 0) {
      browser_.SetLblDbType(Field(0));
      browser_.FServerVersion = TdCommon::GetToken(Field(1), 1, '.');
    }
    Trap([&] { FOraDynaset->Close(); });
    FOraDynaset = FOraDatabase->CreateDynaset(ora::kUsersStatement, 0);
    const int n = FOraDynaset->RecordCount();
    FOraDynaset->MoveFirst();
    for (int i = 0; i < n; ++i) {
      rows.Container(root, Field(0));
      FOraDynaset->MoveNext();
    }
    ok = true;
  } catch (const std::exception& e) {
    browser_.ShowError(
        ConnectFailureText({"Oracle", browser_.FOracleHost, {}, {}}, OracleCause(e), e.what()));
  }
  CloseObjects();
  return ok;
}

void TOracleReader::LoadSchemas(TTreeNode& node) {
  (void)node;
  Connect();
}

void TOracleReader::LoadTables(TTreeNode& node) {
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FSchemaLevel)) return;
  try {
    Open(ora::TablesStatement(node.Text()));
    const int n = FOraDynaset->RecordCount();
    FOraDynaset->MoveFirst();
    for (int k = 1; k <= n; ++k) {
      rows.Table(node, {Field(0), Field(1), Field(2), Field(3)});
      FOraDynaset->MoveNext();
    }
  } catch (const std::exception& e) {
    ShowLoadError(e);
  }
  CloseObjects();
}

std::vector<ColumnRow> TOracleReader::ColumnRows(OraDynaset& dynaset, int limit) {
  const int fields = dynaset.Fields().Count();
  const int count = limit >= 0 ? limit : dynaset.RecordCount();
  std::vector<ColumnRow> out;
  out.reserve(static_cast<size_t>(count));
  for (int r = 0; r < count; ++r) {
    ColumnRow row;
    std::string* cells[] = {&row.no,    &row.name,    &row.type,       &row.length,
                            &row.scale, &row.notNull, &row.primaryKey, &row.comment};
    const bool large = fields > 2 && ora::IsLargeType(Text(dynaset.Fields(2)));
    for (int c = 0; c < fields && c < 8; ++c) {
      if ((c == 3 || c == 4) && large) continue;
      *cells[c] = Text(dynaset.Fields(c));
    }
    out.push_back(std::move(row));
    dynaset.MoveNext();
  }
  return out;
}

void TOracleReader::LoadColumns(TTreeNode& node) {
  BusyCursor busy(browser_.Prompts());
  try {
    const ColumnTask task = browser_.ColumnTaskOf(node);
    Open(ora::ColumnsStatement(task.schema, task.table));
    // The statement has eight columns; the grid loses the ninth, which only
    // MySQL fills, for the rest of the run.
    browser_.grdTableDefinition().SetColCount(FOraDynaset->Fields().Count());
    TCatalogRows fill(browser_);
    for (const ColumnRow& row : ColumnRows(*FOraDynaset)) fill.Column(row);
  } catch (const std::exception& e) {
    ShowLoadError(e);
  }
  // The session, database and dynaset stay held until the next operation.
}

bool TOracleReader::ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) {
  BusyCursor busy(browser_.Prompts());
  bool read = false;
  try {
    Open(ora::OwnerColumnsStatement(schema.Text()));
    const int n = FOraDynaset->RecordCount();
    const bool named = FOraDynaset->Fields().Count() > 8;
    FOraDynaset->MoveFirst();
    for (int r = 0; named && r < n; ++r) {
      const std::string table = Field(8);
      std::vector<ColumnRow> one = ColumnRows(*FOraDynaset, 1);
      out.Add(table, std::move(one.front()));
    }
    read = named;
  } catch (const std::exception&) {
    // A failing column statement does not end an Oracle export: each table
    // shows its failure and the run goes on. Reading table by table then
    // fails (or not) exactly as it would have without this statement.
    out.Clear();
  }
  CloseObjects();
  if (!read) out.Clear();
  return read;
}

bool TOracleReader::ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) {
  BusyCursor busy(browser_.Prompts());
  const std::string& owner = schema.Text();
  std::map<std::string, TableFacts> read;
  // Unique constraints' columns, by table and name, until complete.
  std::map<std::pair<std::string, std::string>, std::string> keys;
  try {
    Open(ora::DefaultsStatement(browser_.FServerVersion, owner));
    EachRow(*FOraDynaset, 5, [&](const auto& r) { TakeDefault(r, read); });
    const auto next = [&](const std::string& sql) -> OraDynaset& {
      Trap([&] { FOraDynaset->Close(); });
      FOraDynaset = FOraDatabase->CreateDynaset(sql, 0);
      return *FOraDynaset;
    };
    EachRow(next(ora::IndexesStatement(owner)), 8,
            [&](const auto& r) { TakeIndexColumn(r, read); });
    EachRow(next(ora::ForeignKeysStatement(owner)), 7,
            [&](const auto& r) { TakeForeignKeyColumn(r, owner, read); });
    EachRow(next(ora::ConstraintsStatement(owner)), 6, [&](const auto& r) {
      if (r[2] == "C" && IsNotNullCheck(r[3], r[4])) return;
      ConstraintFact& f = facts::Named(read[r[0]].constraints, r[1]);
      if (r[2] == "U") {
        f.type = "UNIQUE";
        facts::AddItem(keys[{r[0], r[1]}], r[5]);
      } else {
        f.type = "CHECK";
        f.definition = facts::TrimEnd(r[4]);
      }
    });
  } catch (...) {
    CloseObjects();
    throw;
  }
  CloseObjects();
  for (const auto& [key, columns] : keys)
    facts::Named(read[key.first].constraints, key.second).definition = "UNIQUE (" + columns + ")";
  out = std::move(read);
  return true;
}

bool TOracleReader::ReadTableKinds(TTreeNode& schema, TableKinds& out) {
  TableKinds read;
  try {
    Open(ora::TableKindsStatement(schema.Text()));
    EachRow(*FOraDynaset, 2, [&](const auto& r) {
      read[r[0]] = r[1] == "M"   ? "マテリアライズドビュー"
                   : r[1] == "X" ? "外部テーブル"
                                 : "テーブル";
    });
  } catch (...) {
    CloseObjects();
    throw;
  }
  CloseObjects();
  out = std::move(read);
  return true;
}

void TOracleReader::FillColumns(TBrowser& browser, TTreeNode& node,
                                const std::vector<ColumnRow>& rows) {
  BusyCursor busy(browser.Prompts());
  browser.grdTableDefinition().SetColCount(8);
  ICatalogReader::FillColumns(browser, node, rows);
}

}  // namespace zel
