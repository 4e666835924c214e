#include "db/odbc/OdbcConnection.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "db/odbc/OdbcApi.h"
#include "db/odbc/OdbcError.h"

namespace zel {
namespace {

SQLWCHAR* W(std::u16string& s) { return reinterpret_cast<SQLWCHAR*>(s.data()); }

// Every diagnostic record of the handle, one line each. The first record's
// state goes with the error so callers can tell a login failure apart.
OdbcError Diagnostics(SQLSMALLINT type, SQLHANDLE handle, const char* call) {
  std::string text, firstState;
  long firstNative = 0;
  for (SQLSMALLINT record = 1; handle && record < 32; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::u16string message(1024, u'\0');
    SQLSMALLINT length = 0;
    SQLRETURN rc = odbc::GetDiagRecW(type, handle, record, state, &native,
                                     W(message), static_cast<SQLSMALLINT>(message.size()),
                                     &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.assign(static_cast<size_t>(length) + 1, u'\0');
      rc = odbc::GetDiagRecW(type, handle, record, state, &native, W(message),
                             static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    message.resize(std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)),
                                    message.size()));
    while (!message.empty() && message.back() == u'\0') message.pop_back();
    if (record == 1) {
      firstState = odbc::FromUtf16(std::u16string_view(reinterpret_cast<char16_t*>(state), 5));
      firstNative = native;
    }
    if (!text.empty()) text += "\n";
    text += odbc::FromUtf16(message);
  }
  if (text.empty()) text = std::string(call) + " failed.";
  return OdbcError(text, firstState, firstNative);
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* call) {
  if (!SQL_SUCCEEDED(rc)) throw Diagnostics(type, handle, call);
}

}  // namespace

OdbcConnection::~OdbcConnection() {
  try {
    Disconnect();
  } catch (...) {  // a destructor reports nothing
  }
}

void OdbcConnection::Connect(const std::string& connectionString, int loginTimeoutSeconds) {
  Disconnect();
  SQLHANDLE env = SQL_NULL_HANDLE;
  if (!SQL_SUCCEEDED(odbc::AllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw OdbcError("SQLAllocHandle(ENV) failed.");
  env_ = env;
  SQLHANDLE dbc = SQL_NULL_HANDLE;
  try {
    Check(odbc::SetEnvAttr(env, SQL_ATTR_ODBC_VERSION,
                           reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(SQL_OV_ODBC3)), 0),
          SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
    Check(odbc::AllocHandle(SQL_HANDLE_DBC, env, &dbc), SQL_HANDLE_ENV, env, "SQLAllocHandle");
    if (loginTimeoutSeconds > 0) {
      // Drivers that do not know the attribute connect without a timeout.
      odbc::SetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                            reinterpret_cast<SQLPOINTER>(static_cast<intptr_t>(loginTimeoutSeconds)),
                            0);
    }
    std::u16string in = odbc::ToUtf16(connectionString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = odbc::DriverConnectW(dbc, nullptr, W(in), static_cast<SQLSMALLINT>(in.size()),
                                        out, static_cast<SQLSMALLINT>(std::size(out)), &outLength,
                                        SQL_DRIVER_NOPROMPT);
    Check(rc, SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
  } catch (...) {
    if (dbc) odbc::FreeHandle(SQL_HANDLE_DBC, dbc);
    odbc::FreeHandle(SQL_HANDLE_ENV, env);
    env_ = nullptr;
    throw;
  }
  dbc_ = dbc;
}

void OdbcConnection::Disconnect() {
  if (dbc_) {
    SQLHANDLE dbc = dbc_;
    dbc_ = nullptr;
    odbc::Disconnect(dbc);
    odbc::FreeHandle(SQL_HANDLE_DBC, dbc);
  }
  if (env_) {
    SQLHANDLE env = env_;
    env_ = nullptr;
    odbc::FreeHandle(SQL_HANDLE_ENV, env);
  }
}

OdbcStatement::~OdbcStatement() {
  try {
    Close();
  } catch (...) {
  }
}

void OdbcStatement::Close() {
  row_.clear();
  columns_ = 0;
  atEnd_ = true;
  if (stmt_) {
    SQLHANDLE stmt = stmt_;
    stmt_ = nullptr;
    odbc::FreeHandle(SQL_HANDLE_STMT, stmt);
  }
}

void OdbcStatement::Execute(const std::string& sql) {
  Close();
  if (!connection_.Connected()) throw OdbcError("The ODBC connection is not open.");
  SQLHANDLE stmt = SQL_NULL_HANDLE;
  Check(odbc::AllocHandle(SQL_HANDLE_STMT, connection_.dbc_, &stmt), SQL_HANDLE_DBC,
        connection_.dbc_, "SQLAllocHandle");
  stmt_ = stmt;
  std::u16string text = odbc::ToUtf16(sql);
  SQLRETURN rc = odbc::ExecDirectW(stmt, W(text), static_cast<SQLINTEGER>(text.size()));
  if (rc != SQL_NO_DATA) Check(rc, SQL_HANDLE_STMT, stmt, "SQLExecDirect");
  for (;;) {
    SQLSMALLINT count = 0;
    Check(odbc::NumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
    if (count > 0) {
      columns_ = count;
      atEnd_ = false;
      return;
    }
    rc = odbc::MoreResults(stmt);
    if (rc == SQL_NO_DATA) return;  // no result with columns: no rows
    Check(rc, SQL_HANDLE_STMT, stmt, "SQLMoreResults");
  }
}

bool OdbcStatement::Fetch() {
  row_.clear();
  if (atEnd_ || !stmt_) return false;
  SQLRETURN rc = odbc::Fetch(stmt_);
  if (rc == SQL_NO_DATA) {
    atEnd_ = true;
    return false;
  }
  Check(rc, SQL_HANDLE_STMT, stmt_, "SQLFetch");
  row_.reserve(static_cast<size_t>(columns_));
  for (int c = 1; c <= columns_; ++c) row_.push_back(ReadText(c));
  return true;
}

std::optional<std::string> OdbcStatement::ReadText(int column) {
  // Long values come in pieces; the pieces are joined as UTF-16 so that a
  // surrogate pair cut between two pieces stays one character.
  std::u16string value;
  SQLWCHAR buffer[2048];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = odbc::GetData(stmt_, static_cast<SQLUSMALLINT>(column), SQL_C_WCHAR, buffer,
                                 sizeof buffer, &indicator);
    if (rc == SQL_NO_DATA) break;
    Check(rc, SQL_HANDLE_STMT, stmt_, "SQLGetData");
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    const size_t room = std::size(buffer) - 1;  // the driver ends each piece with a null
    size_t got = room;
    if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) / sizeof(SQLWCHAR) < room)
      got = static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
    value.append(reinterpret_cast<const char16_t*>(buffer), got);
    if (rc == SQL_SUCCESS) break;  // with info: truncated, more to come
  }
  return odbc::FromUtf16(value);
}

}  // namespace zel
