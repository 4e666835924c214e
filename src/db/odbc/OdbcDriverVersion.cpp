#include "db/odbc/OdbcDriverVersion.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

#include "db/DynamicLibrary.h"
#include "db/odbc/OdbcApi.h"

namespace zel {
namespace {

using AllocHandleFn = SQLRETURN (*)(SQLSMALLINT, SQLHANDLE, SQLHANDLE*);
using FreeHandleFn = SQLRETURN (*)(SQLSMALLINT, SQLHANDLE);
using SetEnvAttrFn = SQLRETURN (*)(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER);
using GetInfoFn = SQLRETURN (*)(SQLHDBC, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*);

std::string AskLibrary(DynamicLibrary& library) {
  auto alloc = reinterpret_cast<AllocHandleFn>(library.Symbol("SQLAllocHandle"));
  auto release = reinterpret_cast<FreeHandleFn>(library.Symbol("SQLFreeHandle"));
  auto setEnv = reinterpret_cast<SetEnvAttrFn>(library.Symbol("SQLSetEnvAttr"));
  auto getInfo = reinterpret_cast<GetInfoFn>(library.Symbol("SQLGetInfo"));
  if (!alloc || !release || !setEnv || !getInfo) return {};
  SQLHANDLE env = SQL_NULL_HANDLE, dbc = SQL_NULL_HANDLE;
  if (!SQL_SUCCEEDED(alloc(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return {};
  std::string version;
  setEnv(env, SQL_ATTR_ODBC_VERSION,
         reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(SQL_OV_ODBC3)), 0);
  if (SQL_SUCCEEDED(alloc(SQL_HANDLE_DBC, env, &dbc))) {
    char text[64] = {};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(getInfo(dbc, SQL_DRIVER_VER, text, sizeof text - 1, &length))) version = text;
    release(SQL_HANDLE_DBC, dbc);
  }
  release(SQL_HANDLE_ENV, env);
  return version;
}

}  // namespace

std::string OdbcDriverVersion(const std::string& library) {
  if (library.empty()) return {};
  static std::mutex mutex;
  // Never destroyed, and the libraries stay loaded: the driver manager
  // opens the same file for the connection, and a driver may leave
  // per-thread state whose clean-up must still find its code.
  static auto* versions = new std::map<std::string, std::string>();
  static auto* libraries = new std::map<std::string, DynamicLibrary>();
  std::lock_guard<std::mutex> lock(mutex);
  if (auto it = versions->find(library); it != versions->end()) return it->second;
  DynamicLibrary& opened = (*libraries)[library];
  // A driver registered without a path is found the way unixODBC finds it:
  // in the driver manager's own driver folder first.
  std::vector<std::string> candidates;
  if (library.find('/') == std::string::npos) {
    const std::string folder = odbc::LibraryFolder();
    if (!folder.empty()) candidates.push_back(folder + "/odbc/" + library);
  }
  candidates.push_back(library);
  for (const std::string& file : candidates)
    if (opened.IsOpen() || opened.Open(file)) break;
  std::string version;
  if (opened.IsOpen()) version = AskLibrary(opened);
  // A file that did not load is tried again next time (it may be installed
  // meanwhile); an answer is kept.
  if (!version.empty()) (*versions)[library] = version;
  return version;
}

}  // namespace zel
