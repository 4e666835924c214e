#pragma once
// Opening a libpq connection step by step, so that a failed attempt tells how
// far it got: whether a server answered at all, whether it asked for a
// password, and the server's SQLSTATE when it refused with an error.
#include <string>

#include "db/postgres/PQError.h"
#include "db/postgres/libpq_fe.h"

namespace zel {

struct PQConnectAttempt {
  libpq::ConnPtr conn;  // null only when libpq could not allocate one
  EPQConnectError::Facts facts;
};

// Connects with conninfo as PQconnectdb would (no timeout of our own: libpq
// honours connect_timeout when the string holds one). On success the
// connection is back at the default error verbosity.
PQConnectAttempt ConnectStepwise(const std::string& conninfo);

// The SQLSTATE that libpq's verbose layout puts after the severity
// ("<severity>:  <SQLSTATE>: <message>") in the last server error of
// `message`; empty when there is none.
std::string SqlStateOfVerboseMessage(const std::string& message);

}  // namespace zel
