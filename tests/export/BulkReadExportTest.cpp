// Definition exports of a PostgreSQL schema reading its columns with one
// schema-wide statement, against the real server: the same workbook, log and
// failures as reading table by table, the design's exact statements when
// asked to read per table, and a server lost in the middle of the read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "catalog/postgres/PostgresReader.h"
#include "catalog/postgres/PostgresStatements.h"
#include "common/IniFile.h"
#include "common/Resources.h"
#include "export/Exports.h"
#include "support/ExportRun.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

// A schema with a hostile name holding hostile and Japanese table and column
// names, a table without columns, one whose column was dropped, a composite
// key, a view (not listed) and 600 more tables.
constexpr const char* kSchema = "it's; 表 \\ x";
constexpr const char* kSchemaSql =
    "CREATE SCHEMA \"it's; 表 \\ x\";"
    "SET search_path TO \"it's; 表 \\ x\";"
    "CREATE TABLE \"tab 'x'; y\\z\" (\"col \"\"q\"\"\" integer NOT NULL, \"[b]\" varchar(12));"
    "COMMENT ON COLUMN \"tab 'x'; y\\z\".\"[b]\" IS '注釈 ''引用''';"
    "CREATE TABLE \"顧客～①髙\" (\"番号\" numeric(10,2), \"名前\" text, PRIMARY KEY (\"番号\"));"
    "COMMENT ON COLUMN \"顧客～①髙\".\"名前\" IS 'お客様の名前';"
    "CREATE TABLE \"空\" ();"
    "CREATE TABLE dropped (a integer, b integer, c char(3)); ALTER TABLE dropped DROP COLUMN b;"
    "CREATE TABLE pair (k1 integer, k2 varchar(5), v bytea, PRIMARY KEY (k1, k2));"
    "CREATE VIEW v_pair AS SELECT k1 FROM pair;"
    "DO $$ BEGIN FOR i IN 1..600 LOOP EXECUTE format("
    "'CREATE TABLE t%s (id integer PRIMARY KEY, name varchar(20) NOT NULL, "
    "amount numeric(10,2)); COMMENT ON COLUMN t%s.name IS ''名前 %s''', "
    "lpad(i::text, 3, '0'), lpad(i::text, 3, '0'), i); END LOOP; END $$;";

class BulkReadExportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    catalogDb = dbs->Create("zel_bulk");
    Psql(srv, catalogDb, kSchemaSql);
    // A second schema whose same-named table must not leak into the first.
    Psql(srv, catalogDb, "CREATE SCHEMA other; CREATE TABLE other.pair (zzz integer)");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  }

  struct Run : ExportResult {
    std::vector<std::string> sent;  // the reader's statements during the export
  };
  // The definition export of one schema; `onStatement` sees each statement
  // of the export before it is sent.
  Run Export(const std::string& database, const std::string& schema,
             std::optional<CatalogRead> read, const std::string& name,
             const std::function<void(const std::string&)>& onStatement = {}) {
    Run r;
    auto b = std::make_unique<PgBrowser>(srv, database, "", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    TTreeNode* node = b->Select(b->Database(database), schema);
    EXPECT_NE(node, nullptr);
    if (!node) return r;
    auto* reader = dynamic_cast<TPostgresReader*>(b->browser->Reader());
    EXPECT_NE(reader, nullptr);
    if (!reader) return r;
    reader->OnStatement = [&](const std::string& sql) {
      r.sent.push_back(sql);
      if (onStatement) onStatement(sql);
    };
    static_cast<ExportResult&>(r) =
        RunDefinitionExport(*b->browser, b->prompts, read, dir.File(name));
    return r;
  }

  void TerminateSessions(const std::string& database) {
    Psql(srv, "postgres",
         "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + database +
             "' AND pid <> pg_backend_pid()");
  }

  PgServer srv;
  TempDir dir;
  static PgDatabases* dbs;
  static std::string catalogDb;
};
PgDatabases* BulkReadExportTest::dbs = nullptr;
std::string BulkReadExportTest::catalogDb;

TEST_F(BulkReadExportTest, BulkAndPerTableWriteTheSameWorkbookFromTheirOwnStatements) {
  Run perTable = Export(catalogDb, kSchema, CatalogRead::PerTable, "per-table.xlsx");
  Run bulk = Export(catalogDb, kSchema, CatalogRead::Bulk, "bulk.xlsx");
  ASSERT_FALSE(bulk.log.empty());
  EXPECT_EQ(bulk.log.back(), "Excel　出力正常終了。");
  EXPECT_TRUE(bulk.messages.empty());
  EXPECT_EQ(perTable.log, bulk.log);
  EXPECT_EQ(perTable.messages, bulk.messages);
  ExpectSameWorkbook(perTable.target, bulk.target, false);

  // What the sheets hold is what the tables hold.
  const WorkbookDump d = DumpWorkbook(bulk.target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["t600!B9"], "s:name");
  EXPECT_EQ(d["t600!I9"], "s:名前 600");
  EXPECT_EQ(d["顧客～①髙!B8"], "s:番号");
  EXPECT_EQ(d["顧客～①髙!D8"], "s:numeric");
  EXPECT_EQ(d["顧客～①髙!H8"], "s:○");
  EXPECT_EQ(d["顧客～①髙!I9"], "s:お客様の名前");
  EXPECT_EQ(d["空!B8"], "");  // a table without columns: an empty grid
  EXPECT_EQ(d["dropped!B9"], "s:c");
  EXPECT_EQ(d["pair!B9"], "s:k2");
  EXPECT_EQ(d["pair!H9"], "s:○");
  EXPECT_EQ(d["pair!B11"], "");  // nothing of other.pair

  // Per table: the design's statements, in its order and batch size, one
  // column statement per listed table and nothing else.
  const std::string version = "PostgreSQL 15";
  std::vector<std::string> expected = {"BEGIN", pg::TablesStatement(kSchema)};
  const int tables = 600 + 5;
  for (int i = 0; i <= tables / pg::kBatchSize; ++i) expected.push_back(pg::kFetch);
  expected.push_back("COMMIT");
  std::vector<std::string> listed;
  for (const std::string& sql : perTable.sent)
    if (sql.rfind("select b.attnum", 0) == 0) listed.push_back(sql);
  ASSERT_EQ(listed.size(), static_cast<size_t>(tables));
  for (const std::string& sql : listed) expected.push_back(sql);
  EXPECT_EQ(perTable.sent, expected);
  for (const char* table : {"tab 'x'; y\\z", "顧客～①髙", "空", "t001", "t600"})
    EXPECT_NE(
        std::find(listed.begin(), listed.end(), pg::ColumnsStatement(version, kSchema, table)),
        listed.end())
        << table;

  // In bulk: the list in large batches, then one statement for every column.
  EXPECT_EQ(bulk.sent, (std::vector<std::string>{
                           "BEGIN", pg::TablesStatement(kSchema), pg::kListFetch, "COMMIT", "BEGIN",
                           pg::SchemaColumnsCursor(version, kSchema), pg::kColumnFetch, "COMMIT"}));
}

TEST_F(BulkReadExportTest, ASingleTableAndBrowsingKeepTheirOwnStatements) {
  auto b = std::make_unique<PgBrowser>(srv, catalogDb, "", dir.Path());
  TTreeNode* schema = b->Select(b->Database(catalogDb), kSchema);
  ASSERT_NE(schema, nullptr);
  auto* reader = dynamic_cast<TPostgresReader*>(b->browser->Reader());
  std::vector<std::string> sent;
  reader->OnStatement = [&](const std::string& sql) { sent.push_back(sql); };
  TTreeNode* table = b->Select(schema, "pair");
  ASSERT_NE(table, nullptr);
  const ExportResult r =
      RunDefinitionExport(*b->browser, b->prompts, CatalogRead::Bulk, dir.File("pair.xlsx"));
  EXPECT_EQ(r.log.back(), "Excel　出力正常終了。");
  const std::string columns = pg::ColumnsStatement("PostgreSQL 15", kSchema, "pair");
  EXPECT_EQ(sent, (std::vector<std::string>{columns, columns}));
}

TEST_F(BulkReadExportTest, AServerLostDuringTheReadEndsTheRunAsAFailingTableDoes) {
  // Per table, the first column statement meets the ended session; in bulk,
  // the first batch of the schema's columns does.
  auto killAt = [&](const std::string& prefix) {
    return [this, prefix, done = false](const std::string& sql) mutable {
      if (done || sql.rfind(prefix, 0) != 0) return;
      done = true;
      TerminateSessions(catalogDb);
    };
  };
  Run perTable = Export(catalogDb, kSchema, CatalogRead::PerTable, "per-table.xlsx",
                        killAt("select b.attnum"));
  Run bulk = Export(catalogDb, kSchema, CatalogRead::Bulk, "bulk.xlsx", killAt(pg::kColumnFetch));
  for (const Run* r : {&perTable, &bulk}) {
    ASSERT_FALSE(r->log.empty());
    EXPECT_EQ(r->log.back(), "Excel　出力異常終了。");
    EXPECT_EQ(r->log.size(), 3u);
    ASSERT_EQ(r->messages.size(), 1u);
    EXPECT_NE(r->messages[0].find("server closed the connection"), std::string::npos)
        << r->messages[0];
    EXPECT_FALSE(FileExists(r->target)) << "a failed run leaves nothing at the target";
  }
  EXPECT_EQ(perTable.messages, bulk.messages);
}

TEST_F(BulkReadExportTest, AColumnStatementThatFailsFailsTheRunWithTheSameMessage) {
  const std::string db = dbs->Create("zel_nocons");
  ASSERT_EQ(Psql(srv, db,
                 "CREATE SCHEMA s; CREATE TABLE s.a (x integer); CREATE TABLE s.b (y integer); "
                 "DROP ROLE IF EXISTS zel_nocons; "
                 "CREATE ROLE zel_nocons LOGIN PASSWORD 'nocons'; "
                 "REVOKE SELECT ON pg_catalog.pg_constraint FROM PUBLIC"),
            0);
  PgServer limited = srv;
  limited.user = "zel_nocons";
  limited.password = "nocons";
  std::swap(srv, limited);
  Run perTable = Export(db, "s", CatalogRead::PerTable, "per-table.xlsx");
  Run bulk = Export(db, "s", CatalogRead::Bulk, "bulk.xlsx");
  std::swap(srv, limited);
  Psql(srv, db, "GRANT SELECT ON pg_catalog.pg_constraint TO PUBLIC; DROP OWNED BY zel_nocons");
  Psql(srv, "postgres", "DROP ROLE zel_nocons");
  ASSERT_EQ(perTable.messages.size(), 1u);
  EXPECT_NE(perTable.messages[0].find("pg_constraint"), std::string::npos) << perTable.messages[0];
  EXPECT_EQ(perTable.messages, bulk.messages);
  EXPECT_EQ(perTable.log, bulk.log);
  // The failed statement is not sent again for the second table.
  EXPECT_EQ(std::count(bulk.sent.begin(), bulk.sent.end(), std::string("ROLLBACK")), 1);
}

TEST_F(BulkReadExportTest, TheSettingsFileChoosesTheRead) {
  TdCommon common;
  common.SetProgramFolder(dir.Path());
  EXPECT_EQ(TExporter::ReadSetting(common), CatalogRead::Bulk);
  for (const auto& [text, expected] :
       {std::pair{"per-table", CatalogRead::PerTable}, std::pair{"bulk", CatalogRead::Bulk},
        std::pair{"8", CatalogRead::Bulk}, std::pair{"PER-TABLE", CatalogRead::Bulk}}) {
    IniFile::Write(dir.File("Zel.ini"), "catalog", "read", text);
    EXPECT_EQ(TExporter::ReadSetting(common), expected) << text;
  }
  // Unset, the export follows the file.
  IniFile::Write(dir.File("Zel.ini"), "catalog", "read", "per-table");
  Run r = Export(catalogDb, "other", std::nullopt, "other.xlsx");
  EXPECT_EQ(r.log.back(), "Excel　出力正常終了。");
  EXPECT_EQ(std::count(r.sent.begin(), r.sent.end(), pg::kColumnFetch), 0);
  EXPECT_EQ(std::count(r.sent.begin(), r.sent.end(),
                       pg::ColumnsStatement("PostgreSQL 15", "other", "pair")),
            1);
}

}  // namespace
