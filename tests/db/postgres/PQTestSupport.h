#pragma once
// Helpers for the PostgreSQL component tests: pointing a component at the
// test server, one-value queries, a free loopback port, and a main-thread
// task queue that stands in for the GUI's event loop.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

#include "db/postgres/PQCompo.h"
#include "support/TestEnv.h"

namespace zel::test {

inline void PointAt(TPQCompo& c, const PgServer& srv, const std::string& database = "postgres") {
  c.Host = srv.host;
  c.Port = srv.port;
  c.UserName = srv.user;
  c.UserPass = srv.password;  // has a blank: the component quotes it
  c.DataBaseName = database;
}

// Field 0 of the first row of a row-returning statement.
inline std::string QueryOne(TPQCompo& c, const std::string& sql) {
  c.ExecSQL(sql);
  auto rs = c.GetResult();
  if (!rs) throw std::runtime_error("no rows from: " + sql);
  if (rs->Eof()) throw std::runtime_error("empty result from: " + sql);
  return rs->Fields(0).AsString();
}

// A loopback port nobody listens on (bound, read back, released).
inline std::string ClosedPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    if (fd >= 0) close(fd);
    throw std::runtime_error("no free port");
  }
  close(fd);
  return std::to_string(ntohs(addr.sin_port));
}

// Routines handed to the main thread from other threads; the test body (the
// main thread) runs them while it waits, as an event loop would. The hooks
// share the queue's inside, so a notification thread the component has let
// go may still call them after the test's queue object is gone: the routine
// is then dropped, as an event loop that has ended would drop it.
class MainThreadQueue {
 public:
  MainThreadQueue() : inner_(std::make_shared<Inner>()) {}
  ~MainThreadQueue() {
    std::deque<std::shared_ptr<Task>> dropped;
    std::lock_guard<std::mutex> lock(inner_->mutex);
    inner_->closed = true;
    dropped.swap(inner_->tasks);  // broken promises let blocked callers go
  }
  MainThreadQueue(const MainThreadQueue&) = delete;
  MainThreadQueue& operator=(const MainThreadQueue&) = delete;

  // Queues the routine and waits until it has run or has been dropped.
  TSynchronizeHook BlockingHook() {
    return [inner = inner_](std::function<void()> routine) {
      auto task = std::make_shared<Task>();
      task->routine = std::move(routine);
      std::future<void> done = task->done.get_future();
      inner->Push(std::move(task));
      done.wait();
    };
  }

  // Queues the routine and returns at once.
  TSynchronizeHook PostingHook() {
    return [inner = inner_](std::function<void()> routine) {
      auto task = std::make_shared<Task>();
      task->routine = std::move(routine);
      inner->Push(std::move(task));
    };
  }

  // Runs what is queued now; returns how many routines ran.
  int RunPending() {
    int count = 0;
    for (;;) {
      std::shared_ptr<Task> task;
      {
        std::lock_guard<std::mutex> lock(inner_->mutex);
        if (inner_->tasks.empty()) return count;
        task = std::move(inner_->tasks.front());
        inner_->tasks.pop_front();
      }
      task->routine();
      task->done.set_value();
      ++count;
    }
  }

  // Serves the queue until the condition holds; false on timeout.
  bool PumpUntil(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      RunPending();
      if (condition()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      std::unique_lock<std::mutex> lock(inner_->mutex);
      inner_->queued.wait_for(lock, std::chrono::milliseconds(5),
                              [this] { return !inner_->tasks.empty(); });
    }
  }

  // Waits, without serving, until something is queued.
  bool WaitForTask(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    std::unique_lock<std::mutex> lock(inner_->mutex);
    return inner_->queued.wait_for(lock, timeout, [this] { return !inner_->tasks.empty(); });
  }

  std::size_t Size() {
    std::lock_guard<std::mutex> lock(inner_->mutex);
    return inner_->tasks.size();
  }

 private:
  struct Task {
    std::function<void()> routine;
    std::promise<void> done;
  };

  struct Inner {
    std::mutex mutex;
    std::condition_variable queued;
    std::deque<std::shared_ptr<Task>> tasks;
    bool closed = false;

    void Push(std::shared_ptr<Task> task) {
      std::lock_guard<std::mutex> lock(mutex);
      if (closed) return;  // dropped: the caller's wait ends at once
      tasks.push_back(std::move(task));
      queued.notify_all();
    }
  };

  std::shared_ptr<Inner> inner_;
};

}  // namespace zel::test
