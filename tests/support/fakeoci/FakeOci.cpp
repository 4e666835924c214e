// A fake of Oracle's client library for the tests. It exports the OCI
// entry points the client uses, with the same signatures, and answers from a
// script instead of a server:
//
//   logon<TAB>user<TAB>password<TAB>connect id   accepted credentials; with
//                                                none scripted, any are
//   logonerror<TAB>message                       the refusal's text
//   query<TAB>statement                          the following rows answer it
//   cols<TAB>n                                   its column count (else the
//                                                first row's)
//   row<TAB>value<TAB>...                        one row; \N is NULL
//   error<TAB>statement<TAB>message              the statement fails
//
// Statements match as whole texts; one not scripted fails with ORA-00942.
// Every logon and statement is recorded. The script comes from zfo_script()
// (tests in the same process, through dlsym) or from the file named by
// ZFO_SCRIPT when the first environment is made (a child process); ZFO_LOG
// names a file that receives the records as lines. Every call takes one
// lock, so sessions on several threads are safe.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "db/oracle/oci.h"

using namespace zel::oci;

namespace {

using Row = std::vector<std::optional<std::string>>;

struct Query {
  int cols = -1;
  std::vector<Row> rows;
  std::string error;
};

struct Logon {
  std::string user, password, db;
};

struct Env {
  ub4 mode;
  ub2 charset, ncharset;
  std::string message;
};
struct Err {
  std::string message;
};
struct Svc {
  std::string user;
};
struct Define {
  void* value = nullptr;
  sb4 size = 0;
  sb2* indicator = nullptr;
  ub2* length = nullptr;
  ub2* returnCode = nullptr;
};
struct Stmt {
  std::string sql;
  Query result;
  bool executed = false;
  size_t next = 0;
  std::map<ub4, Define> defines;
  ub4 prefetch = 0;
};

struct State {
  std::mutex mutex;
  std::map<std::string, Query> queries;
  std::vector<Logon> accepted;
  std::string logonError = "ORA-01017: invalid username/password; logon denied";
  std::deque<std::string> statements, logons;
  std::set<std::thread::id> threads;  // that ran statements
  int live = 0, sessions = 0;
  ub4 envMode = 0;
  int envCharset = -1, envNcharset = -1;
  ub4 lastPrefetch = 0;
  bool envScriptRead = false;
  std::string log;
};

State& S() {
  static State* state = new State;
  return *state;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  return out;
}

// Returns 0, or the number of the first line it could not take.
int ParseLocked(State& s, const std::string& text) {
  std::istringstream in(text);
  std::string line;
  Query* current = nullptr;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = Split(line);
    const std::string& verb = f[0];
    if (verb == "logon" && f.size() == 4) {
      s.accepted.push_back({f[1], f[2], f[3]});
    } else if (verb == "logonerror" && f.size() == 2) {
      s.logonError = f[1];
    } else if (verb == "query" && f.size() == 2) {
      current = &s.queries[f[1]];
      *current = Query();
    } else if (verb == "cols" && f.size() == 2 && current) {
      current->cols = std::atoi(f[1].c_str());
    } else if (verb == "row" && current) {
      Row row;
      for (size_t i = 1; i < f.size(); ++i) {
        if (f[i] == "\\N")
          row.emplace_back();
        else
          row.emplace_back(f[i]);
      }
      if (current->cols < 0) current->cols = static_cast<int>(row.size());
      if (static_cast<int>(row.size()) != current->cols) return number;
      current->rows.push_back(std::move(row));
    } else if (verb == "error" && f.size() == 3) {
      s.queries[f[1]].error = f[2];
      current = nullptr;
    } else {
      return number;
    }
  }
  return 0;
}

void Record(State& s, std::deque<std::string>& list, const std::string& kind,
            const std::string& text) {
  list.push_back(text);
  if (s.log.empty()) return;
  std::ofstream out(s.log, std::ios::app);
  out << kind << '\t' << text << '\n';
}

sword Fail(Err* err, const std::string& message) {
  if (err) err->message = message;
  return OCI_ERROR;
}

}  // namespace

extern "C" {

// --- the control interface of the tests ---

__attribute__((visibility("default"))) void zfo_reset() {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.queries.clear();
  s.accepted.clear();
  s.logonError = "ORA-01017: invalid username/password; logon denied";
  s.statements.clear();
  s.logons.clear();
  s.threads.clear();
  s.envMode = 0;
  s.envCharset = s.envNcharset = -1;
  s.lastPrefetch = 0;
  s.envScriptRead = true;  // a test in process scripts through zfo_script
}

__attribute__((visibility("default"))) int zfo_script(const char* text) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  return ParseLocked(s, text);
}

// "statements", "logons": how many were recorded; "threads": how many
// threads ran statements; "live": handles not yet
// freed; "sessions": logons not yet logged off; "mode", "charset",
// "ncharset": of the last environment made; "prefetch": the last statement's.
__attribute__((visibility("default"))) long zfo_count(const char* what) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string w = what;
  if (w == "statements") return static_cast<long>(s.statements.size());
  if (w == "logons") return static_cast<long>(s.logons.size());
  if (w == "threads") return static_cast<long>(s.threads.size());
  if (w == "live") return s.live;
  if (w == "sessions") return s.sessions;
  if (w == "mode") return s.envMode;
  if (w == "charset") return s.envCharset;
  if (w == "ncharset") return s.envNcharset;
  if (w == "prefetch") return s.lastPrefetch;
  return -1;
}

// Statement or logon ("user<TAB>password<TAB>connect id") number i.
__attribute__((visibility("default"))) const char* zfo_item(const char* what, long i) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::deque<std::string>& list = std::string(what) == "logons" ? s.logons : s.statements;
  if (i < 0 || i >= static_cast<long>(list.size())) return nullptr;
  return list[static_cast<size_t>(i)].c_str();
}

// --- OCI ---

__attribute__((visibility("default"))) sword OCIEnvNlsCreate(OCIEnv** envp, ub4 mode, void*,
                                                             void* (*)(void*, size_t),
                                                             void* (*)(void*, void*, size_t),
                                                             void (*)(void*, void*), size_t, void**,
                                                             ub2 charset, ub2 ncharset) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.envScriptRead) {
    s.envScriptRead = true;
    if (const char* log = std::getenv("ZFO_LOG")) s.log = log;
    if (const char* path = std::getenv("ZFO_SCRIPT")) {
      std::ifstream in(path);
      std::stringstream text;
      text << in.rdbuf();
      if (ParseLocked(s, text.str()) != 0) return OCI_ERROR;
    }
  }
  s.envMode = mode;
  s.envCharset = charset;
  s.envNcharset = ncharset;
  *envp = reinterpret_cast<OCIEnv*>(new Env{mode, charset, ncharset, {}});
  ++s.live;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIHandleAlloc(const void* parent, void** handle,
                                                            ub4 type, size_t, void**) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!parent || !handle || type != OCI_HTYPE_ERROR) return OCI_INVALID_HANDLE;
  *handle = new Err;
  ++s.live;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIHandleFree(void* handle, ub4 type) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!handle) return OCI_INVALID_HANDLE;
  if (type == OCI_HTYPE_ENV)
    delete static_cast<Env*>(handle);
  else if (type == OCI_HTYPE_ERROR)
    delete static_cast<Err*>(handle);
  else
    return OCI_INVALID_HANDLE;
  --s.live;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCILogon2(OCIEnv* env, OCIError* errhp,
                                                       OCISvcCtx** svc, const OraText* user,
                                                       ub4 userLen, const OraText* password,
                                                       ub4 passwordLen, const OraText* db,
                                                       ub4 dbLen, ub4) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto* err = reinterpret_cast<Err*>(errhp);
  if (!env || !err || !svc) return OCI_INVALID_HANDLE;
  Logon l{std::string(reinterpret_cast<const char*>(user), userLen),
          std::string(reinterpret_cast<const char*>(password), passwordLen),
          std::string(reinterpret_cast<const char*>(db), dbLen)};
  Record(s, s.logons, "logon", l.user + "\t" + l.password + "\t" + l.db);
  bool ok = s.accepted.empty();
  for (const Logon& a : s.accepted)
    if (a.user == l.user && a.password == l.password && a.db == l.db) ok = true;
  if (!ok) return Fail(err, s.logonError);
  *svc = reinterpret_cast<OCISvcCtx*>(new Svc{l.user});
  ++s.live;
  ++s.sessions;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCILogoff(OCISvcCtx* svc, OCIError*) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!svc) return OCI_INVALID_HANDLE;
  delete reinterpret_cast<Svc*>(svc);
  --s.live;
  --s.sessions;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIStmtPrepare2(OCISvcCtx* svc, OCIStmt** stmt,
                                                             OCIError* errhp, const OraText* text,
                                                             ub4 len, const OraText*, ub4, ub4,
                                                             ub4) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!svc || !stmt || !errhp) return OCI_INVALID_HANDLE;
  auto* st = new Stmt;
  st->sql.assign(reinterpret_cast<const char*>(text), len);
  *stmt = reinterpret_cast<OCIStmt*>(st);
  ++s.live;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIStmtRelease(OCIStmt* stmt, OCIError*,
                                                            const OraText*, ub4, ub4) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!stmt) return OCI_INVALID_HANDLE;
  delete reinterpret_cast<Stmt*>(stmt);
  --s.live;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIStmtExecute(OCISvcCtx* svc, OCIStmt* stmt,
                                                            OCIError* errhp, ub4 iters, ub4,
                                                            const OCISnapshot*, OCISnapshot*, ub4) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto* st = reinterpret_cast<Stmt*>(stmt);
  auto* err = reinterpret_cast<Err*>(errhp);
  if (!svc || !st || !err) return OCI_INVALID_HANDLE;
  Record(s, s.statements, "exec", st->sql);
  s.threads.insert(std::this_thread::get_id());
  if (iters != 0) return Fail(err, "ORA-24333: zero iteration count");
  auto it = s.queries.find(st->sql);
  if (it == s.queries.end()) return Fail(err, "ORA-00942: table or view does not exist");
  if (!it->second.error.empty()) return Fail(err, it->second.error);
  st->result = it->second;
  if (st->result.cols < 0) st->result.cols = 0;
  st->executed = true;
  st->next = 0;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIAttrGet(const void* target, ub4 type, void* value,
                                                        ub4* size, ub4 attr, OCIError* errhp) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  const auto* st = static_cast<const Stmt*>(target);
  if (!st || type != OCI_HTYPE_STMT || !value) return OCI_INVALID_HANDLE;
  if (attr != OCI_ATTR_PARAM_COUNT || !st->executed)
    return Fail(reinterpret_cast<Err*>(errhp), "ORA-24315: illegal attribute type");
  *static_cast<ub4*>(value) = static_cast<ub4>(st->result.cols);
  if (size) *size = sizeof(ub4);
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIAttrSet(void* target, ub4 type, void* value, ub4,
                                                        ub4 attr, OCIError* errhp) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto* st = static_cast<Stmt*>(target);
  if (!st || type != OCI_HTYPE_STMT || !value) return OCI_INVALID_HANDLE;
  if (attr != OCI_ATTR_PREFETCH_ROWS)
    return Fail(reinterpret_cast<Err*>(errhp), "ORA-24315: illegal attribute type");
  st->prefetch = *static_cast<ub4*>(value);
  s.lastPrefetch = st->prefetch;
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIDefineByPos(OCIStmt* stmt, OCIDefine** define,
                                                            OCIError* errhp, ub4 position,
                                                            void* value, sb4 size, ub2 dty,
                                                            void* indicator, ub2* length,
                                                            ub2* returnCode, ub4) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto* st = reinterpret_cast<Stmt*>(stmt);
  auto* err = reinterpret_cast<Err*>(errhp);
  if (!st || !err || !define) return OCI_INVALID_HANDLE;
  if (!st->executed || position < 1 || static_cast<int>(position) > st->result.cols)
    return Fail(err, "ORA-01007: variable not in select list");
  if (dty != SQLT_CHR || !value || size <= 0 || !indicator || !length || !returnCode)
    return Fail(err, "ORA-00932: inconsistent datatypes");
  Define& d = st->defines[position];
  d = {value, size, static_cast<sb2*>(indicator), length, returnCode};
  *define = reinterpret_cast<OCIDefine*>(&d);
  return OCI_SUCCESS;
}

__attribute__((visibility("default"))) sword OCIStmtFetch2(OCIStmt* stmt, OCIError* errhp,
                                                           ub4 nrows, ub2 orientation, sb4, ub4) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto* st = reinterpret_cast<Stmt*>(stmt);
  auto* err = reinterpret_cast<Err*>(errhp);
  if (!st || !err) return OCI_INVALID_HANDLE;
  if (!st->executed) return Fail(err, "ORA-24338: statement handle not executed");
  if (nrows != 1 || orientation != OCI_FETCH_NEXT) return Fail(err, "ORA-24391: invalid fetch");
  if (st->next >= st->result.rows.size()) return OCI_NO_DATA;
  const Row& row = st->result.rows[st->next++];
  sword rc = OCI_SUCCESS;
  for (auto& [position, d] : st->defines) {
    const std::optional<std::string>& cell = row[position - 1];
    if (!cell) {
      *d.indicator = -1;
      *d.length = 0;
      *d.returnCode = 1405;
      continue;
    }
    const size_t n = cell->size();
    if (n > static_cast<size_t>(d.size)) {
      std::memcpy(d.value, cell->data(), static_cast<size_t>(d.size));
      *d.indicator = n > 32767 ? static_cast<sb2>(-2) : static_cast<sb2>(n);
      *d.length = static_cast<ub2>(d.size);
      *d.returnCode = kTruncatedReturnCode;
      err->message = "ORA-24345: A Truncation or null fetch error occurred";
      rc = OCI_SUCCESS_WITH_INFO;
      continue;
    }
    std::memcpy(d.value, cell->data(), n);
    *d.indicator = 0;
    *d.length = static_cast<ub2>(n);
    *d.returnCode = 0;
  }
  return rc;
}

__attribute__((visibility("default"))) sword OCIErrorGet(void* handle, ub4 record, OraText*,
                                                         sb4* code, OraText* buf, ub4 size,
                                                         ub4 type) {
  State& s = S();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!handle || !buf || size == 0) return OCI_INVALID_HANDLE;
  const std::string& message = type == OCI_HTYPE_ENV ? static_cast<Env*>(handle)->message
                                                     : static_cast<Err*>(handle)->message;
  if (record != 1 || message.empty()) return OCI_NO_DATA;
  // Oracle ends its texts with a line feed.
  std::string text = message + "\n";
  std::snprintf(reinterpret_cast<char*>(buf), size, "%s", text.c_str());
  if (code) *code = message.rfind("ORA-", 0) == 0 ? std::atoi(message.c_str() + 4) : 0;
  return OCI_SUCCESS;
}

}  // extern "C"
