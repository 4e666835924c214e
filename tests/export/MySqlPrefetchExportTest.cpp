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
    if (!MariaAvailable(srv)) {
      if (ServersRequired()) FAIL() << "MariaDB test server not running";
      GTEST_SKIP() << "MariaDB test server not running";
    }
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  }

  struct Result {
    std::string target;
    std::vector<std::string> log;
    std::vector<std::string> messages;
  };
  Result Export(const std::string& schema, int connections, const std::string& name,
                const std::function<void()>& during = {}) {
    Result r;
    auto b = std::make_unique<MariaBrowser>(*own, "\x01", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    TTreeNode* node = b->Select(b->Root(), schema);
    EXPECT_NE(node, nullptr);
    if (!node) return r;
    TExporter exporter(*b->browser);
    exporter.connections = connections;
    r.target = dir.File(name);
    b->prompts.saveAnswers.push_back(r.target);
    int listener = -1;
    bool done = false;  // read by the listener until it is removed
    if (during) {
      listener = b->browser->AddListener([&, raw = b.get()](unsigned changes) {
        if (done || !(changes & chLog) || raw->browser->LogLines().empty()) return;
        done = true;
        during();
      });
    }
    exporter.DefinitionCommand();
    if (listener >= 0) b->browser->RemoveListener(listener);
    for (auto it = b->browser->LogLines().rbegin(); it != b->browser->LogLines().rend(); ++it)
      r.log.push_back(it->substr(10));
    for (const auto& m : b->prompts.messages) r.messages.push_back(m.text);
    return r;
  }

  int Connections() {
    std::string out;
    MariaSql(srv, "SELECT count(*) FROM information_schema.processlist WHERE user = '" + own->user + "'",
             &out);
    return std::stoi(out);
  }

  void ExpectSameWorkbook(const std::string& a, const std::string& b) {
    const WorkbookDump da = DumpWorkbook(a, false), db = DumpWorkbook(b, false);
    ASSERT_TRUE(da.ok()) << da.error;
    ASSERT_TRUE(db.ok()) << db.error;
    EXPECT_EQ(da.values, db.values);
    ASSERT_EQ(ZipPartList(a), ZipPartList(b));
    std::istringstream parts(ZipPartList(a));
    for (std::string part; std::getline(parts, part);) {
      if (part == "docProps/core.xml" || part.empty()) continue;
      EXPECT_EQ(ReadZipPart(a, part), ReadZipPart(b, part)) << part;
    }
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
    ExpectSameWorkbook(serial.target, ahead.target);
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
