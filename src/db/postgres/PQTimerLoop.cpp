#include "db/postgres/PQTimerLoop.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "db/postgres/PQCompo.h"

namespace zel {

namespace {
// How long WaitFor gives a thread that is inside the synchronise call to come
// back before letting it go. A hook that merely queues returns well within it.
constexpr auto kHookGrace = std::chrono::milliseconds(100);
constexpr int kSlice = 100;
}  // namespace

struct TPQTimerLoop::State {
  std::mutex mutex;
  std::condition_variable changed;
  TPQCompo* owner;  // cleared by WaitFor; read on the main thread only
  std::atomic<int> interval;
  TSynchronizeHook synchronize;
  TSleepHook sleep;
  bool terminated = false;
  bool pollPending = false;  // the thread waits for a poll on the main thread
  bool serving = false;      // that poll is running on the main thread
  bool inHook = false;       // the thread is inside the synchronise call
  bool finished = false;     // the thread function has returned

  State(TPQCompo& o, int ms, TSynchronizeHook sync, TSleepHook sl)
      : owner(&o), interval(ms), synchronize(std::move(sync)), sleep(std::move(sl)) {}

  // Main thread. Does nothing when no poll is waiting, when one is already
  // running further up the stack, or once the component has let go.
  void ServePoll() {
    TPQCompo* target = nullptr;
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (!pollPending || serving || !owner) return;
      serving = true;
      target = owner;
    }
    target->ServeNotificationPoll();
    std::lock_guard<std::mutex> lock(mutex);
    serving = false;
    pollPending = false;
    changed.notify_all();
  }

  bool Sleep(int milliseconds) {
    if (sleep) {
      sleep(milliseconds);
      std::lock_guard<std::mutex> lock(mutex);
      return !terminated;
    }
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return terminated; });
    return !terminated;
  }
};

TPQTimerLoop::TPQTimerLoop(TPQCompo& owner, int interval, TSynchronizeHook synchronize,
                           TSleepHook sleep)
    : FState(std::make_shared<State>(owner, interval, std::move(synchronize), std::move(sleep))) {}

TPQTimerLoop::~TPQTimerLoop() {
  if (FThread.joinable()) WaitFor();
}

void TPQTimerLoop::Resume() {
  if (!FThread.joinable()) FThread = std::thread(&TPQTimerLoop::Execute, FState);
}

void TPQTimerLoop::SetInterval(int milliseconds) { FState->interval.store(milliseconds); }

int TPQTimerLoop::Interval() const { return FState->interval.load(); }

void TPQTimerLoop::Execute(std::shared_ptr<State> state) {
  State& s = *state;
  try {
    for (;;) {
      int remaining = s.interval.load();
      bool go = true;
      while (go && remaining > 0) {
        go = s.Sleep(std::min(remaining, kSlice));
        remaining -= kSlice;
      }
      if (!go) break;
      {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.terminated) break;
        s.pollPending = true;
        s.inHook = true;
      }
      // The routine holds the state, not the loop object: a hook that runs it
      // late finds the component gone and returns at once.
      s.synchronize([state] { state->ServePoll(); });
      std::unique_lock<std::mutex> lock(s.mutex);
      s.inHook = false;
      s.changed.notify_all();
      // A hook that only queues returns before the poll has run.
      s.changed.wait(lock, [&s] { return !s.pollPending || s.terminated; });
      if (s.terminated) break;
    }
  } catch (...) {
    // A failing hook ends polling; the component stays usable.
  }
  // A poll still pending stays pending: WaitFor serves it.
  std::lock_guard<std::mutex> lock(s.mutex);
  s.inHook = false;
  s.finished = true;
  s.changed.notify_all();
}

void TPQTimerLoop::WaitFor() {
  // The loop object may be destroyed from inside a poll this call serves
  // (an OnPQNotify that closes the component), so hold the state locally.
  std::shared_ptr<State> state = FState;
  State& s = *state;
  std::unique_lock<std::mutex> lock(s.mutex);
  s.terminated = true;
  s.changed.notify_all();
  std::optional<std::chrono::steady_clock::time_point> parkedSince;
  for (;;) {
    if (s.pollPending && !s.serving) {
      lock.unlock();
      s.ServePoll();
      lock.lock();
      continue;
    }
    if (s.finished || !FThread.joinable()) break;
    if (s.inHook) {
      const auto now = std::chrono::steady_clock::now();
      if (!parkedSince) parkedSince = now;
      if (now - *parkedSince >= kHookGrace) break;
    }
    s.changed.wait_for(lock, std::chrono::milliseconds(10));
  }
  s.owner = nullptr;
  const bool finished = s.finished;
  lock.unlock();
  if (FThread.joinable()) {
    if (finished) {
      FThread.join();
    } else {
      FThread.detach();
    }
  }
}

}  // namespace zel
