#include "db/postgres/PQCompo.h"

#include "db/postgres/PQConnectAttempt.h"

#include <utility>

namespace zel {

namespace {

TSynchronizeHook& DefaultSynchronizeHook() {
  static TSynchronizeHook hook;
  return hook;
}

bool HasNul(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

// Marks the span of a libpq call that may call the notice processor, which
// runs user code that must not pull the connection away underneath libpq.
class TPQCompo::LibraryCall {
 public:
  explicit LibraryCall(TPQCompo& c) : c_(c) { ++c_.FLibraryDepth; }
  ~LibraryCall() { --c_.FLibraryDepth; }
  LibraryCall(const LibraryCall&) = delete;
  LibraryCall& operator=(const LibraryCall&) = delete;

 private:
  TPQCompo& c_;
};

TPQCompo::TPQCompo() = default;

TPQCompo::~TPQCompo() {
  try {
    Close();
  } catch (...) {
    // A destructor has nobody to report to; Close has released everything.
  }
  StopThread();
  while (!FResultsets.empty()) FResultsets.back()->Release();
}

void TPQCompo::SetDefaultSynchronizeHook(TSynchronizeHook hook) {
  DefaultSynchronizeHook() = std::move(hook);
}

TSynchronizeHook TPQCompo::EffectiveSynchronizeHook() const {
  return SynchronizeHook ? SynchronizeHook : DefaultSynchronizeHook();
}

void TPQCompo::SetNotificationInterval(int value) {
  if (value > 1 && value < 60000 && value != FNotificationInterval) FNotificationInterval = value;
  if (FUseNotification && FThread && Connected()) FThread->SetInterval(FNotificationInterval);
}

void TPQCompo::SetUseNotification(bool value) {
  if (value == FUseNotification) return;
  if (value) {
    if (Connected()) {
      CheckNotBusy();
      StartThread();
    }
    FUseNotification = true;
  } else {
    FUseNotification = false;
    // Stopped whether or not the connection still works: a thread left
    // running here would otherwise outlive Close and the component.
    StopThread();
  }
}

// A value with a blank, a quote or a backslash would end early or be read as
// further keywords ("pw x dbname=other"); quoted the way libpq reads it, it
// arrives whole. Plain values keep their plain form.
static std::string ConnectionValue(const std::string& value) {
  if (value.find_first_of(" \t\n\r\f\v'\\") == std::string::npos) return value;
  std::string quoted = "'";
  for (char c : value) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

std::string TPQCompo::ConnectionString() const {
  std::string result;
  const std::pair<const char*, const std::string*> pairs[] = {
      {"host=", &Host},       {"hostaddr=", &HostAddr}, {"port=", &Port},
      {"dbname=", &DataBaseName}, {"user=", &UserName}, {"password=", &UserPass}};
  for (const auto& [keyword, value] : pairs) {
    if (value->empty()) continue;
    result += keyword;
    result += ConnectionValue(*value);
    result += ' ';
  }
  return result;
}

void TPQCompo::CheckNotBusy() const {
  if (FLibraryDepth > 0) throw EPQInvalidOperation("the connection is busy.");
}

void TPQCompo::RethrowHandlerError() {
  if (FHandlerError) std::rethrow_exception(std::exchange(FHandlerError, nullptr));
}

void TPQCompo::Open() {
  CheckNotBusy();
  if (Connected()) throw EPQInvalidOperation("already connected to database.");
  // A handle whose server went away is finished before a new one replaces it,
  // together with its results and its notification thread.
  if (FConnection) Close();
  if (FUseNotification && !EffectiveSynchronizeHook()) {
    throw EPQInvalidOperation("notifications need a synchronise hook to reach the main thread.");
  }
  const std::string info = ConnectionString();
  if (HasNul(info)) throw EPQConnectError("connection values must not contain NUL characters.");

  PQConnectAttempt attempt = ConnectStepwise(info);
  FConnection = std::move(attempt.conn);
  if (!FConnection || libpq::PQstatus(FConnection.get()) != libpq::CONNECTION_OK) {
    std::string message = ErrorMessage();
    if (message.empty()) message = "could not connect to the server.";
    Close();
    throw EPQConnectError(message, std::move(attempt.facts));
  }
  libpq::PQsetNoticeProcessor(FConnection.get(), &TPQCompo::NoticeProcessor, this);

  // UTF-8 is the program's own encoding; should the server refuse it the
  // connection keeps the server's default and stays usable.
  try {
    ExecSQL("set client_encoding to 'UTF8'");
  } catch (...) {
  }
  if (FUseNotification) StartThread();
  if (OnOpen) OnOpen(*this);
}

void TPQCompo::Close() {
  if (!FConnection) return;
  CheckNotBusy();
  // Every step runs even when an earlier one fails, so nothing is left
  // behind; the first failure reaches the caller and OnClose stays silent.
  std::exception_ptr error;
  auto step = [&error](auto&& action) {
    try {
      action();
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  };
  StopThread();
  step([this] {
    if (FCopyIn || FCopyOut) EndCopy();
  });
  FCopyIn = FCopyOut = false;
  FCurrentResult.reset();
  while (!FResultsets.empty()) FResultsets.back()->Release();
  FConnection.reset();
  FHandlerError = nullptr;
  if (error) std::rethrow_exception(error);
  if (OnClose) OnClose(*this);
}

bool TPQCompo::Connected() const {
  return FConnection && libpq::PQstatus(FConnection.get()) == libpq::CONNECTION_OK;
}

void TPQCompo::ExecSQL(const std::string& sql) {
  CheckNotBusy();
  if (!Connected()) throw EPQInvalidOperation("not connected.");
  FCurrentResult.reset();
  // libpq reads the statement up to the first NUL; sending the part before it
  // would run a different statement than the caller wrote.
  if (HasNul(sql)) throw EPQError("the statement contains a NUL character.");
  {
    LibraryCall call(*this);
    FCurrentResult.reset(libpq::PQexec(FConnection.get(), sql.c_str()));
  }
  const int status = ResultStatus();
  switch (status) {
    case libpq::PGRES_COMMAND_OK:
    case libpq::PGRES_TUPLES_OK:
      break;
    case libpq::PGRES_COPY_OUT:
      FCopyOut = true;
      break;
    case libpq::PGRES_COPY_IN:
      FCopyIn = true;
      break;
    default: {
      FHandlerError = nullptr;  // the statement's own failure is the news
      std::string message = FCurrentResult ? ResultErrorMessage() : ErrorMessage();
      if (message.empty()) {
        message = status == libpq::PGRES_EMPTY_QUERY
                      ? "empty query."
                      : "the statement failed (status " + std::to_string(status) + ").";
      }
      throw EPQError(message);
    }
  }
  RethrowHandlerError();
}

std::unique_ptr<TPQResultset> TPQCompo::GetResult() {
  if (ResultStatus() != libpq::PGRES_TUPLES_OK) return nullptr;
  auto resultset = std::make_unique<TPQResultset>(*this, std::move(FCurrentResult));
  FResultsets.push_back(resultset.get());
  return resultset;
}

int TPQCompo::ResultStatus() const {
  return FCurrentResult ? libpq::PQresultStatus(FCurrentResult.get()) : libpq::PGRES_FATAL_ERROR;
}

std::string TPQCompo::ErrorMessage() const {
  if (!FConnection) return {};
  const char* text = libpq::PQerrorMessage(FConnection.get());
  return text ? text : "";
}

std::string TPQCompo::ResultErrorMessage() const {
  if (!FCurrentResult) return {};
  const char* text = libpq::PQresultErrorMessage(FCurrentResult.get());
  return text ? text : "";
}

bool TPQCompo::PutLine(const std::string& line) {
  CheckNotBusy();
  if (!FConnection || HasNul(line)) return false;
  std::string data = line;
  if (data.empty() || data.back() != '\n') data += '\n';
  int rc;
  {
    LibraryCall call(*this);
    rc = libpq::PQputline(FConnection.get(), data.c_str());
  }
  RethrowHandlerError();
  return rc == 0;
}

void TPQCompo::EndCopy() {
  CheckNotBusy();
  const bool wasOpen = FCopyIn || FCopyOut;
  bool terminatorSent = true;
  if (FCopyOut) {
    FCopyOut = false;
  } else if (FCopyIn) {
    FCopyIn = false;
    terminatorSent = PutLine("\\.");
  }
  if (!FConnection) return;
  int rc;
  {
    LibraryCall call(*this);
    rc = libpq::PQendcopy(FConnection.get());
  }
  // Rows the server rejected must not pass for copied ones.
  if (wasOpen && (rc != 0 || !terminatorSent)) {
    FHandlerError = nullptr;
    std::string message = ErrorMessage();
    throw EPQError(message.empty() ? "COPY could not be completed." : message);
  }
  RethrowHandlerError();
}

void TPQCompo::PollNotifications() {
  CheckNotBusy();
  if (!FConnection) return;
  {
    LibraryCall call(*this);
    libpq::PQconsumeInput(FConnection.get());
  }
  // A handler may close the component; the handle is looked at every round.
  while (FConnection) {
    libpq::NotifyPtr notify;
    {
      LibraryCall call(*this);
      notify.reset(libpq::PQnotifies(FConnection.get()));
    }
    if (!notify) break;
    const std::string name = notify->relname ? notify->relname : "";
    const int pid = notify->be_pid;
    notify.reset();
    if (OnPQNotify) OnPQNotify(*this, pid, name);
  }
  RethrowHandlerError();
}

void TPQCompo::ServeNotificationPoll() noexcept {
  try {
    PollNotifications();
  } catch (const std::exception& e) {
    FLastNotifyError = e.what();
  } catch (...) {
    FLastNotifyError = "unknown error in OnPQNotify.";
  }
}

void TPQCompo::NoticeProcessor(void* arg, const char* message) noexcept {
  auto* self = static_cast<TPQCompo*>(arg);
  if (!self || !self->OnNoticeMessage) return;
  // An exception must not cross libpq's C frames; it is raised again once
  // the library call has returned.
  try {
    self->OnNoticeMessage(*self, message ? message : "");
  } catch (...) {
    if (!self->FHandlerError) self->FHandlerError = std::current_exception();
  }
}

void TPQCompo::Unlist(TPQResultset* resultset) noexcept {
  for (auto it = FResultsets.begin(); it != FResultsets.end(); ++it) {
    if (*it == resultset) {
      FResultsets.erase(it);
      return;
    }
  }
}

void TPQCompo::StartThread() {
  TSynchronizeHook hook = EffectiveSynchronizeHook();
  if (!hook) {
    throw EPQInvalidOperation("notifications need a synchronise hook to reach the main thread.");
  }
  StopThread();
  FThread = std::make_unique<TPQTimerLoop>(*this, FNotificationInterval, std::move(hook),
                                           NotificationSleep);
  FThread->Resume();
}

void TPQCompo::StopThread() noexcept {
  // Taken out first: a poll served while waiting may run an OnPQNotify that
  // closes the component and comes back here.
  std::unique_ptr<TPQTimerLoop> thread = std::move(FThread);
  if (thread) thread->WaitFor();
}

}  // namespace zel
