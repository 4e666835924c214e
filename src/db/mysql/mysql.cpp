#include "db/mysql/mysql.h"

#include <atomic>
#include <mutex>

#include "db/EntryPoints.h"

namespace zel::mysql {
namespace {

// The listed table, in its fixed order; the load status counts these only.
const std::vector<const char*> kListed = {
    "mysql_num_rows",          "mysql_num_fields",        "mysql_eof",
    "mysql_fetch_field_direct", "mysql_fetch_fields",      "mysql_row_tell",
    "mysql_field_tell",        "mysql_field_count",       "mysql_affected_rows",
    "mysql_insert_id",         "mysql_errno",             "mysql_error",
    "mysql_info",              "mysql_thread_id",         "mysql_character_set_name",
    "mysql_init",              "mysql_connect",           "mysql_change_user",
    "mysql_real_connect",      "mysql_close",             "mysql_select_db",
    "mysql_query",             "mysql_send_query",        "mysql_read_query_result",
    "mysql_real_query",        "mysql_create_db",         "mysql_drop_db",
    "mysql_shutdown",          "mysql_dump_debug_info",   "mysql_refresh",
    "mysql_kill",              "mysql_ping",              "mysql_stat",
    "mysql_get_server_info",   "mysql_get_client_info",   "mysql_get_host_info",
    "mysql_get_proto_info",    "mysql_list_dbs",          "mysql_list_tables",
    "mysql_list_fields",       "mysql_list_processes",    "mysql_store_result",
    "mysql_use_result",        "mysql_options",           "mysql_free_result",
    "mysql_data_seek",         "mysql_row_seek",          "mysql_field_seek",
    "mysql_fetch_row",         "mysql_fetch_lengths",     "mysql_fetch_field",
    "mysql_escape_string",     "mysql_real_escape_string", "mysql_debug",
    "mysql_odbc_escape_string", "myodbc_remove_escape",    "mysql_thread_safe"};

// Listed positions of the entries called here.
enum Listed : size_t {
  kFieldCount = 7,
  kErrno = 10,
  kError = 11,
  kInit = 15,
  kRealConnect = 18,
  kClose = 19,
  kQuery = 21,
  kRealQuery = 24,
  kUseResult = 42,
  kOptions = 43,
  kFreeResult = 44,
  kFetchRow = 48,
  kRealEscapeString = 52,
};

// Behind the listed ones: the library's set-up and per-thread calls.
// mysql_library_init and mysql_library_end are macros over these names in
// both libraries' headers.
enum Extra : size_t {
  kServerInit = 57,
  kServerEnd,
  kThreadInit,
  kThreadEnd,
  kTableSize
};

const std::vector<std::string> kCandidates = {"libmariadb.so.3", "libmysqlclient.so.21",
                                              "libmysqlclient.so.24"};

std::vector<const char*> AllNames() {
  std::vector<const char*> names = kListed;
  names.insert(names.end(),
               {"mysql_server_init", "mysql_server_end", "mysql_thread_init", "mysql_thread_end"});
  return names;
}

using Table = BoundEntryPoints<EMySQLEntryMissing>;

// Never destroyed: connections closed from static storage may outlive it.
Table& Entries() {
  static Table* table = new Table(kCandidates, AllNames());
  return *table;
}

std::atomic<std::uint8_t> gStatus{lsNotLoaded};
std::mutex gLoadMutex;
bool gInitialised = false;

// The library is loaded only by LoadMySQLLibrary; a call before that is a
// missing entry point.
template <typename Fn>
Fn Get(size_t index) {
  return Entries().Function<Fn>(index, EntryPoints::Loading::kNever);
}

}  // namespace

std::uint8_t LoadMySQLLibrary(const std::string& fileName) {
  std::lock_guard<std::mutex> lock(gLoadMutex);
  UnloadMySQLLibrary();
  EntryPoints& table = Entries();
  table.SetCandidates(fileName.empty() ? kCandidates : std::vector<std::string>{fileName});
  if (!table.Load()) {
    gStatus = lsLoadFailed;
    return gStatus;
  }
  std::uint8_t status = lsAllResolved;
  for (size_t i = 0; i < kListed.size(); ++i)
    if (!table.Address(i)) status = lsSomeMissing;
  // The library sets up its global state here, once, rather than inside the
  // first mysql_init: that call is not safe when two threads race to it.
  if (void* init = table.Address(kServerInit)) {
    reinterpret_cast<int (*)(int, char**, char**)>(init)(0, nullptr, nullptr);
    gInitialised = true;
  }
  gStatus = status;
  return status;
}

void UnloadMySQLLibrary() {
  EntryPoints& table = Entries();
  if (gInitialised) {
    if (void* end = table.Address(kServerEnd)) reinterpret_cast<void (*)()>(end)();
    gInitialised = false;
  }
  table.Unload();
  gStatus = lsNotLoaded;
}

std::uint8_t MySQLLoadStatus() { return gStatus; }

std::string LibraryFileName() { return Entries().FileName(); }

const std::vector<const char*>& EntryNames() { return kListed; }

void* EntryAddress(size_t index) {
  if (index >= kListed.size()) return nullptr;
  return Entries().Address(index);
}

TMySQLThread::TMySQLThread() {
  if (void* init = Entries().Address(kThreadInit))
    started_ = reinterpret_cast<char (*)()>(init)() == 0;
}

TMySQLThread::~TMySQLThread() {
  if (!started_) return;
  if (void* end = Entries().Address(kThreadEnd)) reinterpret_cast<void (*)()>(end)();
}

MYSQL* mysql_init(MYSQL* mysql) { return Get<MYSQL* (*)(MYSQL*)>(kInit)(mysql); }

int mysql_options(MYSQL* mysql, int option, const void* arg) {
  return Get<int (*)(MYSQL*, int, const void*)>(kOptions)(mysql, option, arg);
}

MYSQL* mysql_real_connect(MYSQL* mysql, const char* host, const char* user, const char* passwd,
                          const char* db, unsigned int port, const char* unix_socket,
                          unsigned long clientflag) {
  using Fn = MYSQL* (*)(MYSQL*, const char*, const char*, const char*, const char*, unsigned int,
                        const char*, unsigned long);
  return Get<Fn>(kRealConnect)(mysql, host, user, passwd, db, port, unix_socket, clientflag);
}

int mysql_real_query(MYSQL* mysql, const char* q, unsigned long length) {
  return Get<int (*)(MYSQL*, const char*, unsigned long)>(kRealQuery)(mysql, q, length);
}

int mysql_query(MYSQL* mysql, const char* q) {
  return Get<int (*)(MYSQL*, const char*)>(kQuery)(mysql, q);
}

MYSQL_RES* mysql_use_result(MYSQL* mysql) {
  return Get<MYSQL_RES* (*)(MYSQL*)>(kUseResult)(mysql);
}

unsigned int mysql_field_count(MYSQL* mysql) {
  return Get<unsigned int (*)(MYSQL*)>(kFieldCount)(mysql);
}

MYSQL_ROW mysql_fetch_row(MYSQL_RES* result) {
  return Get<MYSQL_ROW (*)(MYSQL_RES*)>(kFetchRow)(result);
}

void mysql_free_result(MYSQL_RES* result) { Get<void (*)(MYSQL_RES*)>(kFreeResult)(result); }

void mysql_close(MYSQL* sock) { Get<void (*)(MYSQL*)>(kClose)(sock); }

unsigned int mysql_errno(MYSQL* mysql) { return Get<unsigned int (*)(MYSQL*)>(kErrno)(mysql); }

const char* mysql_error(MYSQL* mysql) { return Get<const char* (*)(MYSQL*)>(kError)(mysql); }

unsigned long mysql_real_escape_string(MYSQL* mysql, char* to, const char* from,
                                       unsigned long length) {
  using Fn = unsigned long (*)(MYSQL*, char*, const char*, unsigned long);
  return Get<Fn>(kRealEscapeString)(mysql, to, from, length);
}

}  // namespace zel::mysql
