// The detailed documents end to end on the real PostgreSQL fixture: a
// default, a foreign key into another schema, an index and a check read by
// the PostgreSQL reader, written by the engine, read back by openpyxl.
#include <gtest/gtest.h>

#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

class DetailedPostgresTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    db = dbs->Create("zel_detail");
    const std::string sql =
        "CREATE SCHEMA shop; CREATE SCHEMA ref;"
        "CREATE TABLE ref.country (code char(2) PRIMARY KEY);"
        "CREATE TABLE shop.customer ("
        "  id integer PRIMARY KEY,"
        "  code text DEFAULT '=1',"
        "  rate numeric DEFAULT 0 CONSTRAINT customer_rate_check CHECK (rate >= 0),"
        "  country char(2) REFERENCES ref.country (code) ON DELETE SET NULL,"
        "  email text CONSTRAINT customer_email_key UNIQUE);"
        "CREATE INDEX customer_lower_email ON shop.customer (lower(email) DESC) WHERE rate > 0;"
        "CREATE TABLE shop.orders (no integer PRIMARY KEY,"
        "  customer_id integer NOT NULL REFERENCES shop.customer (id) ON DELETE CASCADE);";
    if (Psql(srv, db, sql) != 0) throw std::runtime_error("detailed fixture failed");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }

  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "exporttype", "2");
  }

  WorkbookDump Export(bool list, const std::string& file) {
    PgBrowser b(srv, db, "", dir.Path());
    EXPECT_TRUE(b.browser->chkDbOK());
    TTreeNode* node = b.Select(b.Database(db), "shop");
    EXPECT_NE(node, nullptr);
    if (!node) return {};
    TExporter exporter(*b.browser);
    const std::string target = dir.File(file);
    b.prompts.saveAnswers.push_back(target);
    list ? exporter.TableListCommand() : exporter.DefinitionCommand();
    for (const auto& m : b.prompts.messages) ADD_FAILURE() << m.text;
    if (SchemasAvailable()) {
      EXPECT_EQ(SchemaProblems(target), "") << target;
    }
    WorkbookDump d = DumpWorkbook(target, false);
    EXPECT_TRUE(d.ok()) << d.error;
    return d;
  }

  PgServer srv;
  TempDir dir;
  static PgDatabases* dbs;
  static std::string db;
};
PgDatabases* DetailedPostgresTest::dbs = nullptr;
std::string DetailedPostgresTest::db;

}  // namespace

TEST_F(DetailedPostgresTest, DefinitionsAndListFromTheServersCatalog) {
  const WorkbookDump d = Export(false, "shop.xlsx");
  ASSERT_EQ(d["sheet.1"], "目次");
  ASSERT_EQ(d["sheet.2"], "customer");
  ASSERT_EQ(d["sheet.3"], "orders");
  // The 目次 gives each table's kind and links to its sheet; each sheet links
  // back from L1.
  EXPECT_EQ(d["目次!B8"], "s:customer");
  EXPECT_EQ(d["目次!B8.link"], "'customer'!A1");
  EXPECT_EQ(d["目次!D8"], "s:テーブル");
  EXPECT_EQ(d["orders!L1.link"], "'目次'!A1");
  // Columns in order: id, code, rate, country, email.
  EXPECT_EQ(d["customer!B9"], "s:code");
  EXPECT_EQ(d["customer!J8"], "");
  EXPECT_EQ(d["customer!J9"], "s:'=1'::text");
  EXPECT_EQ(d["customer!J10"], "s:0");
  EXPECT_EQ(d["customer!K11"], "s:ref.country.code");
  EXPECT_EQ(d["customer!K9"], "");
  const std::vector<std::pair<std::string, std::string>> customer = {
      {"A69", "s:インデックス"},
      {"A70", "s:インデックス名"},
      {"A71", "s:customer_email_key"},
      {"D71", "s:email"},
      {"E71", "s:○"},
      {"G71", ""},
      {"A72", "s:customer_lower_email"},
      {"D72", "s:lower(email) DESC"},
      {"E72", ""},
      {"I72", "s:btree"},
      {"J72", "s:WHERE rate > 0::numeric"},
      {"A73", "s:customer_pkey"},
      {"E73", "s:○"},
      {"G73", "s:○"},
      {"A74", ""},
      {"A75", "s:外部キー"},
      {"A77", "s:customer_country_fkey"},
      {"D77", "s:country"},
      {"E77", "s:ref.country"},
      {"I77", "s:code"},
      {"J77", "s:SET NULL"},
      {"K77", "s:NO ACTION"},
      {"A79", "s:制約"},
      {"A81", "s:customer_email_key"},
      {"D81", "s:UNIQUE"},
      {"A82", "s:customer_rate_check"},
      {"D82", "s:CHECK"},
      {"E82", "s:CHECK (rate >= 0::numeric)"},
      {"A83", ""}};
  for (const auto& [cell, value] : customer) EXPECT_EQ(d["customer!" + cell], value) << cell;
  // A foreign key in the same schema names the table alone; no check: "なし".
  EXPECT_EQ(d["orders!K9"], "s:customer.id");
  EXPECT_EQ(d["orders!A73"], "s:外部キー");
  EXPECT_EQ(d["orders!E75"], "s:customer");
  EXPECT_EQ(d["orders!J75"], "s:CASCADE");
  EXPECT_EQ(d["orders!A77"], "s:制約");
  EXPECT_EQ(d["orders!A78"], "s:なし");

  const WorkbookDump list = Export(true, "shop.list.xlsx");
  EXPECT_EQ(list["Sheet1!I7"], "s:種別");
  EXPECT_EQ(list["Sheet1!B8"], "s:customer");
  EXPECT_EQ(list["Sheet1!I8"], "s:テーブル");
  EXPECT_EQ(list["Sheet1!I9"], "s:テーブル");
}
