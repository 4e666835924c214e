// Stopping a running export, without any window, against the real
// PostgreSQL fixture: the request arrives while the run is under way, as
// the window's "中止" does, and takes effect at the next pending-events point.
#include <gtest/gtest.h>

#include "common/Resources.h"
#include "export/Exports.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"

using namespace zel;
using namespace zel::test;

namespace {

class StopExportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    db = dbs->Create("zel_stop");
    Psql(srv, db,
         "CREATE SCHEMA a; CREATE TABLE a.t1 (x integer); CREATE TABLE a.t2 (y integer); "
         "CREATE SCHEMA b; CREATE TABLE b.t3 (z integer)");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    b = std::make_unique<PgBrowser>(srv, db, "", dir.Path());
    ASSERT_TRUE(b->browser->chkDbOK());
    exporter = std::make_unique<TExporter>(*b->browser);
  }
  std::string LastLog() const {
    const auto& lines = b->browser->LogLines();
    return lines.empty() ? std::string() : lines.front().substr(10);
  }

  PgServer srv;
  TempDir dir;
  std::unique_ptr<PgBrowser> b;
  std::unique_ptr<TExporter> exporter;
  static PgDatabases* dbs;
  static std::string db;
};
PgDatabases* StopExportTest::dbs = nullptr;
std::string StopExportTest::db;

// The stop is asked for as the run writes its first log line; the next
// pending-events point ends it.
TEST_F(StopExportTest, StopEndsTheDatabaseLevelListCommandAndItsRemainingSchemas) {
  TTreeNode* database = b->Database(db);
  ASSERT_NE(database, nullptr);
  ASSERT_EQ(ChildTexts(database), (std::vector<std::string>{"a", "b"}));
  b->prompts.saveAnswers.push_back(dir.File("a.list.xlsx"));
  b->prompts.saveAnswers.push_back(dir.File("b.list.xlsx"));
  int listener = b->browser->AddListener([&](unsigned changes) {
    if ((changes & chLog) && LastLog() == "Excel　出力開始") exporter->RequestStop();
  });
  EXPECT_FALSE(exporter->Running());
  exporter->TableListCommand();
  b->browser->RemoveListener(listener);

  EXPECT_EQ(b->prompts.saveDialogs.size(), 1u) << "the second schema never started";
  EXPECT_EQ(LastLog(), "Excel　出力異常終了。");
  EXPECT_EQ(b->prompts.MessageTexts(), std::vector<std::string>{"出力を中止しました。"});
  EXPECT_FALSE(FileExists(dir.File("a.list.xlsx"))) << "a stopped run writes nothing";
  EXPECT_FALSE(FileExists(dir.File("b.list.xlsx")));
  ASSERT_EQ(exporter->Runs().size(), 1u);
  EXPECT_FALSE(exporter->Runs()[0].saved);
  EXPECT_FALSE(exporter->Running());

  // The request died with its run: the next command runs to its end.
  exporter->ClearRuns();
  b->prompts.saveAnswers.push_back(dir.File("b.list.xlsx"));
  b->Select(database, "b");
  exporter->TableListCommand();
  EXPECT_EQ(LastLog(), "Excel　出力正常終了。");
  ASSERT_EQ(exporter->Runs().size(), 1u);
  EXPECT_TRUE(exporter->Runs()[0].saved);
}

TEST_F(StopExportTest, AQuietStopShowsNoMessageAndARequestWhileIdleIsDropped) {
  TTreeNode* schema = b->Select(b->Database(db), "a");
  ASSERT_NE(schema, nullptr);
  exporter->RequestStop();  // nothing runs: forgotten
  b->prompts.saveAnswers.push_back(dir.File("a.xlsx"));
  exporter->DefinitionCommand();
  EXPECT_EQ(LastLog(), "Excel　出力正常終了。");
  const std::string earlier = ReadFile(dir.File("a.xlsx"));

  b->prompts.messageAnswers.push_back(MsgResult::Yes);  // overwrite
  b->prompts.saveAnswers.push_back(dir.File("a.xlsx"));
  int listener = b->browser->AddListener([&](unsigned changes) {
    if ((changes & chLog) && LastLog().find("出力開始") != std::string::npos &&
        LastLog() != "Excel　出力開始")
      exporter->RequestStop(true);
  });
  exporter->DefinitionCommand();
  b->browser->RemoveListener(listener);
  EXPECT_EQ(LastLog(), "Excel　出力異常終了。");
  // Only the overwrite question was asked; the stop said nothing.
  ASSERT_EQ(b->prompts.messages.size(), 1u);
  EXPECT_EQ(b->prompts.messages[0].buttons, MsgButtons::YesNo);
  EXPECT_EQ(ReadFile(dir.File("a.xlsx")), earlier) << "the earlier workbook is kept";
}

}  // namespace
