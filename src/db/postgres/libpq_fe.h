#pragma once
// The PostgreSQL client library, bound at run time. The library is opened on
// the first call of any entry point and each entry point is looked up by name
// the first time it is called; a missing library or entry point is reported
// to that caller and tried again on the next call, so a machine without libpq
// can still use every other database kind.
//
// The prototypes follow libpq's public header; the development package is not
// needed to build the program.
#include <memory>
#include <stdexcept>
#include <string>

namespace zel {

// The client library file cannot be loaded: "<file> load failed."
class PQDllLoadErr : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An entry point is missing from the client library:
// "<file>: function <name> not found."
class DLLAddressErr : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace libpq {

struct PGconn;    // opaque, owned by libpq
struct PGresult;  // opaque, owned by libpq

// Laid out as libpq publishes it; the records come from PQnotifies.
struct PGnotify {
  char* relname;
  int be_pid;
  char* extra;
  PGnotify* next;
};

using PQnoticeProcessor = void (*)(void* arg, const char* message);

// ConnStatusType values the component relies on.
constexpr int CONNECTION_OK = 0;
constexpr int CONNECTION_BAD = 1;
constexpr int CONNECTION_STARTED = 2;
constexpr int CONNECTION_MADE = 3;
constexpr int CONNECTION_AWAITING_RESPONSE = 4;
constexpr int CONNECTION_AUTH_OK = 5;
constexpr int CONNECTION_SSL_STARTUP = 7;
constexpr int CONNECTION_NEEDED = 8;
constexpr int CONNECTION_GSS_STARTUP = 11;

// PostgresPollingStatusType values.
constexpr int PGRES_POLLING_FAILED = 0;
constexpr int PGRES_POLLING_READING = 1;
constexpr int PGRES_POLLING_WRITING = 2;
constexpr int PGRES_POLLING_OK = 3;

// PGVerbosity values.
constexpr int PQERRORS_DEFAULT = 1;
constexpr int PQERRORS_VERBOSE = 2;

// ExecStatusType values.
constexpr int PGRES_EMPTY_QUERY = 0;
constexpr int PGRES_COMMAND_OK = 1;
constexpr int PGRES_TUPLES_OK = 2;
constexpr int PGRES_COPY_OUT = 3;
constexpr int PGRES_COPY_IN = 4;
constexpr int PGRES_BAD_RESPONSE = 5;
constexpr int PGRES_NONFATAL_ERROR = 6;
constexpr int PGRES_FATAL_ERROR = 7;

PGconn* PQconnectdb(const char* conninfo);
PGconn* PQconnectStart(const char* conninfo);
int PQconnectPoll(PGconn* conn);
int PQsocket(const PGconn* conn);
int PQsetErrorVerbosity(PGconn* conn, int verbosity);
int PQconnectionNeedsPassword(const PGconn* conn);
int PQconnectionUsedPassword(const PGconn* conn);
int PQstatus(const PGconn* conn);
char* PQerrorMessage(const PGconn* conn);
PQnoticeProcessor PQsetNoticeProcessor(PGconn* conn, PQnoticeProcessor proc, void* arg);
PGresult* PQexec(PGconn* conn, const char* query);
int PQresultStatus(const PGresult* res);
char* PQresultErrorMessage(const PGresult* res);
int PQntuples(const PGresult* res);
int PQnfields(const PGresult* res);
char* PQgetvalue(const PGresult* res, int row, int column);
void PQclear(PGresult* res);
void PQfinish(PGconn* conn);
int PQconsumeInput(PGconn* conn);
PGnotify* PQnotifies(PGconn* conn);
int PQputline(PGconn* conn, const char* line);
int PQendcopy(PGconn* conn);

// Releases memory libpq handed out (the PQnotifies records). Optional: when
// the library lacks it the memory is left alone instead of failing the poll.
void PQfreemem(void* ptr);

// The file opened on first use, "libpq.so.5" unless changed.
std::string LibraryFileName();
// Points the binding at another file (tests use a missing file or a library
// without the entry points). The addresses resolved so far are forgotten;
// the library opened so far stays mapped, since handles from it may be alive.
void SetLibraryFileName(const std::string& fileName);
// True once the library has been opened.
bool IsLoaded();

// Owners of what libpq hands out. They run from destructors and so never
// raise: should the library lack the release function, the memory is left.
struct PGconnFinisher {
  void operator()(PGconn* conn) const noexcept;
};
struct PGresultClearer {
  void operator()(PGresult* res) const noexcept;
};
struct PGfreememDeleter {
  void operator()(void* ptr) const noexcept;
};
using ConnPtr = std::unique_ptr<PGconn, PGconnFinisher>;
using ResultPtr = std::unique_ptr<PGresult, PGresultClearer>;
using NotifyPtr = std::unique_ptr<PGnotify, PGfreememDeleter>;

}  // namespace libpq
}  // namespace zel
