#pragma once
// Failures of the ODBC client. The text is the driver manager's or the
// driver's own diagnostics, shown as they stand (the way ADO shows the
// provider's message).
#include <stdexcept>
#include <string>

namespace zel {

class OdbcError : public std::runtime_error {
 public:
  explicit OdbcError(const std::string& message, std::string sqlState = {})
      : std::runtime_error(message), sqlState_(std::move(sqlState)) {}
  // The five-character state of the first diagnostic record; empty when the
  // failure did not come from the driver.
  const std::string& SqlState() const { return sqlState_; }

 private:
  std::string sqlState_;
};

}  // namespace zel
