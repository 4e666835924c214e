#pragma once
// Why a connection failed, told from the clients' error codes (SQLSTATE,
// MySQL error numbers, SQL Server's native errors, ORA- numbers, how far a
// libpq attempt got) and never from their wording, which is English or the
// server's language. The connect steps put a Japanese sentence naming the
// server and the likely cause above the client's own text.
#include <exception>
#include <string>

namespace zel {

enum class ConnectCause {
  General,          // nothing more can be said
  Credentials,      // user name or password refused
  Unreachable,      // no server answered, or it refused the connection
  DatabaseMissing,  // the server accepted the user but not the database or service
  LibraryMissing,   // the client library or driver could not be loaded
  Certificate,      // the encrypted connection failed, mostly a certificate not trusted
};

ConnectCause PostgresCause(const std::exception& e);
ConnectCause MySqlCause(unsigned errorNumber);
ConnectCause OdbcCause(const std::string& sqlState, long nativeError);
ConnectCause SqlServerCause(const std::exception& e);
ConnectCause OracleCause(int oraCode);
ConnectCause OracleCause(const std::exception& e);

// What the user asked to connect to. Empty fields are left out of the text.
struct ConnectTarget {
  std::string kind;  // "PostgreSQL", "MySQL", "SQL Server", "Oracle"
  std::string host;  // host name, or Oracle's host string
  std::string port;
  std::string database;  // database, or the name the kind connects to
};

// The message of a failed connect: the sentence on the server, the sentence
// on the cause, then a blank line and the client's own text.
std::string ConnectFailureText(const ConnectTarget& target, ConnectCause cause,
                               const std::string& clientText);

}  // namespace zel
