#include "catalog/mysql/MySqlReader.h"

#include <charconv>
#include <stdexcept>
#include <utility>

#include "catalog/Browser.h"
#include "catalog/CatalogRows.h"
#include "catalog/ConnectFailure.h"
#include "catalog/FactRows.h"
#include "catalog/mysql/MySqlStatements.h"
#include "common/Text.h"
#include "db/mysql/MySQL5.h"

namespace zel {
namespace {

// Runs `sql` on `c`, handing each row's fields to `row` by number from 1.
// Streamed rather than held: a component kept for a bulk session would
// otherwise add each statement's rows to those of the ones before.
template <typename RowAction>
void EachRow(TMySQL5& c, const std::string& sql, RowAction&& row) {
  c.QueryEach(sql, [&](const TMySQL5::Row& f) {
    row([&](int i) { return text::FromServer(f[static_cast<size_t>(i - 1)]); });
  });
}

// A TCP port as typed: digits only, 1 to 65535.
bool ParsePort(const std::string& text, int& port) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, port);
  return ec == std::errc() && ptr == end && !text.empty() && text[0] != '-' && port >= 1 &&
         port <= 65535;
}

std::string PortMessage(const std::string& port) {
  return "MySQL のポート番号「" + port + "」は 1 から 65535 までの整数ではありません。";
}

}  // namespace

std::unique_ptr<TMySQL5> NewMySqlComponent(const MySqlConnectionValues& values) {
  auto c = std::make_unique<TMySQL5>();
  c->Connect(values.host, values.user, values.password, values.port);
  return c;
}

TMySqlReader::TMySqlReader(TBrowser& browser) : browser_(browser) {}

std::shared_ptr<TMySQL5> TMySqlReader::Component(const MySqlConnectionValues& values) {
  if (!browser_.BulkSession()) return NewMySqlComponent(values);
  // One that failed to open, or whose server went away, is not kept.
  if (!held_ || !held_->Connected()) held_ = NewMySqlComponent(values);
  return held_;
}

ReaderFactory TMySqlReader::Factory() {
  return [](TBrowser& browser) { return std::make_unique<TMySqlReader>(browser); };
}

bool TMySqlReader::Values(MySqlConnectionValues& out) const {
  out = {browser_.FMySqlHost, browser_.FMySqlUser, browser_.FMySqlPassword, 0};
  return ParsePort(browser_.FMySqlPort, out.port);
}

MySqlConnectionValues TMySqlReader::ValuesOrRaise() const {
  MySqlConnectionValues v;
  if (!Values(v)) throw std::runtime_error(PortMessage(browser_.FMySqlPort));
  return v;
}

bool TMySqlReader::Connect() {
  if (browser_.TreeView1().Root()) return false;
  MySqlConnectionValues values;
  if (!Values(values)) {
    browser_.ShowError(PortMessage(browser_.FMySqlPort));
    return false;
  }
  TCatalogRows rows(browser_);
  TTreeNode& root = rows.Root(browser_.FMySqlHost);
  {
    std::shared_ptr<TMySQL5> c = Component(values);
    if (!c->Connected()) {
      browser_.ShowError(ConnectFailureText({"MySQL", browser_.FMySqlHost, browser_.FMySqlPort, {}},
                                            MySqlCause(c->LastErrorNumber()), c->LastError()));
      return false;
    }
    bool first = true;
    EachRow(*c, my::kVersionStatement, [&](auto field) {
      if (!std::exchange(first, false)) return;
      browser_.SetLblDbType("MySQL " + field(1));
      browser_.FMySqlCharset = field(2);
    });
  }  // the version's connection is not needed again (in a bulk session it is the session's)
  std::shared_ptr<TMySQL5> c = Component(values);
  EachRow(*c, my::kSchemasStatement, [&](auto field) { rows.Container(root, field(1)); });
  return true;
}

void TMySqlReader::LoadSchemas(TTreeNode& node) { (void)node; }

void TMySqlReader::LoadTables(TTreeNode& node) {
  TCatalogRows rows(browser_);
  if (!rows.Reload(node, browser_.FSchemaLevel)) return;
  std::shared_ptr<TMySQL5> c = Component(ValuesOrRaise());
  EachRow(*c, my::TablesStatement(c->EscapeString(node.Text())), [&](auto field) {
    rows.Table(node, {field(1), field(2), field(3), field(4)});
  });
}

std::vector<ColumnRow> TMySqlReader::ReadColumns(TMySQL5& c, const ColumnTask& task) {
  std::vector<ColumnRow> rows;
  EachRow(c, my::ColumnsStatement(c.EscapeString(task.schema), c.EscapeString(task.table)),
          [&](auto field) {
            rows.push_back(my::ColumnRowOf({field(1), field(2), field(3), field(4), field(5),
                                            field(6), field(7), field(8), field(9)}));
          });
  return rows;
}

void TMySqlReader::LoadColumns(TTreeNode& node) {
  BusyCursor busy(browser_.Prompts());
  std::vector<ColumnRow> rows =
      ReadColumns(*Component(ValuesOrRaise()), browser_.ColumnTaskOf(node));
  ICatalogReader::FillColumns(browser_, node, rows);
}

bool TMySqlReader::ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) {
  BusyCursor busy(browser_.Prompts());
  std::shared_ptr<TMySQL5> c = Component(ValuesOrRaise());
  // Streamed: the rows go straight to the tables they belong to.
  c->QueryEach(my::SchemaColumnsStatement(c->EscapeString(schema.Text())),
               [&](const TMySQL5::Row& f) {
                 auto text = [&](int i) { return text::FromServer(f[static_cast<size_t>(i)]); };
                 out.Add(text(9), my::ColumnRowOf({text(0), text(1), text(2), text(3), text(4),
                                                   text(5), text(6), text(7), text(8)}));
               });
  return true;
}

bool TMySqlReader::ReadTableKinds(TTreeNode& schema, TableKinds& out) {
  std::shared_ptr<TMySQL5> c = Component(ValuesOrRaise());
  c->QueryEach(my::TableKindsStatement(c->EscapeString(schema.Text())),
               [&](const TMySQL5::Row& f) {
                 out[text::FromServer(f[0])] = my::KindText(text::FromServer(f[1]));
               });
  return true;
}

bool TMySqlReader::ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) {
  BusyCursor busy(browser_.Prompts());
  const my::Server server = my::ServerOf(browser_.lblDbType());
  const my::FactsGiven given = my::FactsOf(server);
  const std::string& name = schema.Text();
  // One connection for the schema's fact statements, one after the other.
  std::shared_ptr<TMySQL5> c = Component(ValuesOrRaise());
  const std::string literal = c->EscapeString(name);
  FactRows facts(out);
  auto each = [&](const std::string& sql, auto&& row) {
    c->QueryEach(sql, [&](const TMySQL5::Row& f) {
      row([&](int i) { return text::FromServer(f[static_cast<size_t>(i)]); });
    });
  };
  each(my::DefaultsStatement(given, literal), [&](auto field) {
    facts.Default(field(0), field(1),
                  my::DefaultText(server, field(2), field(3) == "1", field(4), field(5)));
  });
  each(my::IndexesStatement(given, literal), [&](auto field) {
    IndexFact index;
    index.name = field(1);
    index.unique = field(2) == "0";
    index.primary = index.name == "PRIMARY";
    index.method = field(6);
    std::string key = field(3).empty() ? field(7) : field(3);
    // A spatial key reports its cell size where other keys give a prefix.
    if (const std::string part = field(5); !part.empty() && index.method != "SPATIAL")
      key += "(" + part + ")";
    facts.IndexColumn(field(0), index, key, field(4) == "D", false);
  });
  if (given.foreignKeys) {
    each(my::ForeignKeysStatement(literal), [&](auto field) {
      ForeignKeyFact key;
      key.name = field(1);
      key.refTable = QualifiedTable(name, field(3), field(4));
      key.onDelete = field(6);
      key.onUpdate = field(7);
      facts.ForeignKeyColumn(field(0), key, field(2), field(5));
    });
  }
  if (given.constraints) {
    // Every unique index but the primary key is a unique constraint.
    for (auto& [table, f] : out) {
      for (const IndexFact& index : f.indexes)
        if (index.unique && !index.primary)
          facts.Constraint(table, {index.name, "UNIQUE", "UNIQUE (" + index.columns + ")"});
    }
  }
  if (given.checks) {
    each(my::ChecksStatement(server, literal), [&](auto field) {
      const std::string clause = field(2);
      facts.Constraint(field(0), {field(1), "CHECK", clause.empty() ? "" : "CHECK (" + clause + ")"});
    });
  }
  if (!given.foreignKeys || !given.constraints) {
    std::set<std::string> tables;
    c->QueryEach(my::TableKindsStatement(literal),
                 [&](const TMySQL5::Row& f) { tables.insert(text::FromServer(f[0])); });
    facts.NotGiven(tables, false, false, !given.foreignKeys, !given.constraints);
  }
  facts.Finish();
  return true;
}

void TMySqlReader::FillColumns(TBrowser& browser, TTreeNode& node,
                               const std::vector<ColumnRow>& rows) {
  BusyCursor busy(browser.Prompts());
  ICatalogReader::FillColumns(browser, node, rows);
}

}  // namespace zel
