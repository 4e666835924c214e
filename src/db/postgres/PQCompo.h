#pragma once
// TPQCompo: one connection to a PostgreSQL server through libpq. It builds
// the connection string from its properties, sends one statement at a time,
// hands row-returning results out as TPQResultset objects, passes server
// notices to an event and can poll for notifications on a thread of its own.
// Text goes through unchanged; the connection is switched to UTF-8, the
// program's own encoding.
//
// Everything here is used from the main thread. The notification thread
// never calls libpq: it asks the main thread to poll through the
// synchronise hook.
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/postgres/PQError.h"
#include "db/postgres/PQResultset.h"
#include "db/postgres/PQTimerLoop.h"
#include "db/postgres/libpq_fe.h"

namespace zel {

class TPQCompo;

using TNotifyEvent = std::function<void(TPQCompo& Sender)>;
using TPQNotifyEvent = std::function<void(TPQCompo& Sender, int PID, const std::string& EventName)>;
using TPQNoticeProcEvent = std::function<void(TPQCompo& Sender, const std::string& Msg)>;

class TPQCompo {
 public:
  TPQCompo();
  // Closes the connection; result sets still held by callers are released.
  ~TPQCompo();
  TPQCompo(const TPQCompo&) = delete;
  TPQCompo& operator=(const TPQCompo&) = delete;

  // Published properties. A connection value holding a blank, a quote or a
  // backslash is quoted, so that it arrives whole and cannot add keywords.
  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;
  TPQNotifyEvent OnPQNotify;
  TPQNoticeProcEvent OnNoticeMessage;
  std::string DataBaseName;
  std::string Host = "localhost";
  std::string HostAddr;
  std::string Port = "5432";
  std::string UserName;
  std::string UserPass;
  std::string TraceFileName;  // stored only; no trace file is written

  int NotificationInterval() const { return FNotificationInterval; }
  // Accepts 2 to 59999 ms; other values are ignored.
  void SetNotificationInterval(int value);
  bool UseNotification() const { return FUseNotification; }
  // Starts or stops the notification thread when connected. Raises
  // EPQInvalidOperation when switched on while connected without a
  // synchronise hook.
  void SetUseNotification(bool value);

  // The main-thread dispatch of this component's notification thread; when
  // empty, the program-wide one below is used.
  TSynchronizeHook SynchronizeHook;
  static void SetDefaultSynchronizeHook(TSynchronizeHook hook);
  // Sleeps of the notification thread; when empty the thread waits on its
  // own and wakes early when it is stopped. Tests observe the slices here.
  TSleepHook NotificationSleep;

  // keyword=value pairs, each followed by one blank; empty properties are
  // left out, plain values stand as they are.
  std::string ConnectionString() const;

  void Open();
  void Close();
  bool Connected() const;

  void ExecSQL(const std::string& sql);
  // The rows of the last statement, or nullptr when it returned none.
  std::unique_ptr<TPQResultset> GetResult();
  int ResultStatus() const;
  std::string ErrorMessage() const;
  std::string ResultErrorMessage() const;

  // COPY FROM STDIN: one line of data; true when libpq took it.
  bool PutLine(const std::string& line);
  // Ends the open COPY exchange; raises EPQError when the server rejected it.
  void EndCopy();

  // Reads notifications and fires OnPQNotify for each, on the main thread.
  void PollNotifications();
  bool NotificationThreadRunning() const { return FThread != nullptr; }
  // The message of the last exception an OnPQNotify raised during a poll of
  // the notification thread (there is no caller to hand it to).
  const std::string& LastNotifyError() const { return FLastNotifyError; }
  // Result sets handed out and not yet released.
  std::size_t OpenResultsetCount() const { return FResultsets.size(); }

 private:
  friend class TPQResultset;
  friend class TPQTimerLoop;
  class LibraryCall;

  static void NoticeProcessor(void* arg, const char* message) noexcept;
  void Unlist(TPQResultset* resultset) noexcept;
  void CheckNotBusy() const;
  void RethrowHandlerError();
  TSynchronizeHook EffectiveSynchronizeHook() const;
  void StartThread();
  void StopThread() noexcept;
  void ServeNotificationPoll() noexcept;

  libpq::ConnPtr FConnection;
  std::vector<TPQResultset*> FResultsets;
  libpq::ResultPtr FCurrentResult;
  int FNotificationInterval = 1000;
  bool FUseNotification = false;
  bool FCopyOut = false;
  bool FCopyIn = false;
  std::unique_ptr<TPQTimerLoop> FThread;
  int FLibraryDepth = 0;                // > 0 while libpq may call back into us
  std::exception_ptr FHandlerError;     // raised by OnNoticeMessage inside libpq
  std::string FLastNotifyError;
};

}  // namespace zel
