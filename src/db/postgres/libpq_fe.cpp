#include "db/postgres/libpq_fe.h"

#include <array>
#include <vector>

#include "db/EntryPoints.h"

namespace zel::libpq {
namespace {

enum Entry {
  kConnectdb,
  kStatus,
  kErrorMessage,
  kSetNoticeProcessor,
  kExec,
  kResultStatus,
  kResultErrorMessage,
  kNtuples,
  kNfields,
  kGetvalue,
  kClear,
  kFinish,
  kConsumeInput,
  kNotifies,
  kPutline,
  kEndcopy,
  kFreemem,
  kConnectStart,
  kConnectPoll,
  kSocket,
  kSetErrorVerbosity,
  kConnectionNeedsPassword,
  kConnectionUsedPassword,
  kEntryCount
};

constexpr std::array<const char*, kEntryCount> kEntryNames = {
    "PQconnectdb",   "PQstatus",      "PQerrorMessage",       "PQsetNoticeProcessor",
    "PQexec",        "PQresultStatus", "PQresultErrorMessage", "PQntuples",
    "PQnfields",     "PQgetvalue",    "PQclear",              "PQfinish",
    "PQconsumeInput", "PQnotifies",   "PQputline",            "PQendcopy",
    "PQfreemem",     "PQconnectStart", "PQconnectPoll",        "PQsocket",
    "PQsetErrorVerbosity", "PQconnectionNeedsPassword", "PQconnectionUsedPassword"};

using Table = BoundEntryPoints<PQDllLoadErr, DLLAddressErr>;

// Never destroyed: a component that lives in static storage may still
// finish its connection after this object would have been torn down, and
// the process releases the mapping when it ends anyway.
Table& Entries() {
  static Table* table =
      new Table({"libpq.so.5"}, std::vector<const char*>(kEntryNames.begin(), kEntryNames.end()));
  return *table;
}

template <typename Fn>
Fn Get(Entry entry) {
  return Entries().Function<Fn>(entry);
}

}  // namespace

PGconn* PQconnectdb(const char* conninfo) {
  return Get<PGconn* (*)(const char*)>(kConnectdb)(conninfo);
}

PGconn* PQconnectStart(const char* conninfo) {
  return Get<PGconn* (*)(const char*)>(kConnectStart)(conninfo);
}

int PQconnectPoll(PGconn* conn) { return Get<int (*)(PGconn*)>(kConnectPoll)(conn); }

int PQsocket(const PGconn* conn) { return Get<int (*)(const PGconn*)>(kSocket)(conn); }

int PQsetErrorVerbosity(PGconn* conn, int verbosity) {
  return Get<int (*)(PGconn*, int)>(kSetErrorVerbosity)(conn, verbosity);
}

int PQconnectionNeedsPassword(const PGconn* conn) {
  return Get<int (*)(const PGconn*)>(kConnectionNeedsPassword)(conn);
}

int PQconnectionUsedPassword(const PGconn* conn) {
  return Get<int (*)(const PGconn*)>(kConnectionUsedPassword)(conn);
}

int PQstatus(const PGconn* conn) { return Get<int (*)(const PGconn*)>(kStatus)(conn); }

char* PQerrorMessage(const PGconn* conn) {
  return Get<char* (*)(const PGconn*)>(kErrorMessage)(conn);
}

PQnoticeProcessor PQsetNoticeProcessor(PGconn* conn, PQnoticeProcessor proc, void* arg) {
  using Fn = PQnoticeProcessor (*)(PGconn*, PQnoticeProcessor, void*);
  return Get<Fn>(kSetNoticeProcessor)(conn, proc, arg);
}

PGresult* PQexec(PGconn* conn, const char* query) {
  return Get<PGresult* (*)(PGconn*, const char*)>(kExec)(conn, query);
}

int PQresultStatus(const PGresult* res) {
  return Get<int (*)(const PGresult*)>(kResultStatus)(res);
}

char* PQresultErrorMessage(const PGresult* res) {
  return Get<char* (*)(const PGresult*)>(kResultErrorMessage)(res);
}

int PQntuples(const PGresult* res) { return Get<int (*)(const PGresult*)>(kNtuples)(res); }

int PQnfields(const PGresult* res) { return Get<int (*)(const PGresult*)>(kNfields)(res); }

char* PQgetvalue(const PGresult* res, int row, int column) {
  return Get<char* (*)(const PGresult*, int, int)>(kGetvalue)(res, row, column);
}

void PQclear(PGresult* res) { Get<void (*)(PGresult*)>(kClear)(res); }

void PQfinish(PGconn* conn) { Get<void (*)(PGconn*)>(kFinish)(conn); }

int PQconsumeInput(PGconn* conn) { return Get<int (*)(PGconn*)>(kConsumeInput)(conn); }

PGnotify* PQnotifies(PGconn* conn) { return Get<PGnotify* (*)(PGconn*)>(kNotifies)(conn); }

int PQputline(PGconn* conn, const char* line) {
  return Get<int (*)(PGconn*, const char*)>(kPutline)(conn, line);
}

int PQendcopy(PGconn* conn) { return Get<int (*)(PGconn*)>(kEndcopy)(conn); }

void PQfreemem(void* ptr) {
  if (!ptr) return;
  // Optional: a library without it leaves the memory to the process.
  if (void* address = Entries().Find(kFreemem).address) {
    reinterpret_cast<void (*)(void*)>(address)(ptr);
  }
}

std::string LibraryFileName() { return Entries().FileName(); }

void SetLibraryFileName(const std::string& fileName) { Entries().SetCandidates({fileName}); }

bool IsLoaded() { return Entries().IsLoaded(); }

}  // namespace zel::libpq

namespace zel::libpq {

void PGconnFinisher::operator()(PGconn* conn) const noexcept {
  try {
    PQfinish(conn);
  } catch (...) {
  }
}

void PGresultClearer::operator()(PGresult* res) const noexcept {
  try {
    PQclear(res);
  } catch (...) {
  }
}

void PGfreememDeleter::operator()(void* ptr) const noexcept {
  try {
    PQfreemem(ptr);
  } catch (...) {
  }
}

}  // namespace zel::libpq
