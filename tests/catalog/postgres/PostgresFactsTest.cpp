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

using namespace zel;
using zel::test::PgDatabases;
using zel::test::PgServer;
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
  EXPECT_EQ(s.node->ChildCount(), 9);
  EXPECT_EQ(s.Declared(), 1u);

  // A hostile schema name stays one literal and lists only its own table.
  Session odd(srv, "it's; [odd] \\ s");
  ASSERT_NE(odd.node, nullptr);
  TableKinds oddKinds;
  ASSERT_TRUE(odd.reader->ReadTableKinds(*odd.node, oddKinds));
  EXPECT_EQ(oddKinds, (TableKinds{{"customer", "テーブル"}}));
}
