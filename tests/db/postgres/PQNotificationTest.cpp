// The notification poller: LISTEN/NOTIFY through a real server, polls that
// run on the main thread, the 100 ms sleep slices, and stopping the thread
// in every way the component can be left.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PQTestSupport.h"
#include "db/postgres/PQCompo.h"

namespace zel {
namespace {

using namespace std::chrono_literals;
using test::PointAt;
using test::QueryOne;

struct Received {
  int pid;
  std::string name;
  std::thread::id thread;
};

class PQNotification : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::PgAvailable(srv_)) {
      if (test::ServersRequired()) FAIL() << "PostgreSQL test server not running";
      GTEST_SKIP() << "PostgreSQL test server not running (ZEL_PG_PORT unset)";
    }
    channel_ = "zel_pq_" + std::to_string(getpid());
    PointAt(sender_, srv_);
    sender_.Open();
    senderPid_ = std::stoi(QueryOne(sender_, "select pg_backend_pid()"));
  }

  // A listener on channel_ that records what it receives, polled through
  // the given hook.
  std::unique_ptr<TPQCompo> Listener(TSynchronizeHook hook, int interval = 20) {
    auto c = std::make_unique<TPQCompo>();
    PointAt(*c, srv_);
    c->SynchronizeHook = std::move(hook);
    c->SetNotificationInterval(interval);
    c->OnPQNotify = [this](TPQCompo&, int pid, const std::string& name) {
      std::lock_guard<std::mutex> lock(mutex_);
      received_.push_back({pid, name, std::this_thread::get_id()});
    };
    c->Open();
    c->ExecSQL("LISTEN " + channel_);
    return c;
  }

  std::size_t ReceivedCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_.size();
  }

  void Notify(const std::string& channel) { sender_.ExecSQL("NOTIFY " + channel); }

  test::PgServer srv_;
  TPQCompo sender_;
  int senderPid_ = 0;
  std::string channel_;
  test::MainThreadQueue queue_;
  std::mutex mutex_;
  std::vector<Received> received_;
};

TEST_F(PQNotification, NotifyArrivesThroughAPollOnTheMainThread) {
  auto listener = Listener(queue_.BlockingHook());
  listener->SetUseNotification(true);
  EXPECT_TRUE(listener->NotificationThreadRunning());

  // Names longer than the 32 characters of old servers come through whole.
  const std::string longChannel = channel_ + "_with_a_rather_long_channel_name_x";
  ASSERT_GT(longChannel.size(), 32u);
  listener->ExecSQL("LISTEN " + longChannel);

  Notify(channel_);
  Notify(longChannel);
  ASSERT_TRUE(queue_.PumpUntil([&] { return ReceivedCount() >= 2; }));
  std::lock_guard<std::mutex> lock(mutex_);
  ASSERT_EQ(received_.size(), 2u);
  EXPECT_EQ(received_[0].name, channel_);
  EXPECT_EQ(received_[1].name, longChannel);
  for (const Received& r : received_) {
    EXPECT_EQ(r.pid, senderPid_);
    EXPECT_EQ(r.thread, std::this_thread::get_id());
  }
}

TEST_F(PQNotification, IntervalIsSleptIn100msSlicesAndReadAfreshEachCycle) {
  std::mutex logMutex;
  std::vector<std::string> log;
  auto note = [&](const std::string& entry) {
    std::lock_guard<std::mutex> lock(logMutex);
    log.push_back(entry);
  };
  auto blocking = queue_.BlockingHook();
  auto listener = std::make_unique<TPQCompo>();
  PointAt(*listener, srv_);
  listener->SetNotificationInterval(150);
  listener->NotificationSleep = [&](int ms) {
    note(std::to_string(ms));
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  };
  listener->SynchronizeHook = [&](std::function<void()> routine) {
    note("poll");
    blocking(std::move(routine));
  };
  listener->SetUseNotification(true);  // stored; Open starts the thread
  EXPECT_FALSE(listener->NotificationThreadRunning());
  listener->Open();
  EXPECT_TRUE(listener->NotificationThreadRunning());

  auto polls = [&] {
    std::lock_guard<std::mutex> lock(logMutex);
    return std::count(log.begin(), log.end(), "poll");
  };
  ASSERT_TRUE(queue_.PumpUntil([&] { return polls() >= 2; }));
  listener->SetNotificationInterval(250);
  const auto before = polls();
  ASSERT_TRUE(queue_.PumpUntil([&] { return polls() >= before + 2; }));
  listener->Close();
  EXPECT_FALSE(listener->NotificationThreadRunning());

  std::lock_guard<std::mutex> lock(logMutex);
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 6),
            (std::vector<std::string>{"100", "50", "poll", "100", "50", "poll"}));
  // The last complete cycle ran with the new interval.
  const auto lastPoll = std::find(log.rbegin(), log.rend(), "poll");
  ASSERT_NE(lastPoll, log.rend());
  std::vector<std::string> lastCycle(lastPoll + 1, std::find(lastPoll + 1, log.rend(), "poll"));
  EXPECT_EQ(lastCycle, (std::vector<std::string>{"50", "100", "100"}));  // reversed
}

TEST_F(PQNotification, SwitchingOnAndOffWhileConnected) {
  auto listener = Listener(queue_.PostingHook());
  EXPECT_FALSE(listener->NotificationThreadRunning());
  listener->SetUseNotification(true);
  EXPECT_TRUE(listener->NotificationThreadRunning());
  listener->SetUseNotification(false);
  EXPECT_FALSE(listener->NotificationThreadRunning());
  listener->SetUseNotification(false);
  EXPECT_FALSE(listener->NotificationThreadRunning());

  // Sent while nobody polls: waits in the connection for the next poll.
  Notify(channel_);
  queue_.RunPending();
  std::this_thread::sleep_for(100ms);
  queue_.RunPending();
  EXPECT_EQ(ReceivedCount(), 0u);

  listener->SetUseNotification(true);
  ASSERT_TRUE(queue_.PumpUntil([&] { return ReceivedCount() == 1; }));
  listener->Close();
  EXPECT_FALSE(listener->NotificationThreadRunning());
  EXPECT_TRUE(listener->UseNotification());
}

TEST_F(PQNotification, StoppingServesAPendingPoll) {
  for (bool blocking : {true, false}) {
    SCOPED_TRACE(blocking ? "blocking hook" : "posting hook");
    received_.clear();
    auto listener = Listener(blocking ? queue_.BlockingHook() : queue_.PostingHook());
    Notify(channel_);
    std::this_thread::sleep_for(50ms);  // let the notification reach the socket
    listener->SetUseNotification(true);
    ASSERT_TRUE(queue_.WaitForTask());  // the thread asks; nobody serves yet
    EXPECT_EQ(ReceivedCount(), 0u);

    const auto start = std::chrono::steady_clock::now();
    listener->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(listener->NotificationThreadRunning());
    EXPECT_EQ(ReceivedCount(), 1u);  // served by Close itself

    // The routine still queued finds nothing to do.
    listener.reset();
    queue_.RunPending();
    EXPECT_EQ(ReceivedCount(), 1u);
  }
}

TEST_F(PQNotification, DestroyingTheComponentStopsItsThread) {
  for (bool blocking : {true, false}) {
    SCOPED_TRACE(blocking ? "blocking hook" : "posting hook");
    auto listener = Listener(blocking ? queue_.BlockingHook() : queue_.PostingHook(), 2);
    listener->SetUseNotification(true);
    // Serve a few polls, then leave one waiting.
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(queue_.WaitForTask());
      EXPECT_EQ(queue_.RunPending(), 1);
    }
    ASSERT_TRUE(queue_.WaitForTask());
    const auto start = std::chrono::steady_clock::now();
    listener.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    Notify(channel_);
    std::this_thread::sleep_for(50ms);
    queue_.RunPending();  // a routine queued before the end finds nothing to do
    EXPECT_EQ(ReceivedCount(), 0u);
    // Nothing more arrives once the component is gone.
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(queue_.RunPending(), 0);
  }
}

TEST_F(PQNotification, SwitchedOffAfterTheConnectionDroppedStillStopsTheThread) {
  auto listener = Listener(queue_.PostingHook());
  const std::string pid = QueryOne(*listener, "select pg_backend_pid()");
  listener->SetUseNotification(true);
  EXPECT_EQ(QueryOne(sender_, "select pg_terminate_backend(" + pid + ")"), "t");
  EXPECT_THROW(listener->ExecSQL("select 1"), EPQError);
  ASSERT_FALSE(listener->Connected());

  queue_.PumpUntil([] { return false; }, 100ms);  // polls of a dead connection do no harm
  listener->SetUseNotification(false);
  EXPECT_FALSE(listener->NotificationThreadRunning());

  // The same after Close with the switch still on.
  auto second = Listener(queue_.PostingHook());
  const std::string pid2 = QueryOne(*second, "select pg_backend_pid()");
  second->SetUseNotification(true);
  EXPECT_EQ(QueryOne(sender_, "select pg_terminate_backend(" + pid2 + ")"), "t");
  EXPECT_THROW(second->ExecSQL("select 1"), EPQError);
  second->Close();
  EXPECT_FALSE(second->NotificationThreadRunning());
}

TEST_F(PQNotification, HandlersThatFailOrCloseDoNotStopTheProgram) {
  auto listener = Listener(queue_.BlockingHook());
  int calls = 0;
  listener->OnPQNotify = [&](TPQCompo&, int, const std::string&) {
    if (++calls == 1) throw std::runtime_error("first notification refused");
  };
  listener->SetUseNotification(true);
  Notify(channel_);
  ASSERT_TRUE(queue_.PumpUntil([&] { return calls == 1; }));
  EXPECT_EQ(listener->LastNotifyError(), "first notification refused");
  Notify(channel_);
  ASSERT_TRUE(queue_.PumpUntil([&] { return calls == 2; }));

  // A handler that closes its own component from inside the poll.
  listener->OnPQNotify = [&](TPQCompo& sender, int, const std::string&) {
    ++calls;
    sender.Close();
  };
  Notify(channel_);
  ASSERT_TRUE(queue_.PumpUntil([&] { return calls == 3; }));
  EXPECT_FALSE(listener->Connected());
  EXPECT_FALSE(listener->NotificationThreadRunning());
  queue_.PumpUntil([] { return false; }, 50ms);
  listener.reset();
}

TEST_F(PQNotification, NoMainThreadHookIsAClearError) {
  TPQCompo::SetDefaultSynchronizeHook(nullptr);
  TPQCompo pq;
  PointAt(pq, srv_);
  pq.Open();
  EXPECT_THROW(pq.SetUseNotification(true), EPQInvalidOperation);
  EXPECT_FALSE(pq.UseNotification());
  pq.Close();

  pq.SetUseNotification(true);  // stored while closed
  EXPECT_THROW(pq.Open(), EPQInvalidOperation);
  EXPECT_FALSE(pq.Connected());

  // The program-wide hook serves components without one of their own.
  TPQCompo::SetDefaultSynchronizeHook(queue_.BlockingHook());
  pq.Open();
  EXPECT_TRUE(pq.NotificationThreadRunning());
  pq.Close();
  TPQCompo::SetDefaultSynchronizeHook(nullptr);
}

}  // namespace
}  // namespace zel
