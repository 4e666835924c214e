#include "db/postgres/PQConnectAttempt.h"

#include <poll.h>

#include <cerrno>

namespace zel {
namespace {

bool IsStateChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

// Waits until the socket is ready the way PQconnectPoll asked for. False
// when there is no socket or waiting failed; PQconnectPoll then reports.
bool Wait(int socket, bool forReading) {
  if (socket < 0) return false;
  pollfd fd{socket, static_cast<short>(forReading ? POLLIN : POLLOUT), 0};
  for (;;) {
    const int n = ::poll(&fd, 1, -1);
    if (n >= 0) return true;
    if (errno != EINTR) return false;
  }
}

}  // namespace

// libpq gives no result object for a refused connection, and its connection
// states alone cannot separate "password wrong" from "database missing": the
// server's AuthenticationOk and the error after it may arrive in one read, so
// the AUTH_OK state can pass inside a single PQconnectPoll call. The server's
// SQLSTATE can: in verbose mode libpq writes it into the message, between the
// severity and the text. Set before the first poll, the mode applies to the
// startup exchange (PQconnectStart sends nothing the server could answer; it
// leaves the state machine waiting to write). The states are still kept, for
// the failures that happen before any server spoke: those come from libpq
// itself and carry no SQLSTATE.
PQConnectAttempt ConnectStepwise(const std::string& conninfo) {
  PQConnectAttempt a;
  a.conn.reset(libpq::PQconnectStart(conninfo.c_str()));
  if (!a.conn) return a;
  libpq::PGconn* conn = a.conn.get();
  int status = libpq::PQstatus(conn);
  a.facts.stage = status;
  if (status != libpq::CONNECTION_BAD) {
    libpq::PQsetErrorVerbosity(conn, libpq::PQERRORS_VERBOSE);
    int polling = libpq::PGRES_POLLING_WRITING;
    while (polling != libpq::PGRES_POLLING_OK && polling != libpq::PGRES_POLLING_FAILED) {
      a.facts.stage = libpq::PQstatus(conn);
      Wait(libpq::PQsocket(conn), polling == libpq::PGRES_POLLING_READING);
      polling = libpq::PQconnectPoll(conn);
    }
  }
  if (libpq::PQstatus(conn) == libpq::CONNECTION_OK) {
    libpq::PQsetErrorVerbosity(conn, libpq::PQERRORS_DEFAULT);
    a.facts = {};
    a.facts.stage = libpq::CONNECTION_OK;
    return a;
  }
  a.facts.needsPassword = libpq::PQconnectionNeedsPassword(conn) != 0;
  a.facts.usedPassword = libpq::PQconnectionUsedPassword(conn) != 0;
  const char* message = libpq::PQerrorMessage(conn);
  a.facts.sqlState = SqlStateOfVerboseMessage(message ? message : "");
  return a;
}

std::string SqlStateOfVerboseMessage(const std::string& message) {
  std::string found;
  for (size_t at = message.find(":  "); at != std::string::npos; at = message.find(":  ", at + 1)) {
    const size_t code = at + 3;
    if (code + 7 > message.size()) break;
    bool ok = message.compare(code + 5, 2, ": ") == 0;
    for (size_t i = code; ok && i < code + 5; ++i) ok = IsStateChar(message[i]);
    if (ok) found = message.substr(code, 5);
  }
  return found;
}

}  // namespace zel
