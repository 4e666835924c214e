#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "catalog/Browser.h"
#include "catalog/postgres/PostgresReader.h"
#include "catalog/postgres/PostgresStatements.h"
#include "common/Text.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/ScriptedPrompts.h"

using namespace zel;
using zel::test::PgDatabases;
using zel::test::PgServer;
using zel::test::Psql;
using zel::test::ScriptedPrompts;

namespace {

std::vector<std::string> Children(const TTreeNode* n) { return zel::test::ChildTexts(n); }
TTreeNode* Find(const TTreeNode* parent, const std::string& text) {
  return zel::test::FindChild(parent, text);
}

std::vector<std::string> Row(const TStringGrid& g, int r, int cols = 8) {
  std::vector<std::string> out;
  for (int c = 0; c < cols; ++c) out.push_back(g.Cell(c, r));
  return out;
}

struct PgBrowser : zel::test::PgBrowser {
  using zel::test::PgBrowser::PgBrowser;
  TTreeNode* Schema(TTreeNode* db, const std::string& name) { return Select(db, name); }
  TTreeNode* Table(TTreeNode* schema, const std::string& name) { return Select(schema, name); }
};

class PostgresReaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!zel::test::PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    catalogDb = dbs->CreateCatalog();
    sjisDb = dbs->CreateLegacySjis();
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }
  static PgDatabases* dbs;
  static std::string catalogDb, sjisDb;
};
PgDatabases* PostgresReaderTest::dbs = nullptr;
std::string PostgresReaderTest::catalogDb, PostgresReaderTest::sjisDb;

}  // namespace

TEST(PostgresStatements, QuotesAndVersionForms) {
  EXPECT_EQ(pg::LiteralBody("it's"), "it''s");
  std::string tables = pg::TablesStatement("x' or 'a'='a");
  EXPECT_NE(tables.find("WHERE a.schemaname='x'' or ''a''=''a' ORDER BY a.relname "),
            std::string::npos);
  EXPECT_EQ(tables.rfind("DECLARE mycursor CURSOR for  SELECT    a.relname,d.description", 0), 0u);

  std::string old = pg::ColumnsStatement("PostgreSQL 7.4.30", "s", "t");
  EXPECT_NE(old.find("and b.attnum in(f.conkey[1],f.conkey[2],"), std::string::npos);
  EXPECT_NE(old.find("f.conkey[19],f.conkey[20])"), std::string::npos);
  EXPECT_EQ(old.find("any(f.conkey)"), std::string::npos);
  std::string current = pg::ColumnsStatement("PostgreSQL 17.2", "s", "t");
  EXPECT_NE(current.find("and b.attnum = any(f.conkey) where a.schemaname = 's' and a.relname = 't' "
                         "order by a.schemaname,a.relname,b.attnum"),
            std::string::npos);
  EXPECT_EQ(current.find("conkey[1]"), std::string::npos);
  EXPECT_NE(current.find("end as \"必須\""), std::string::npos);
  EXPECT_NE(current.find("d.description as \"コメント\""), std::string::npos);
}

TEST(PostgresStatements, SplitType) {
  struct Case {
    const char* in;
    const char* type;
    const char* length;
    const char* scale;
  } cases[] = {
      {"character varying(20)", "character varying", "20", ""},
      {"numeric(10,2)", "numeric", "10", "2"},
      {"integer", "integer", "", ""},
      {"timestamp(6) without time zone", "timestamp without time zone", "6", ""},
      {"character varying(20)[]", "character varying[]", "20", ""},
  };
  for (const auto& c : cases) {
    pg::TypeCells cells = pg::SplitType(c.in);
    EXPECT_EQ(cells.type, c.type) << c.in;
    EXPECT_EQ(cells.length, c.length) << c.in;
    EXPECT_EQ(cells.scale, c.scale) << c.in;
  }
}

TEST_F(PostgresReaderTest, ConnectListsEveryDatabase) {
  ZEL_REQUIRE_PG(srv);
  // Other test programs make and drop databases meanwhile: what exists both
  // before and after the connect must be listed, and nothing else than what
  // existed at one of the two moments.
  auto databases = [&] {
    std::string out;
    EXPECT_EQ(Psql(srv, "postgres", "select datname from pg_database", &out), 0);
    std::set<std::string> found;
    size_t pos = 0;
    while (pos < out.size()) {
      size_t nl = out.find('\n', pos);
      if (nl == std::string::npos) nl = out.size();
      if (nl > pos) found.insert(out.substr(pos, nl - pos));
      pos = nl + 1;
    }
    return found;
  };
  const std::set<std::string> before = databases();
  PgBrowser b(srv);
  ASSERT_TRUE(b.browser->chkDbOK()) << (b.prompts.messages.empty() ? "" : b.prompts.messages[0].text);
  const std::set<std::string> after = databases();
  EXPECT_EQ(b.Root()->Text(), srv.host);
  EXPECT_EQ(b.Root()->SelectedIndex(), 0);
  EXPECT_EQ(b.browser->lblDbType().rfind("PostgreSQL 15.", 0), 0u) << b.browser->lblDbType();
  auto names = Children(b.Root());
  const std::multiset<std::string> listed(names.begin(), names.end());
  for (const std::string& name : before)
    if (after.count(name)) {
      EXPECT_EQ(listed.count(name), 1u) << name;
    }
  for (const std::string& name : listed)
    EXPECT_TRUE(before.count(name) || after.count(name)) << name;
  EXPECT_NE(std::find(names.begin(), names.end(), "template0"), names.end());
  for (int i = 0; i < b.Root()->ChildCount(); ++i) {
    EXPECT_TRUE(b.Root()->Child(i)->HasChildren());
    EXPECT_EQ(b.Root()->Child(i)->ImageIndex(), 1);
  }
}

TEST_F(PostgresReaderTest, SchemasTablesAndColumns) {
  ZEL_REQUIRE_PG(srv);
  PgBrowser b(srv);
  TTreeNode* db = b.Database(catalogDb);
  ASSERT_NE(db, nullptr);
  auto schemas = Children(db);
  EXPECT_EQ(std::set<std::string>(schemas.begin(), schemas.end()),
            (std::set<std::string>{"sales", "other", "it's; odd \\ schema", "x' or 'a'='a"}));
  EXPECT_EQ(schemas.size(), 4u);  // no duplicates, no empty schema

  TTreeNode* sales = b.Schema(db, "sales");
  EXPECT_EQ(Children(sales), (std::vector<std::string>{"customer", "no_comment", "order_line"}));
  const TStringGrid& list = b.browser->grdTableList();
  ASSERT_EQ(list.RowCount(), 4);
  EXPECT_EQ(Row(list, 1, 5), (std::vector<std::string>{"1", "customer", "顧客マスタ 😀～①髙", "", ""}));
  EXPECT_EQ(Row(list, 2, 5), (std::vector<std::string>{"2", "no_comment", "", "", ""}));
  EXPECT_EQ(Row(list, 3, 5), (std::vector<std::string>{"3", "order_line", "受注明細", "", ""}));
  EXPECT_EQ(b.browser->ActivePage(), Page::TableList);
  const TableInfo* info = Find(sales, "customer")->Data();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->comment, "顧客マスタ 😀～①髙");
  EXPECT_FALSE(info->hasDates);

  b.Table(sales, "customer");
  EXPECT_EQ(b.browser->lblTableName(), "customer");
  EXPECT_TRUE(b.browser->lblTableCommentlabelVisible());
  const TStringGrid& def = b.browser->grdTableDefinition();
  ASSERT_EQ(def.RowCount(), 10);
  using V = std::vector<std::string>;
  EXPECT_EQ(Row(def, 1), (V{"1", "id", "integer", "", "", "1", "1", "顧客ID"}));
  EXPECT_EQ(Row(def, 2), (V{"2", "name", "character varying", "20", "", "1", "", "氏名（漢字）"}));
  EXPECT_EQ(Row(def, 3), (V{"3", "rate", "numeric", "10", "2", "", "", "=1+2"}));
  EXPECT_EQ(Row(def, 4), (V{"4", "created", "timestamp without time zone", "6", "", "", "", "2008/04/10"}));
  EXPECT_EQ(Row(def, 5), (V{"5", "tags", "character varying[]", "20", "", "", "", "'a','b'"}));
  EXPECT_EQ(Row(def, 6), (V{"6", "note", "text", "", "", "", "", "007"}));
  EXPECT_EQ(Row(def, 7), (V{"7", "photo", "bytea", "", "", "", "", "@SUM(A1)"}));
  EXPECT_EQ(Row(def, 8), (V{"8", "updated", "timestamp with time zone", "", "", "1", "", ""}));
  EXPECT_EQ(Row(def, 9), (V{"9", "scores", "integer[]", "", "", "", "", ""}));
  EXPECT_EQ(def.Cell(8, 1), "");  // the hidden column stays empty for PostgreSQL

  b.Table(sales, "order_line");
  ASSERT_EQ(def.RowCount(), 5);
  EXPECT_EQ(Row(def, 1), (V{"1", "order_no", "integer", "", "", "1", "1", ""}));
  EXPECT_EQ(Row(def, 2), (V{"2", "line_no", "smallint", "", "", "1", "1", ""}));
  EXPECT_EQ(Row(def, 3), (V{"3", "product", "character", "8", "", "", "", ""}));
  EXPECT_EQ(Row(def, 4), (V{"4", "qty", "bigint", "", "", "1", "", ""}));

  b.Table(sales, "no_comment");
  EXPECT_EQ(b.browser->lblTableComment(), "");
  EXPECT_FALSE(b.browser->lblTableCommentlabelVisible());
}

TEST_F(PostgresReaderTest, SameNameInTwoSchemasAndHostileNames) {
  ZEL_REQUIRE_PG(srv);
  PgBrowser b(srv);
  TTreeNode* db = b.Database(catalogDb);
  ASSERT_NE(db, nullptr);
  TTreeNode* other = b.Schema(db, "other");
  b.Table(other, "customer");
  const TStringGrid& def = b.browser->grdTableDefinition();
  ASSERT_EQ(def.RowCount(), 3);
  EXPECT_EQ(def.Cell(1, 1), "code");
  EXPECT_EQ(def.Cell(1, 2), "名前");

  TTreeNode* odd = b.Schema(db, "it's; odd \\ schema");
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(Children(odd), (std::vector<std::string>{"tab 'x'; y\\z"}));
  b.Table(odd, "tab 'x'; y\\z");
  ASSERT_EQ(def.RowCount(), 2);
  EXPECT_EQ(def.Cell(1, 1), "col \"q\"");
  EXPECT_EQ(def.Cell(5, 1), "1");

  // A name that would widen the condition lists only its own table.
  TTreeNode* inj = b.Schema(db, "x' or 'a'='a");
  EXPECT_EQ(Children(inj), (std::vector<std::string>{"only_here"}));
  EXPECT_EQ(b.browser->grdTableList().RowCount(), 2);
}

TEST_F(PostgresReaderTest, LegacyShiftJisTextIsDecoded) {
  ZEL_REQUIRE_PG(srv);
  // Browsing, and in a bulk session, whose session statements go together.
  for (bool bulk : {false, true}) {
    SCOPED_TRACE(bulk);
    PgBrowser b(srv);
    b.browser->SetBulkSession(bulk);
    TTreeNode* db = b.Database(sjisDb);
    ASSERT_NE(db, nullptr);
    TTreeNode* legacy = b.Schema(db, "legacy");
    ASSERT_NE(legacy, nullptr);
    EXPECT_EQ(b.browser->grdTableList().Cell(2, 1), "顧客");
    b.Table(legacy, "kokyaku");
    std::string comment = b.browser->grdTableDefinition().Cell(7, 1);
    EXPECT_EQ(comment.substr(0, 2), "ID");
    EXPECT_TRUE(zel::text::IsValidUtf8(comment));
    EXPECT_NE(comment.find("\xEF\xBF\xBD"), std::string::npos);
  }
}

TEST_F(PostgresReaderTest, SelectionReconnectsToTheNodesDatabase) {
  ZEL_REQUIRE_PG(srv);
  PgBrowser b(srv);
  auto* reader = dynamic_cast<TPostgresReader*>(b.browser->Reader());
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->Component().DataBaseName, "postgres");
  TTreeNode* db = b.Database(catalogDb);
  EXPECT_EQ(reader->Component().DataBaseName, catalogDb);
  TTreeNode* sales = b.Schema(db, "sales");
  // Point the connection elsewhere, then select a table of the fixture.
  b.Database("postgres");
  EXPECT_EQ(reader->Component().DataBaseName, "postgres");
  b.browser->TreeView1Change(*Find(sales, "customer"));
  EXPECT_EQ(reader->Component().DataBaseName, catalogDb);
  EXPECT_EQ(b.browser->grdTableDefinition().Cell(1, 1), "id");
  // The server node reconnects without a database name; libpq then takes
  // the user's name, and there is no such database here. The failure
  // escapes and leaves the browser disconnected.
  EXPECT_THROW(b.browser->TreeView1Change(*b.Root()), EPQConnectError);
  EXPECT_EQ(reader->Component().DataBaseName, "");
  EXPECT_FALSE(b.browser->IsConnected());
  EXPECT_TRUE(b.browser->Commands().connect);
  // Selecting a database node connects again.
  b.Database(catalogDb);
  EXPECT_TRUE(b.browser->IsConnected());
}

TEST_F(PostgresReaderTest, FailedConnectionsShowTheLibraryMessage) {
  ZEL_REQUIRE_PG(srv);
  struct Case {
    std::string what;
    PgServer server;
    std::string database;
    std::string expected;
  };
  PgServer badPort = srv;
  badPort.port = "1";
  PgServer badPassword = srv;
  badPassword.password = "wrong";
  std::vector<Case> cases = {
      {"password", badPassword, "postgres", "password authentication failed"},
      {"port", badPort, "postgres", "Connection refused"},
      {"database", srv, "no_such_database_zel", "does not exist"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PgBrowser b(c.server, c.database);
    EXPECT_FALSE(b.browser->chkDbOK());
    EXPECT_EQ(b.browser->FDbKind, dkNone);
    EXPECT_TRUE(b.browser->TreeView1().Empty());
    EXPECT_TRUE(b.browser->Commands().connect);
    ASSERT_EQ(b.prompts.messages.size(), 1u);
    EXPECT_NE(b.prompts.messages[0].text.find(c.expected), std::string::npos)
        << b.prompts.messages[0].text;
    EXPECT_EQ(b.prompts.messages[0].caption, "Zelmora");
  }
}

TEST_F(PostgresReaderTest, FailedStatementInsideABlockLeavesTheConnectionUsable) {
  ZEL_REQUIRE_PG(srv);
  // A role that may not read pg_description makes the table statement fail
  // inside its transaction block.
  Psql(srv, catalogDb, "DROP ROLE IF EXISTS zel_limited");
  ASSERT_EQ(Psql(srv, catalogDb,
                 "CREATE ROLE zel_limited LOGIN PASSWORD 'limited'; "
                 "REVOKE SELECT ON pg_catalog.pg_description FROM PUBLIC;"),
            0);
  PgServer limited = srv;
  limited.user = "zel_limited";
  // Browsing, and in a bulk session where BEGIN, DECLARE and FETCH go in
  // one message.
  for (bool bulk : {false, true}) {
    SCOPED_TRACE(bulk);
    PgBrowser b(limited, catalogDb, "limited");
    ASSERT_TRUE(b.browser->chkDbOK());
    b.browser->SetBulkSession(bulk);
    TTreeNode* db = b.Database(catalogDb);
    ASSERT_NE(db, nullptr);
    TTreeNode* sales = Find(db, "sales");
    ASSERT_NE(sales, nullptr);
    EXPECT_THROW(b.browser->TreeView1Change(*sales), EPQError);
    EXPECT_TRUE(b.browser->IsConnected());
    // Without the ROLLBACK the next block would fail with "current
    // transaction is aborted".
    b.browser->TreeView1Expanding(*db);
    EXPECT_EQ(db->ChildCount(), 4);
  }
  Psql(srv, catalogDb, "GRANT SELECT ON pg_catalog.pg_description TO PUBLIC");
  Psql(srv, catalogDb, "DROP OWNED BY zel_limited; DROP ROLE zel_limited");
}

TEST_F(PostgresReaderTest, ABulkSessionKeepsTheConnectionItsDatabaseAlreadyHas) {
  ZEL_REQUIRE_PG(srv);
  PgBrowser b(srv);
  auto* reader = dynamic_cast<TPostgresReader*>(b.browser->Reader());
  ASSERT_NE(reader, nullptr);
  auto backend = [&] {
    reader->Component().ExecSQL("select pg_backend_pid()");
    return reader->Component().GetResult()->Fields(0).AsString();
  };
  std::vector<std::string> sent;
  reader->OnStatement = [&](const std::string& sql) { sent.push_back(sql); };
  b.browser->SetBulkSession(true);
  const std::string first = backend();
  TTreeNode* db = b.Database(catalogDb);  // another database: a new connection
  const std::string there = backend();
  EXPECT_NE(there, first);
  sent.clear();
  b.browser->TreeView1Expanding(*db);
  EXPECT_EQ(backend(), there);
  EXPECT_EQ(db->ChildCount(), 4);
  const std::vector<std::string> bulkSent = std::exchange(sent, {});
  // Browsing, every schema load opens a fresh connection, with the same
  // statements.
  b.browser->SetBulkSession(false);
  b.browser->TreeView1Expanding(*db);
  EXPECT_NE(backend(), there);
  EXPECT_EQ(db->ChildCount(), 4);
  std::vector<std::string> browsed = {"set standard_conforming_strings to on",
                                      "show server_encoding"};
  browsed.insert(browsed.end(), bulkSent.begin(), bulkSent.end());
  EXPECT_EQ(sent, browsed);
}
