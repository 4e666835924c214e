// The detailed document's facts and table kinds as the PostgreSQL reader
// reads them from a real server: one schema-wide statement each, whatever
// the number of tables.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/Browser.h"
#include "catalog/SchemaRows.h"
#include "catalog/postgres/PostgresReader.h"
#include "catalog/postgres/PostgresStatements.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/TableFactsText.h"

using namespace zel;
using zel::test::PgDatabases;
using zel::test::PgServer;
using zel::test::FactsText;
using zel::test::Psql;

namespace {

class PostgresFactsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!zel::test::PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    factsDb = dbs->Create("zel_facts");
    zel::test::PsqlFile(srv, factsDb, zel::test::FixturePath("pg/facts.sql"));
    // pg_stat_user_tables lists a table once the statistics collector knows it.
    Psql(srv, factsDb, "ANALYZE");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }

  // The browser on the fixture database with `schema` selected, and every
  // statement its reader sends from then on.
  struct Session {
    explicit Session(const PgServer& srv, const std::string& schema) : b(srv, factsDb) {
      node = b.Select(b.Database(factsDb), schema);
      reader = dynamic_cast<TPostgresReader*>(b.browser->Reader());
      if (reader) reader->OnStatement = [this](const std::string& sql) { sent.push_back(sql); };
    }
    size_t Declared() const {
      return static_cast<size_t>(std::count_if(sent.begin(), sent.end(), [](const std::string& s) {
        return s.rfind("DECLARE ", 0) == 0;
      }));
    }
    zel::test::PgBrowser b;
    TTreeNode* node = nullptr;
    TPostgresReader* reader = nullptr;
    std::vector<std::string> sent;
  };

  static PgDatabases* dbs;
  static std::string factsDb;
};
PgDatabases* PostgresFactsTest::dbs = nullptr;
std::string PostgresFactsTest::factsDb;

}  // namespace

TEST(PostgresFactStatements, VersionAndKindTexts) {
  EXPECT_EQ(pg::ServerVersion("PostgreSQL 15.4"), 1500);
  EXPECT_EQ(pg::ServerVersion("PostgreSQL 9.6.24"), 906);
  EXPECT_EQ(pg::ServerVersion("PostgreSQL 7.4.30"), 704);
  EXPECT_EQ(pg::ServerVersion("PostgreSQL 10beta1"), 1000);
  EXPECT_GT(pg::ServerVersion(""), 1800);
  EXPECT_EQ(pg::KindText("r", false, ""), "テーブル");
  EXPECT_EQ(pg::KindText("p", false, ""), "テーブル");
  EXPECT_EQ(pg::KindText("p", true, "top"), "パーティション (top)");
  EXPECT_EQ(pg::KindText("m", false, ""), "マテリアライズドビュー");
  EXPECT_EQ(pg::KindText("f", false, ""), "外部テーブル");
  EXPECT_EQ(pg::KindText("v", false, ""), "ビュー");
  EXPECT_EQ(pg::KindText("S", false, ""), "");
}

TEST_F(PostgresFactsTest, TableKindsOfPartitionsAndViewsInOneStatement) {
  ZEL_REQUIRE_PG(srv);
  Session s(srv, "shop");
  ASSERT_NE(s.node, nullptr);
  ASSERT_NE(s.reader, nullptr);
  TableKinds kinds;
  ASSERT_TRUE(s.reader->ReadTableKinds(*s.node, kinds));
  EXPECT_EQ(kinds, (TableKinds{{"customer", "テーブル"},
                               {"customer_count", "マテリアライズドビュー"},
                               {"measure", "テーブル"},
                               {"measure_2023", "パーティション (measure)"},
                               {"measure_2024", "パーティション (measure)"},
                               {"ord", "テーブル"},
                               {"reading", "テーブル"},
                               {"tab 'x'; [y] z", "テーブル"},
                               {"tally_1", "パーティション (master.tally)"},
                               {"注文明細", "テーブル"}}));
  EXPECT_EQ(s.Declared(), 1u);

  // Through the browser during an export: read at the first table, then
  // served from memory.
  s.sent.clear();
  SchemaRows rows(*s.node);
  s.b.browser->SetSchemaRows(&rows);
  for (int i = 0; i < s.node->ChildCount(); ++i) {
    TTreeNode& table = *s.node->Child(i);
    EXPECT_EQ(s.b.browser->TableKindOf(table), kinds[table.Text()]) << table.Text();
  }
  s.b.browser->SetSchemaRows(nullptr);
  EXPECT_EQ(s.node->ChildCount(), 10);
  EXPECT_EQ(s.Declared(), 1u);

  // A hostile schema name stays one literal and lists only its own table.
  Session odd(srv, "it's; [odd] \\ s");
  ASSERT_NE(odd.node, nullptr);
  TableKinds oddKinds;
  ASSERT_TRUE(odd.reader->ReadTableKinds(*odd.node, oddKinds));
  EXPECT_EQ(oddKinds, (TableKinds{{"customer", "テーブル"}}));
}

TEST_F(PostgresFactsTest, EveryFactOfTheSchemaFromOneStatementEach) {
  ZEL_REQUIRE_PG(srv);
  Session s(srv, "shop");
  ASSERT_NE(s.node, nullptr);
  ASSERT_NE(s.reader, nullptr);
  std::map<std::string, TableFacts> facts;
  ASSERT_TRUE(s.reader->ReadSchemaFacts(*s.node, facts));
  EXPECT_EQ(s.Declared(), 4u);
  for (const std::string& sql : s.sent) {
    if (sql.rfind("DECLARE ", 0) != 0) continue;
    EXPECT_NE(sql.find("a.schemaname = 'shop'"), std::string::npos) << sql;
  }

  // Defaults as the server prints them (quotes, casts, functions, the serial
  // column's sequence), identity and generated columns, an explicit NULL
  // default left out; a key into another schema and one into the table
  // itself; expression, descending, hash, partial, covering and gin indexes.
  EXPECT_EQ(FactsText(facts["customer"]),
            "given 1 1 1 1\n"
            "D code = '=1'::text\n"
            "D created = now()\n"
            "D id = nextval('shop.customer_id_seq'::regclass)\n"
            "D price = 0\n"
            "D remark = 'it''s'::text\n"
            "D seq_no = IDENTITY\n"
            "D total = GENERATED ALWAYS AS ((price * (qty)::numeric))\n"
            "R parent_id = customer.id\n"
            "R region_code = master.region.code\n"
            "R region_sub = master.region.sub\n"
            "I customer_code_key | code | U- | btree | \n"
            "I customer_pkey | id | UP | btree | \n"
            "I ix_cover | region_code, region_sub | U- | btree | WHERE qty > 0 INCLUDE (qty)\n"
            "I ix_lower_code | lower(code), created DESC | -- | btree | \n"
            "I ix_partial | region_code | -- | hash | WHERE region_code IS NOT NULL\n"
            "I ix_tags | to_tsvector('simple'::regconfig, remark) | -- | gin | \n"
            "F fk_parent | parent_id | customer | id | SET NULL | NO ACTION\n"
            "F fk_region | region_code, region_sub | master.region | code, sub | CASCADE | RESTRICT\n"
            "C customer_code_key | UNIQUE | UNIQUE (code)\n"
            "C customer_price_check | CHECK | CHECK (price >= 0::numeric)\n");
  // A column in two keys names both targets, in the keys' name order.
  EXPECT_EQ(FactsText(facts["ord"]),
            "given 1 1 1 1\n"
            "R alt_customer = customer.id\n"
            "R customer_id = customer.id | customer.id\n"
            "I ord_pkey | ord_no | UP | btree | \n"
            "F ord_again_fk | customer_id | customer | id | RESTRICT | NO ACTION\n"
            "F ord_alt_fk | alt_customer | customer | id | NO ACTION | SET DEFAULT\n"
            "F ord_customer_fk | customer_id | customer | id | NO ACTION | NO ACTION\n");
  // A key into a partitioned table is the user's one key, not the server's
  // per-partition copies; the partitions carry the parent's key and check.
  EXPECT_EQ(FactsText(facts["reading"]),
            "given 1 1 1 1\n"
            "R region_code = measure.region_code\n"
            "R taken = measure.taken\n"
            "F reading_measure_fk | region_code, taken | measure | region_code, taken | NO ACTION | "
            "NO ACTION\n");
  EXPECT_EQ(FactsText(facts["measure_2024"]),
            "given 1 1 1 1\n"
            "I measure_2024_pkey | region_code, taken | UP | btree | \n"
            "C measure_value_check | CHECK | CHECK (value IS NULL OR value > 0::numeric)\n");
  EXPECT_EQ(FactsText(facts["tab 'x'; [y] z"]),
            "given 1 1 1 1\n"
            "D col \"q\" = 7\n"
            "R 顧客 = customer.id\n"
            "I tab 'x'; [y] z_pkey | col \"q\" | UP | btree | \n"
            "F tab 'x'; [y] z_顧客_fkey | 顧客 | customer | id | NO ACTION | NO ACTION\n");
  EXPECT_EQ(FactsText(facts["注文明細"]),
            "given 1 1 1 1\nD 行 = IDENTITY\nI 注文明細_pkey | 行 | UP | btree | \n");
  // Tables without any fact have no entry; nothing of other schemas leaks in.
  EXPECT_EQ(facts.size(), 8u);
  EXPECT_EQ(facts.count("customer_count"), 0u);
  EXPECT_EQ(facts.count("region"), 0u);

  // Through the browser during an export: the four statements at the first
  // table, every table then served from memory.
  s.sent.clear();
  SchemaRows rows(*s.node);
  s.b.browser->SetSchemaRows(&rows);
  for (int i = 0; i < s.node->ChildCount(); ++i) {
    TTreeNode& table = *s.node->Child(i);
    EXPECT_EQ(FactsText(s.b.browser->TableFactsOf(table)), FactsText(facts[table.Text()]))
        << table.Text();
  }
  s.b.browser->SetSchemaRows(nullptr);
  EXPECT_EQ(s.Declared(), 4u);

  // A hostile schema name: its own table only, the key into shop qualified.
  Session odd(srv, "it's; [odd] \\ s");
  ASSERT_NE(odd.node, nullptr);
  std::map<std::string, TableFacts> oddFacts;
  ASSERT_TRUE(odd.reader->ReadSchemaFacts(*odd.node, oddFacts));
  ASSERT_EQ(oddFacts.size(), 1u);
  EXPECT_EQ(FactsText(oddFacts["customer"]),
            "given 1 1 1 1\n"
            "D id = 1\n"
            "R ref = shop.customer.id\n"
            "I customer_pkey | id | UP | btree | \n"
            "F customer_ref_fkey | ref | shop.customer | id | NO ACTION | CASCADE\n");
}

TEST_F(PostgresFactsTest, AnOldServerSaysWhatItCannotGive) {
  ZEL_REQUIRE_PG(srv);
  Session s(srv, "shop");
  ASSERT_NE(s.node, nullptr);
  ASSERT_NE(s.reader, nullptr);
  // A 7.4 server has pg_get_expr and pg_get_constraintdef, but neither
  // identity columns nor generate_series: defaults and constraints only,
  // every listed table saying the rest cannot be read.
  s.b.browser->SetLblDbType("PostgreSQL 7.4");
  std::map<std::string, TableFacts> facts;
  ASSERT_TRUE(s.reader->ReadSchemaFacts(*s.node, facts));
  EXPECT_EQ(facts.size(), 10u);
  for (const auto& [table, f] : facts) {
    EXPECT_TRUE(f.hasDefaults && f.hasConstraints) << table;
    EXPECT_FALSE(f.hasIndexes || f.hasForeignKeys) << table;
    EXPECT_TRUE(f.indexes.empty() && f.foreignKeys.empty() && f.references.empty()) << table;
  }
  EXPECT_EQ(FactsText(facts["customer_count"]), "given 1 0 0 1\n");
  EXPECT_EQ(FactsText(facts["注文明細"]), "given 1 0 0 1\n");
  EXPECT_EQ(facts["customer"].defaults.count("seq_no"), 0u);
  EXPECT_EQ(facts["customer"].defaults["remark"], "'it''s'::text");
  EXPECT_EQ(facts["customer"].constraints.size(), 2u);
  // Defaults, constraints and the table names: three statements.
  EXPECT_EQ(s.Declared(), 3u);
}
