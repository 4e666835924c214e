#pragma once
// The MySQL client library, bound at run time: MariaDB Connector/C
// (libmariadb.so.3), else MySQL's libmysqlclient.so.21 or .so.24. The
// program loads it once at start, before any window exists, and records how
// far loading got; a missing library only makes the MySQL kind unusable.
//
// The prototypes follow the client library's public header; the development
// package is not needed to build the program.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace zel::mysql {

struct MYSQL;      // opaque, owned by the client library
struct MYSQL_RES;  // opaque, owned by the client library
using MYSQL_ROW = char**;

// enum mysql_option: the only option the component sets.
constexpr int MYSQL_OPT_CONNECT_TIMEOUT = 0;

// How far LoadMySQLLibrary got.
enum LoadStatus : std::uint8_t {
  lsNotLoaded = 0,       // before loading and after release
  lsLoadFailed = 1,      // the file could not be loaded; no entry point
  lsSomeMissing = 2,     // loaded; at least one listed entry point is missing
  lsAllResolved = 3,     // loaded; every listed entry point was found
};

// An entry point that the component calls is missing from the library:
// "<file>: function <name> not found."
class EMySQLEntryMissing : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Releases any library already loaded, then loads `fileName`, or with an
// empty name the platform's candidates in order, resolves the table of
// entry points and initialises the library once for the process.
std::uint8_t LoadMySQLLibrary(const std::string& fileName = "");
// Ends the library's use and releases it; status 0. Only at program end
// (and in tests): no connection may be open.
void UnloadMySQLLibrary();
std::uint8_t MySQLLoadStatus();
// The file that was loaded; otherwise the first one tried, which is the
// name the refusal message gives.
std::string LibraryFileName();

// The entry-point table, in its fixed order (57 names).
const std::vector<const char*>& EntryNames();
// The address of table entry `index`, nullptr while missing or unloaded.
void* EntryAddress(size_t index);

// Worker threads that open connections call these once each, at their
// start and before they end (the library keeps per-thread state).
class TMySQLThread {
 public:
  TMySQLThread();
  ~TMySQLThread();
  TMySQLThread(const TMySQLThread&) = delete;
  TMySQLThread& operator=(const TMySQLThread&) = delete;

 private:
  bool started_ = false;
};

// The entry points TMySQL5 calls. Each raises EMySQLEntryMissing when the
// library lacks it (or is not loaded).
MYSQL* mysql_init(MYSQL* mysql);
int mysql_options(MYSQL* mysql, int option, const void* arg);
MYSQL* mysql_real_connect(MYSQL* mysql, const char* host, const char* user, const char* passwd,
                          const char* db, unsigned int port, const char* unix_socket,
                          unsigned long clientflag);
int mysql_real_query(MYSQL* mysql, const char* q, unsigned long length);
int mysql_query(MYSQL* mysql, const char* q);
MYSQL_RES* mysql_use_result(MYSQL* mysql);
unsigned int mysql_field_count(MYSQL* mysql);
MYSQL_ROW mysql_fetch_row(MYSQL_RES* result);
void mysql_free_result(MYSQL_RES* result);
void mysql_close(MYSQL* sock);
unsigned int mysql_errno(MYSQL* mysql);
const char* mysql_error(MYSQL* mysql);
unsigned long mysql_real_escape_string(MYSQL* mysql, char* to, const char* from,
                                       unsigned long length);

}  // namespace zel::mysql
