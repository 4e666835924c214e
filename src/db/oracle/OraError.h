#pragma once
// The one error class of the Oracle client. The catalog reader shows its
// class name in front of the message, so the name is part of what the user
// sees.
#include <stdexcept>

namespace zel {

// A failed OCI call (the text is Oracle's ORA-nnnnn message), a missing
// client library, or the dynaset used the wrong way round.
class EOleException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using OraError = EOleException;

}  // namespace zel
