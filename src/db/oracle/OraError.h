#pragma once
// The one error class of the Oracle client. The catalog reader shows its
// class name in front of the message, so the name is part of what the user
// sees.
#include <stdexcept>
#include <string>

namespace zel {

// A failed OCI call (the text is Oracle's ORA-nnnnn message), a missing
// client library, or the dynaset used the wrong way round.
class EOleException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  EOleException(const std::string& message, int oraCode)
      : std::runtime_error(message), oraCode_(oraCode) {}
  // The ORA- number of a failed OCI call; 0 for the other failures.
  int OraCode() const { return oraCode_; }

 private:
  int oraCode_ = 0;
};

using OraError = EOleException;

}  // namespace zel
