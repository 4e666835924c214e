#include "db/mysql/MySQL5.h"

#include <cstring>

namespace zel {
namespace {

// The wire carries UTF-8, the program's own text. utf8mb4 where the server
// knows it (MySQL 5.5.3 and later, every MariaDB in use); older ones only
// know the three-byte utf8.
constexpr const char* kCharsetStatements[] = {"SET NAMES utf8mb4;", "SET NAMES utf8;"};

// Frees an unbuffered result however reading it ends.
struct ResultGuard {
  mysql::MYSQL_RES* result;
  ~ResultGuard() {
    try {
      mysql::mysql_free_result(result);
    } catch (...) {  // a missing entry point leaves the memory, never throws on
    }
  }
};

}  // namespace

TMySQL5::TMySQL5(void* owner) { (void)owner; }

TMySQL5::~TMySQL5() {
  try {
    Close();
  } catch (...) {
  }
}

void TMySQL5::RaiseError(const std::string& message) {
  FLastErrorNumber = 0;
  if (!message.empty()) {
    FLastError = message;
  } else {
    const char* text = connection ? mysql::mysql_error(connection) : "";
    const unsigned number = connection ? mysql::mysql_errno(connection) : 0;
    FLastError = std::to_string(number) + " - " + (text ? text : "");
    FLastErrorNumber = number;
  }
  throw EMySQLError(FLastError);
}

void TMySQL5::Connect(const std::string& host, const std::string& user,
                      const std::string& password, int port) {
  // A second Connect starts over with a new handle rather than leaking the
  // first one.
  Close();
  FLastError.clear();
  FLastErrorNumber = 0;
  connection = mysql::mysql_init(nullptr);
  if (!connection) RaiseError("Couldn't init PMYSQL object");
  try {
    if (mysql::mysql_options(connection, mysql::MYSQL_OPT_CONNECT_TIMEOUT, &ConnectTimeout) != 0)
      RaiseError();
    if (!mysql::mysql_real_connect(connection, host.c_str(), user.c_str(), password.c_str(),
                                   nullptr, static_cast<unsigned>(port), nullptr,
                                   static_cast<unsigned long>(ClientFlags)))
      RaiseError();
    for (const char* statement : kCharsetStatements) {
      if (mysql::mysql_real_query(connection, statement, std::strlen(statement)) == 0) {
        FCharsetStatement = statement;
        break;
      }
    }
    FConnected = true;
  } catch (const EMySQLError&) {
    // Failures after the handle exists end quietly, the reason in LastError.
  } catch (const std::exception& e) {
    // An entry point the library lacks: quiet too, but with its reason.
    FLastError = e.what();
  } catch (...) {
  }
}

void TMySQL5::Close() {
  if (!connection) return;
  mysql::MYSQL* handle = connection;
  connection = nullptr;
  FConnected = false;
  mysql::mysql_close(handle);
}

void TMySQL5::Query(const std::string& sql) {
  // Every row is held: a documentation tool that stops at some count
  // reports a wrong document as a good one.
  QueryEach(sql, [this](const Row& row) {
    FRows.push_back(row);
    ++FRecordCount;
  });
}

void TMySQL5::QueryEach(const std::string& sql, const std::function<void(const Row&)>& each) {
  // A connection that never opened raises with the reason it did not
  // (the library itself would only say the server has gone away).
  if (!connection) RaiseError(FLastError.empty() ? "0 - not connected" : FLastError);
  if (!FConnected && !FLastError.empty()) RaiseError(FLastError);
  if (mysql::mysql_query(connection, sql.c_str()) != 0) RaiseError();
  mysql::MYSQL_RES* result = mysql::mysql_use_result(connection);
  if (!result) RaiseError();
  ResultGuard guard{result};
  const unsigned fields = mysql::mysql_field_count(connection);
  FFieldCount = fields > kMaxFields ? kMaxFields : static_cast<int>(fields);
  Row held;
  while (mysql::MYSQL_ROW row = mysql::mysql_fetch_row(result)) {
    for (int f = 0; f < FFieldCount; ++f) {
      if (row[f])
        held[static_cast<size_t>(f)] = row[f];
      else
        held[static_cast<size_t>(f)].clear();
    }
    each(held);
  }
  // The end of an unbuffered result and a connection lost while reading
  // look alike from mysql_fetch_row; only the error number tells them apart.
  if (mysql::mysql_errno(connection) != 0) RaiseError();
}

void TMySQL5::SetRecord(int row) {
  if (row >= 1 && row <= FRecordCount) CurrentRecord = row;
}

std::string TMySQL5::GetField(int field) {
  if (field < 1 || field > FFieldCount) RaiseError("Error: Out of range Field Index");
  if (CurrentRecord < 1) return {};
  return FRows[static_cast<size_t>(CurrentRecord - 1)][static_cast<size_t>(field - 1)];
}

std::string TMySQL5::EscapeString(std::string_view text) {
  if (!connection) connection = mysql::mysql_init(nullptr);
  if (!connection) RaiseError("Couldn't init PMYSQL object");
  std::string out(text.size() * 2 + 1, '\0');
  const unsigned long n =
      mysql::mysql_real_escape_string(connection, out.data(), text.data(), text.size());
  // (unsigned long)-1: the text is not valid in the connection's character
  // set; quote it as bytes rather than sending it unescaped.
  if (n == static_cast<unsigned long>(-1)) RaiseError("invalid name for this character set");
  out.resize(n);
  return out;
}

}  // namespace zel
