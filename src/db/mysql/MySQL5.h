#pragma once
// TMySQL5: one connection to a MySQL or MariaDB server, one statement at a
// time, the rows of each statement appended to an in-memory table of text.
// The catalog reader makes a new instance for every statement.
#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "db/mysql/mysql.h"

namespace zel {

// Every failure the component raises; the text is also in LastError.
class EMySQLError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TMySQL5 {
 public:
  static constexpr int kMaxFields = 10;

  // Create; the owner is kept for the design's shape only (the reader
  // passes none).
  explicit TMySQL5(void* owner = nullptr);
  // Destroy: closes the connection.
  ~TMySQL5();
  TMySQL5(const TMySQL5&) = delete;
  TMySQL5& operator=(const TMySQL5&) = delete;

  // Raises only when no handle can be allocated; any other failure leaves
  // Connected() false with the reason in LastError().
  void Connect(const std::string& host, const std::string& user, const std::string& password,
               int port);
  void Close();
  bool Connected() const { return FConnected; }
  const std::string& LastError() const { return FLastError; }
  // The client library's error number behind LastError (mysql_errno); 0 when
  // the failure did not come from the library.
  unsigned LastErrorNumber() const { return FLastErrorNumber; }

  // Runs the statement and appends every row it returns, the first ten
  // fields of each. Raises EMySQLError on failure.
  void Query(const std::string& sql);
  using Row = std::array<std::string, kMaxFields>;
  // Runs the statement and hands each row to `each` as it arrives, holding
  // none: for results too large to keep twice. Raises as Query does, also
  // part way when the connection is lost while reading.
  void QueryEach(const std::string& sql, const std::function<void(const Row&)>& each);
  // Makes row `row` (1-based) current; out-of-range numbers are ignored.
  void SetRecord(int row);
  // Field `field` (1-based) of the current row; empty while none is current.
  std::string GetField(int field);
  int RecordCount() const { return FRecordCount; }
  int FieldCount() const { return FFieldCount; }

  // `text` as the body of a '...' literal for this connection: escaped by
  // the client library, which follows the server's NO_BACKSLASH_ESCAPES
  // mode and the connection's character set.
  std::string EscapeString(std::string_view text);

  // The character set statement that took effect at connect.
  const std::string& CharsetStatement() const { return FCharsetStatement; }

  int ConnectTimeout = 30;  // seconds
  int ClientFlags = 0;

 private:
  [[noreturn]] void RaiseError(const std::string& message = std::string());

  mysql::MYSQL* connection = nullptr;
  int FRecordCount = 0;
  int CurrentRecord = 0;
  int FFieldCount = 0;
  std::vector<Row> FRows;
  bool FConnected = false;
  std::string FLastError;
  unsigned FLastErrorNumber = 0;
  std::string FCharsetStatement;
};

}  // namespace zel
