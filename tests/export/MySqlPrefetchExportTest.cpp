// MariaDB definition exports reading columns ahead on worker connections:
// the same workbook and log as reading each table in turn, nothing left
// running or connected afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "common/IniFile.h"
#include "export/Exports.h"
#include "catalog/ColumnPrefetch.h"
#include "support/ExportRun.h"
#include "support/MariaFixture.h"
#include "support/PgBrowser.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

// The readers ahead running now.
int Workers() { return test::ThreadCount(TColumnPrefetch::kWorkerThreadName); }

class MySqlPrefetchExportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    MariaServer srv;
    if (!MariaAvailable(srv)) return;
    schemas = new MariaSchemas(srv);
    catalog = schemas->CreateCatalog();
    // Its sheet would get a name of its own (a backslash is no sheet-name
    // character); the checks here want every sheet named as its table.
    MariaSql(srv, "DROP TABLE " + MariaIdent(catalog) + ".`back\\slash`");
    many = schemas->CreateMany("zel_many", 120);
    // A user of its own, so that its connections can be counted while other
    // test programs use the server.
    own = new MariaServer(MariaOwnUser(srv, "zel_pf"));
  }
  static void TearDownTestSuite() {
    MariaServer srv;
    if (own && MariaAvailable(srv)) DropMariaUser(srv, *own);
    delete own;
    own = nullptr;
    delete schemas;
    schemas = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_MARIA(srv);
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  }

  using Result = ExportResult;
  Result Export(const std::string& schema, int connections, const std::string& name,
                const std::function<void()>& during = {}) {
    auto b = std::make_unique<MariaBrowser>(*own, "\x01", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    TTreeNode* node = b->Select(b->Root(), schema);
    EXPECT_NE(node, nullptr);
    if (!node) return {};
    return RunDefinitionExport(*b->browser, b->prompts, connections, dir.File(name), during);
  }

  int Connections() {
    std::string out;
    MariaSql(srv, "SELECT count(*) FROM information_schema.processlist WHERE user = '" + own->user + "'",
             &out);
    return std::stoi(out);
  }

  MariaServer srv;
  TempDir dir;
  static MariaSchemas* schemas;
  static MariaServer* own;
  static std::string catalog, many;
};
MariaSchemas* MySqlPrefetchExportTest::schemas = nullptr;
MariaServer* MySqlPrefetchExportTest::own = nullptr;
std::string MySqlPrefetchExportTest::catalog, MySqlPrefetchExportTest::many;

TEST_F(MySqlPrefetchExportTest, ReadingAheadWritesTheSameWorkbookAndLogAsReadingInTurn) {
  for (const std::string& schema : {catalog, many}) {
    Result serial = Export(schema, 1, schema + "-serial.xlsx");
    Result ahead = Export(schema, 8, schema + "-ahead.xlsx");
    EXPECT_TRUE(serial.messages.empty()) << serial.messages[0];
    ASSERT_FALSE(serial.log.empty());
    EXPECT_EQ(serial.log.back(), "Excel　出力正常終了。");
    EXPECT_EQ(serial.log, ahead.log);
    EXPECT_EQ(serial.messages, ahead.messages);
    ExpectSameWorkbook(serial.target, ahead.target, false);
  }
  // The definition of the fixture's main table, as the grid has it.
  WorkbookDump d = DumpWorkbook(dir.File(catalog + "-ahead.xlsx"), false);
  EXPECT_EQ(d["kinds!C4"], "s:kinds");
  EXPECT_EQ(d["kinds!C5"], "s:種類～①髙");
  EXPECT_EQ(d["kinds!D8"], "s:int unsigned");
  EXPECT_EQ(d["kinds!E8"], "n:10");
  EXPECT_EQ(d["kinds!I8"], "s:番号～①髙");
  EXPECT_EQ(d["kinds!D9"], "s:decimal");
  EXPECT_EQ(d["kinds!F9"], "n:2");
  EXPECT_EQ(d["kinds!I14"], "s:'a','b'");
  WorkbookDump m = DumpWorkbook(dir.File(many + "-ahead.xlsx"), false);
  EXPECT_EQ(m["sheet.120"], "t120");
  EXPECT_EQ(m["t120!I9"], "s:名前 120");
}

TEST_F(MySqlPrefetchExportTest, WorkersOverlapTheirConnectionsAndNoneOutlivesTheExport) {
  // The most connections of the export's user at work at once.
  auto peak = [&](int connections) {
    const size_t from = GeneralLogSize(srv);
    Result r = Export(many, connections, "many-" + std::to_string(connections) + ".xlsx");
    EXPECT_FALSE(r.log.empty());
    if (!r.log.empty()) {
      EXPECT_EQ(r.log.back(), "Excel　出力正常終了。");
    }
    return PeakConnections(srv, from, own->user);
  };
  const int threads = Workers();
  // Reading in turn, each statement's connection is done before the next
  // connects; a connection left open, or one reader running ahead, would
  // make two.
  EXPECT_EQ(peak(1), 1u);
  EXPECT_GE(peak(4), 2u);
  EXPECT_EQ(Workers(), threads);
  for (int i = 0; i < 50 && Connections() > 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Connections(), 0);
}

}  // namespace
