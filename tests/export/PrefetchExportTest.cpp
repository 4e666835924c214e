// Definition exports reading columns ahead on extra connections, against the
// real PostgreSQL fixture: the same workbook, log and failures as reading
// each table in turn, and nothing left running or connected afterwards.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/IniFile.h"
#include "common/Resources.h"
#include "export/Exports.h"
#include "catalog/ColumnPrefetch.h"
#include "support/ExportRun.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

class PrefetchExportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    catalogDb = dbs->CreateCatalog();
    // Enough tables that reading them all takes longer than one sheet.
    manyDb = dbs->Create("zel_many");
    Psql(srv, manyDb,
         "CREATE SCHEMA many; DO $$ BEGIN FOR i IN 1..400 LOOP EXECUTE format("
         "'CREATE TABLE many.t%s (id integer PRIMARY KEY, name varchar(20) NOT NULL, "
         "amount numeric(10,2)); COMMENT ON COLUMN many.t%s.name IS ''名前 %s''', "
         "lpad(i::text, 3, '0'), lpad(i::text, 3, '0'), i); END LOOP; END $$; ANALYZE");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  }

  // The definition export of one schema.
  using Result = ExportResult;
  Result Export(const std::string& database, const std::string& schema, int connections,
                const std::string& name, const std::function<void(PgBrowser&)>& during = {}) {
    auto b = std::make_unique<PgBrowser>(srv, database, "", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    TTreeNode* node = b->Select(b->Database(database), schema);
    EXPECT_NE(node, nullptr);
    if (!node) return {};
    std::function<void()> hook;
    if (during) hook = [&] { during(*b); };
    return RunDefinitionExport(*b->browser, b->prompts, connections, dir.File(name), hook);
  }

  int Sessions(const std::string& database) {
    std::string out;
    Psql(srv, "postgres",
         "SELECT count(*) FROM pg_stat_activity WHERE datname = '" + database + "'", &out);
    return std::stoi(out);
  }

  PgServer srv;
  TempDir dir;
  static PgDatabases* dbs;
  static std::string catalogDb, manyDb;
};
PgDatabases* PrefetchExportTest::dbs = nullptr;
std::string PrefetchExportTest::catalogDb, PrefetchExportTest::manyDb;

TEST_F(PrefetchExportTest, ReadingAheadWritesTheSameWorkbookAndLogAsReadingInTurn) {
  for (const auto& [db, schema] : {std::pair{catalogDb, std::string("sales")},
                                   std::pair{manyDb, std::string("many")}}) {
    Result serial = Export(db, schema, 1, schema + "-serial.xlsx");
    Result ahead = Export(db, schema, 8, schema + "-ahead.xlsx");
    EXPECT_TRUE(serial.messages.empty());
    EXPECT_EQ(serial.log, ahead.log);
    EXPECT_EQ(serial.messages, ahead.messages);
    ExpectSameWorkbook(serial.target, ahead.target, schema == "sales");
  }
  // The many tables really are in the workbook, each on its own sheet.
  const std::string workbook = ReadZipPart(dir.File("many-ahead.xlsx"), "xl/workbook.xml");
  EXPECT_NE(workbook.find("name=\"t400\""), std::string::npos);
  EXPECT_NE(ZipPartList(dir.File("many-ahead.xlsx")).find("xl/worksheets/sheet400.xml"),
            std::string::npos);
}

TEST_F(PrefetchExportTest, NoThreadOrConnectionOutlivesTheExport) {
  const int threads = ThreadCount(TColumnPrefetch::kWorkerThreadName);
  Result r = Export(manyDb, "many", 8, "many.xlsx");
  ASSERT_FALSE(r.log.empty());
  EXPECT_EQ(r.log.back(), "Excel　出力正常終了。");
  EXPECT_EQ(ThreadCount(TColumnPrefetch::kWorkerThreadName), threads);
  // The browser of Export is gone too: no session of ours is left.
  for (int i = 0; i < 50 && Sessions(manyDb) > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Sessions(manyDb), 0);
}

TEST_F(PrefetchExportTest, ExtraConnectionsAreOpenWhileTheSheetsAreWritten) {
  int seen = 0;
  Result r = Export(manyDb, "many", 4, "many.xlsx",
                    [&](PgBrowser&) { seen = Sessions(manyDb); });
  // The main connection and up to four readers ahead.
  EXPECT_GE(seen, 2);
  EXPECT_LE(seen, 5);
}

TEST_F(PrefetchExportTest, AServerKilledMidExportEndsAsReadingInTurnEnds) {
  // Every session of the database ends as the run starts, the readers
  // ahead with it.
  auto kill = [&](PgBrowser&) {
    Psql(srv, "postgres",
         "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '" + manyDb +
             "' AND pid <> pg_backend_pid()");
  };
  Result serial = Export(manyDb, "many", 1, "serial.xlsx", kill);
  Result ahead = Export(manyDb, "many", 8, "ahead.xlsx", kill);
  ASSERT_FALSE(ahead.log.empty());
  // Reading in turn, the first table's statement meets the lost session.
  EXPECT_EQ(serial.log.back(), "Excel　出力異常終了。");
  EXPECT_EQ(serial.log.size(), 3u);
  ASSERT_EQ(serial.messages.size(), 1u);
  auto templ = res::Find("xlsx", "obtable2007");
  ASSERT_TRUE(templ);
  if (ahead.log.back() == "Excel　出力正常終了。") {
    // On a slow machine (the sanitizer build) the readers ahead may have read
    // every table before the sessions ended: then nothing was lost and the
    // workbook must be the whole one, as an undisturbed run writes it.
    EXPECT_TRUE(ahead.messages.empty());
    Result whole = Export(manyDb, "many", 1, "whole.xlsx");
    ExpectSameWorkbook(whole.target, ahead.target, false);
    return;
  }
  // Tables whose columns were read before the kill get their sheets written
  // first; the run then fails where a table had still to be read, as the
  // serial run fails at its first table, with the same message.
  EXPECT_EQ(ahead.log.back(), "Excel　出力異常終了。");
  EXPECT_GE(ahead.log.size(), serial.log.size());
  EXPECT_LT(ahead.log.size(), 2u * 400u);
  EXPECT_EQ(serial.messages, ahead.messages);
  EXPECT_FALSE(FileExists(ahead.target)) << "a failed run writes nothing";
}

TEST_F(PrefetchExportTest, AColumnStatementThatFailsFailsTheRunWithTheSameMessage) {
  const std::string db = dbs->Create("zel_nocons");
  ASSERT_EQ(Psql(srv, db,
                 "CREATE SCHEMA s; CREATE TABLE s.a (x integer); CREATE TABLE s.b (y integer); "
                 "ANALYZE; DROP ROLE IF EXISTS zel_nocons; "
                 "CREATE ROLE zel_nocons LOGIN PASSWORD 'nocons'; "
                 "REVOKE SELECT ON pg_catalog.pg_constraint FROM PUBLIC"),
            0);
  PgServer limited = srv;
  limited.user = "zel_nocons";
  limited.password = "nocons";
  std::swap(srv, limited);
  Result serial = Export(db, "s", 1, "serial.xlsx");
  Result ahead = Export(db, "s", 8, "ahead.xlsx");
  std::swap(srv, limited);
  Psql(srv, db, "GRANT SELECT ON pg_catalog.pg_constraint TO PUBLIC; DROP OWNED BY zel_nocons");
  Psql(srv, "postgres", "DROP ROLE zel_nocons");
  ASSERT_EQ(serial.messages.size(), 1u);
  EXPECT_NE(serial.messages[0].find("pg_constraint"), std::string::npos) << serial.messages[0];
  EXPECT_EQ(serial.messages, ahead.messages);
  EXPECT_EQ(serial.log, ahead.log);
}

TEST_F(PrefetchExportTest, TheWindowTakesItsConnectionsFromTheSettingsFile) {
  TdCommon common;
  common.SetProgramFolder(dir.Path());
  EXPECT_EQ(TExporter::ConnectionsSetting(common), 8);
  for (const auto& [text, expected] :
       {std::pair{"3", 3}, std::pair{"1", 1}, std::pair{"0", 8}, std::pair{"x", 8},
        std::pair{"65", 8}, std::pair{" 16 ", 16}}) {
    IniFile::Write(dir.File("Zel.ini"), "catalog", "connections", text);
    EXPECT_EQ(TExporter::ConnectionsSetting(common), expected) << text;
  }
}

}  // namespace
