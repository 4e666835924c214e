#pragma once
// Errors of the PostgreSQL component. Each carries only its message text; the
// connect step shows it as it is.
#include <stdexcept>

namespace zel {

// A statement failed; the text is the server's.
class EPQError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The server refused the connection or could not be reached; the text is
// the client library's.
class EPQConnectError : public EPQError {
 public:
  using EPQError::EPQError;
};

// The component was used the wrong way round: opened twice, used while
// closed, read past its last row.
class EPQInvalidOperation : public EPQError {
 public:
  using EPQError::EPQError;
};

}  // namespace zel
