#include "db/oracle/OraSession.h"

#include <cstring>

#include "db/oracle/OraError.h"
#include "db/oracle/oci.h"

namespace zel {

using namespace oci;

namespace detail {

struct OraEnvironment {
  OCIEnv* env = nullptr;
  OraEnvironment() = default;
  OraEnvironment(const OraEnvironment&) = delete;
  OraEnvironment& operator=(const OraEnvironment&) = delete;
  ~OraEnvironment() {
    if (!env) return;
    try {
      OCIHandleFree(env, OCI_HTYPE_ENV);
    } catch (...) {  // the library cannot go away while the environment lives
    }
  }
};

}  // namespace detail

namespace {

// A value longer than this is refused rather than cut: a documentation tool
// must not hand over half a comment as if it were all of it. It is the most
// a returned length can report, and well above what the catalog views hold
// (4,000 bytes, 32,767 with extended strings) even after conversion to UTF-8.
constexpr ub2 kDefineBytes = 65535;
// Rows per round trip; catalog queries return hundreds of small rows.
constexpr ub4 kPrefetchRows = 500;

std::string Trimmed(const char* text) {
  std::string s(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
}

// Oracle's text and ORA- number for the failed call on `handle`.
EOleException Failure(void* handle, ub4 type, sword status) {
  char buf[3072] = {};
  sb4 code = 0;
  if (handle && OCIErrorGet(handle, 1, nullptr, &code, reinterpret_cast<OraText*>(buf), sizeof buf,
                            type) == OCI_SUCCESS) {
    std::string text = Trimmed(buf);
    if (!text.empty()) return EOleException(text, static_cast<int>(code));
  }
  if (status == OCI_INVALID_HANDLE) return EOleException("OCI: invalid handle.");
  return EOleException("OCI call failed with status " + std::to_string(status) + ".");
}

const OraText* Bytes(const std::string& s) {
  return reinterpret_cast<const OraText*>(s.data());
}
ub4 Length(const std::string& s) {
  return static_cast<ub4>(s.size());
}

bool Failed(sword status) {
  return status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO;
}

// The statement handle of one query, released however the read ends.
class Statement {
 public:
  Statement(OCISvcCtx* svc, OCIError* err, const std::string& sql) : err_(err) {
    sword rc = OCIStmtPrepare2(svc, &stmt_, err, Bytes(sql), Length(sql), nullptr, 0,
                               OCI_NTV_SYNTAX, OCI_DEFAULT);
    if (Failed(rc)) {
      EOleException failure = Failure(err, OCI_HTYPE_ERROR, rc);
      Release();
      throw failure;
    }
  }
  ~Statement() { Release(); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  OCIStmt* get() const { return stmt_; }

 private:
  void Release() noexcept {
    if (!stmt_) return;
    try {
      OCIStmtRelease(stmt_, err_, nullptr, 0, OCI_DEFAULT);
    } catch (...) {
    }
    stmt_ = nullptr;
  }
  OCIStmt* stmt_ = nullptr;
  OCIError* err_;
};

struct Column {
  std::vector<char> buffer = std::vector<char>(kDefineBytes);
  sb2 indicator = 0;
  ub2 length = 0;
  ub2 returnCode = 0;
};

}  // namespace

OraSession::OraSession() {
  Load();
  auto env = std::make_shared<detail::OraEnvironment>();
  sword rc = OCIEnvNlsCreate(&env->env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0,
                             nullptr, AL32UTF8, AL32UTF8);
  if (Failed(rc) || !env->env) {
    if (env->env) throw Failure(env->env, OCI_HTYPE_ENV, rc);
    throw EOleException("OCIEnvNlsCreate failed with status " + std::to_string(rc) +
                        " (is ORACLE_HOME or the Instant Client folder complete?).");
  }
  env_ = std::move(env);
}

OraSession::~OraSession() = default;

std::unique_ptr<OraDatabase> OraSession::OpenDatabase(const std::string& databaseName,
                                                      const OraConnectString& connect,
                                                      int options) {
  (void)options;  // 0 is the only value callers pass
  void* err = nullptr;
  sword rc = OCIHandleAlloc(env_->env, &err, OCI_HTYPE_ERROR, 0, nullptr);
  if (Failed(rc) || !err) throw Failure(env_->env, OCI_HTYPE_ENV, rc);
  OCISvcCtx* svc = nullptr;
  rc = OCILogon2(env_->env, static_cast<OCIError*>(err), &svc, Bytes(connect.user),
                 Length(connect.user), Bytes(connect.password), Length(connect.password),
                 Bytes(databaseName), Length(databaseName), OCI_DEFAULT);
  // With info: logged on with a warning (a password about to expire).
  if (Failed(rc) || !svc) {
    EOleException failure = Failure(err, OCI_HTYPE_ERROR, rc);
    OCIHandleFree(err, OCI_HTYPE_ERROR);
    throw failure;
  }
  return std::unique_ptr<OraDatabase>(new OraDatabase(env_, err, svc));
}

OraDatabase::OraDatabase(std::shared_ptr<detail::OraEnvironment> env, void* err, void* svc)
    : env_(std::move(env)), err_(err), svc_(svc) {}

OraDatabase::~OraDatabase() {
  try {
    Close();
  } catch (...) {  // nothing can be reported from here
  }
  if (err_) {
    try {
      OCIHandleFree(err_, OCI_HTYPE_ERROR);
    } catch (...) {
    }
  }
}

void OraDatabase::Close() {
  if (!svc_) return;
  auto* svc = static_cast<OCISvcCtx*>(svc_);
  svc_ = nullptr;
  sword rc = OCILogoff(svc, static_cast<OCIError*>(err_));
  if (Failed(rc)) throw Failure(err_, OCI_HTYPE_ERROR, rc);
}

std::unique_ptr<OraDynaset> OraDatabase::CreateDynaset(const std::string& sql, int options) {
  (void)options;
  if (!svc_) throw EOleException("The database is closed.");
  auto* err = static_cast<OCIError*>(err_);
  Statement stmt(static_cast<OCISvcCtx*>(svc_), err, sql);
  auto check = [&](sword rc) {
    if (Failed(rc)) throw Failure(err, OCI_HTYPE_ERROR, rc);
  };

  ub4 prefetch = kPrefetchRows;
  // Only speed depends on it; a client that refuses still reads every row.
  (void)OCIAttrSet(stmt.get(), OCI_HTYPE_STMT, &prefetch, sizeof prefetch, OCI_ATTR_PREFETCH_ROWS,
                   err);
  check(OCIStmtExecute(static_cast<OCISvcCtx*>(svc_), stmt.get(), err, 0, 0, nullptr, nullptr,
                       OCI_DEFAULT));
  ub4 count = 0;
  check(OCIAttrGet(stmt.get(), OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, err));

  std::vector<Column> columns(count);
  for (ub4 i = 0; i < count; ++i) {
    OCIDefine* define = nullptr;  // owned by the statement handle
    Column& c = columns[i];
    check(OCIDefineByPos(stmt.get(), &define, err, i + 1, c.buffer.data(),
                         static_cast<sb4>(c.buffer.size()), SQLT_CHR, &c.indicator, &c.length,
                         &c.returnCode, OCI_DEFAULT));
  }

  std::vector<OraDynaset::Row> rows;
  for (;;) {
    for (Column& c : columns) {
      c.indicator = 0;
      c.length = 0;
      c.returnCode = 0;
    }
    sword rc = OCIStmtFetch2(stmt.get(), err, 1, OCI_FETCH_NEXT, 0, OCI_DEFAULT);
    if (rc == OCI_NO_DATA) break;
    // With info: a truncation (checked below) or a harmless warning.
    check(rc);
    OraDynaset::Row row(count);
    for (ub4 i = 0; i < count; ++i) {
      const Column& c = columns[i];
      if (c.indicator == -1) continue;  // NULL
      if (c.indicator != 0 || c.returnCode == kTruncatedReturnCode)
        throw EOleException("Column " + std::to_string(i + 1) + " of row " +
                            std::to_string(rows.size() + 1) + " holds a value longer than " +
                            std::to_string(kDefineBytes) + " bytes; it was not read.");
      row[i] = std::string(c.buffer.data(), c.length);
    }
    rows.push_back(std::move(row));
  }
  return std::make_unique<OraDynaset>(static_cast<int>(count), std::move(rows));
}

TVariant OraField::Value() const {
  return *cell_ ? TVariant::Text(**cell_) : TVariant::Null();
}

OraDynaset::OraDynaset(int fieldCount, std::vector<Row> rows)
    : fieldCount_(fieldCount), rows_(std::move(rows)) {}

void OraDynaset::CheckOpen() const {
  if (closed_) throw EOleException("The dynaset is closed.");
}

int OraDynaset::RecordCount() const {
  CheckOpen();
  return static_cast<int>(rows_.size());
}

void OraDynaset::MoveFirst() {
  CheckOpen();
  current_ = 0;
}

void OraDynaset::MoveNext() {
  CheckOpen();
  if (current_ < rows_.size()) ++current_;
}

bool OraDynaset::Eof() const {
  return current_ >= rows_.size();
}

OraField OraDynaset::Fields(int index) const {
  CheckOpen();
  if (Eof()) throw EOleException("No current record.");
  if (index < 0 || index >= fieldCount_)
    throw EOleException("Field index " + std::to_string(index) + " out of range.");
  return OraField(&rows_[current_][static_cast<size_t>(index)]);
}

OraFields OraDynaset::Fields() const {
  CheckOpen();
  return OraFields(fieldCount_);
}

void OraDynaset::Close() {
  closed_ = true;
  rows_.clear();
  current_ = 0;
}

}  // namespace zel
