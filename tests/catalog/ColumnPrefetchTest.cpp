// Reading columns ahead: every table's rows handed out once, failures and
// lost workers leaving the table to the main connection, no thread or
// reader outliving the prefetch.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "catalog/ColumnPrefetch.h"
#include "catalog/TreeModel.h"
#include "support/TestEnv.h"

namespace zel {
namespace {

using test::ThreadCount;

struct Counters {
  std::atomic<int> made{0}, destroyed{0}, reads{0};
};

// Answers one row naming the table; fails for the tables named in `failFor`.
class FakeColumnReader : public IColumnReader {
 public:
  FakeColumnReader(Counters& c, std::string failFor, int delayMs)
      : c_(c), failFor_(std::move(failFor)), delayMs_(delayMs) {
    ++c_.made;
  }
  ~FakeColumnReader() override { ++c_.destroyed; }
  std::vector<ColumnRow> Read(const ColumnTask& task) override {
    ++c_.reads;
    if (delayMs_) std::this_thread::sleep_for(std::chrono::milliseconds(delayMs_));
    if (task.table == failFor_) throw std::runtime_error("relation does not exist");
    return {{"1", task.database + "." + task.schema + "." + task.table, "integer", "", "", "", "",
             "", ""}};
  }

 private:
  Counters& c_;
  std::string failFor_;
  int delayMs_;
};

class ColumnPrefetchTest : public ::testing::Test {
 protected:
  ColumnPrefetchTest() {
    TTreeNode* db = tree.Add(nullptr, "sales");
    schema = tree.Add(db, "public");
    for (int i = 0; i < 30; ++i) tree.Add(schema, "t" + std::to_string(i));
  }
  std::vector<std::pair<const TTreeNode*, ColumnTask>> Tables() {
    std::vector<std::pair<const TTreeNode*, ColumnTask>> out;
    for (int i = 0; i < schema->ChildCount(); ++i)
      out.emplace_back(schema->Child(i), ColumnTask{"sales", "public", schema->Child(i)->Text()});
    return out;
  }
  TColumnPrefetch::ReaderFactory Factory(std::string failFor = "", int delayMs = 0) {
    return [this, failFor, delayMs] {
      return std::make_unique<FakeColumnReader>(counters, failFor, delayMs);
    };
  }

  TTreeModel tree;
  TTreeNode* schema = nullptr;
  Counters counters;
};

TEST_F(ColumnPrefetchTest, EveryTableIsReadOnceAndHandedOutOnce) {
  const int before = ThreadCount(TColumnPrefetch::kWorkerThreadName);
  {
    TColumnPrefetch prefetch(Tables(), Factory(), 4);
    EXPECT_EQ(prefetch.Workers(), 4);
    // Out of order on purpose: each answer belongs to its own table.
    for (int i : {29, 0, 7, 15, 1}) {
      auto rows = prefetch.Take(*schema->Child(i));
      ASSERT_TRUE(rows);
      ASSERT_EQ(rows->size(), 1u);
      EXPECT_EQ((*rows)[0].name, "sales.public.t" + std::to_string(i));
    }
    EXPECT_FALSE(prefetch.Take(*schema->Child(7)));  // handed out already
    EXPECT_FALSE(prefetch.Take(*schema));            // not one of the tables
    for (int i = 0; i < 30; ++i) prefetch.Take(*schema->Child(i));
  }
  EXPECT_EQ(counters.reads, 30);
  EXPECT_EQ(counters.made, 4);
  EXPECT_EQ(counters.destroyed, 4);
  EXPECT_EQ(ThreadCount(TColumnPrefetch::kWorkerThreadName), before);
}

TEST_F(ColumnPrefetchTest, AFailedReadLeavesThatTableToTheCallerAndTheOthersGoOn) {
  TColumnPrefetch prefetch(Tables(), Factory("t3"), 3);
  for (int i = 0; i < 30; ++i) {
    auto rows = prefetch.Take(*schema->Child(i));
    if (i == 3)
      EXPECT_FALSE(rows) << "the main connection reads t3 and reports its failure";
    else
      EXPECT_TRUE(rows) << i;
  }
  // The worker that failed stopped; the two others read the rest, and no
  // table was read twice.
  EXPECT_EQ(counters.reads, 30);
}

TEST_F(ColumnPrefetchTest, WithEveryWorkerGoneTheRestIsLeftToTheCallerWithoutWaiting) {
  // One worker, failing at the first table: nothing else is read ahead.
  TColumnPrefetch prefetch(Tables(), Factory("t0"), 1);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 30; ++i) EXPECT_FALSE(prefetch.Take(*schema->Child(i))) << i;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(counters.reads, 1);
}

TEST_F(ColumnPrefetchTest, StoppingEndsTheWorkersAndClosesTheirReaders) {
  const int before = ThreadCount(TColumnPrefetch::kWorkerThreadName);
  TColumnPrefetch prefetch(Tables(), Factory("", 20), 2);
  ASSERT_TRUE(prefetch.Take(*schema->Child(0)));
  prefetch.Stop();
  EXPECT_EQ(counters.destroyed, 2);
  EXPECT_EQ(ThreadCount(TColumnPrefetch::kWorkerThreadName), before);
  EXPECT_LT(counters.reads, 30);
  // After the stop nothing waits: unread tables go to the caller.
  EXPECT_FALSE(prefetch.Take(*schema->Child(29)));
}

TEST_F(ColumnPrefetchTest, NoMoreWorkersThanTablesAndNoneWithoutAReader) {
  auto two = Tables();
  two.resize(2);
  {
    TColumnPrefetch prefetch(two, Factory(), 8);
    EXPECT_EQ(prefetch.Workers(), 2);
  }
  TColumnPrefetch none(Tables(), [] { return std::unique_ptr<IColumnReader>(); }, 8);
  EXPECT_EQ(none.Workers(), 0);
  EXPECT_FALSE(none.Take(*schema->Child(0)));
}

}  // namespace
}  // namespace zel
