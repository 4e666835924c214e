#pragma once
// The notification poller of TPQCompo: a thread that only sleeps and asks the
// main thread to poll, so the connection is never used by two threads.
#include <functional>
#include <memory>
#include <thread>

namespace zel {

class TPQCompo;

// Runs a routine on the main thread and waits for it; called on the
// notification thread. The Qt front end queues it to the event loop with a
// blocking queued call; headless programs use a task queue they pump.
// A thread that the stop had to let go (see WaitFor) may still make one such
// call after its component is gone; the routine it passes then does nothing,
// but the hook itself should only reach what lives as long as the program,
// or drop the routine once its queue has ended.
using TSynchronizeHook = std::function<void(std::function<void()>)>;
// Sleeps the given number of milliseconds on the notification thread.
using TSleepHook = std::function<void(int)>;

class TPQTimerLoop {
 public:
  // Created suspended: nothing runs before Resume.
  TPQTimerLoop(TPQCompo& owner, int interval, TSynchronizeHook synchronize,
               TSleepHook sleep = {});
  // Stops the thread (WaitFor) when it still runs.
  ~TPQTimerLoop();
  TPQTimerLoop(const TPQTimerLoop&) = delete;
  TPQTimerLoop& operator=(const TPQTimerLoop&) = delete;

  void Resume();
  // Read afresh before every wait, so a change applies from the next cycle.
  void SetInterval(int milliseconds);
  int Interval() const;

  // Asks the thread to end and waits for it, on the main thread. While it
  // waits it runs a poll the thread has asked for, so a thread blocked in the
  // synchronise call is served instead of deadlocking. A thread that stays
  // inside a synchronise call that only the main loop can answer is let go:
  // from here on it touches nothing but its own shared state and ends when
  // that call returns.
  void WaitFor();

 private:
  struct State;
  static void Execute(std::shared_ptr<State> state);

  std::shared_ptr<State> FState;
  std::thread FThread;
};

}  // namespace zel
