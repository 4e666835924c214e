#pragma once
// Errors of the PostgreSQL component. Each carries only its message text; the
// connect step shows it as it is.
#include <stdexcept>
#include <string>

namespace zel {

// A statement failed; the text is the server's.
class EPQError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The server refused the connection or could not be reached; the text is
// the client library's. The facts beside it let the caller tell the causes
// apart without reading the text, which is English or the server's locale.
class EPQConnectError : public EPQError {
 public:
  struct Facts {
    // The last connection state (libpq's ConnStatusType) before the attempt
    // failed; CONNECTION_BAD when it never got under way.
    int stage = 1;
    bool needsPassword = false;  // the server asked for a password and none was given
    bool usedPassword = false;   // the server asked for the password and got it
    std::string sqlState;        // the server's code, when the server answered with an error
  };

  using EPQError::EPQError;
  EPQConnectError(const std::string& message, Facts facts)
      : EPQError(message), facts_(std::move(facts)) {}
  const Facts& ConnectFacts() const { return facts_; }

 private:
  Facts facts_;
};

// The component was used the wrong way round: opened twice, used while
// closed, read past its last row.
class EPQInvalidOperation : public EPQError {
 public:
  using EPQError::EPQError;
};

}  // namespace zel
