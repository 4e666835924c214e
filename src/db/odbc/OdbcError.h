#pragma once
// Failures of the ODBC client. The text is the driver manager's or the
// driver's own diagnostics, shown as they stand (the way ADO shows the
// provider's message).
#include <stdexcept>
#include <string>

namespace zel {

class OdbcError : public std::runtime_error {
 public:
  explicit OdbcError(const std::string& message, std::string sqlState = {}, long nativeError = 0)
      : std::runtime_error(message), sqlState_(std::move(sqlState)), nativeError_(nativeError) {}
  // The five-character state of the first diagnostic record; empty when the
  // failure did not come from the driver.
  const std::string& SqlState() const { return sqlState_; }
  // The native error number of that record (SQL Server's message number,
  // 18456 for a refused login); 0 when there is none.
  long NativeError() const { return nativeError_; }

 private:
  std::string sqlState_;
  long nativeError_ = 0;
};

}  // namespace zel
