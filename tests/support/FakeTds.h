#pragma once
// The stand-in SQL Server (../shared/tools/fake_tds beside the sources), run
// for a test so that the SQL Server client and reader go through the real
// unixODBC and FreeTDS: the server on a free loopback port, FreeTDS
// registered in an odbcinst.ini of the fixture's own (ODBCSYSINI), and an
// empty freetds.conf (FREETDSCONF) so that the machine's settings stay out.
//
//   ZEL_REQUIRE_FAKE_TDS();            // skips, or fails under ZEL_REQUIRE_SERVERS
//   FakeTds tds("p;w}d");              // the password it accepts
//   tds.OnExact("select name from sysdatabases", {{"name"}, {{"master"}, {"販売"}}});
//   tds.Fail("FROM no_such", 208, "Invalid object name 'no_such'.");
//   ... connect to tds.Host() with user "sa" ...
//   tds.Statements();                  // what the server ran, in order
//
// Rules are tried in the order given; the first that matches answers. The
// environment variables are put back when the fixture ends.
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace zel::test {

using TdsRow = std::vector<std::optional<std::string>>;  // nullopt: a NULL

// One result set: the column names and the rows. No columns at all means a
// statement without a result set.
struct TdsResult {
  std::vector<std::string> columns;
  std::vector<TdsRow> rows;
};

class FakeTds {
 public:
  static constexpr const char* kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

  // What keeps the stand-in from running here (the driver, Python or the
  // server script missing); empty when nothing does.
  static std::string Missing();

  explicit FakeTds(const std::string& password = "secret");
  ~FakeTds();
  FakeTds(const FakeTds&) = delete;
  FakeTds& operator=(const FakeTds&) = delete;

  // Whether the server came up; Error() says why not.
  bool Running() const { return pid_ > 0; }
  const std::string& Error() const { return error_; }
  int Port() const { return port_; }
  // The host field's form: "127.0.0.1,<port>".
  std::string Host() const;
  const std::string& Folder() const { return dir_.Path(); }

  void SetPassword(const std::string& password);
  // The version the server reports in its login answer (SQL_DBMS_VER),
  // "15.00.2000" unless set.
  void SetServerVersion(const std::string& version);

  // Answers statements matching the POSIX extended regex (case-insensitive,
  // anywhere in the statement) with `result`.
  void On(const std::string& regex, const TdsResult& result);
  // Answers exactly this statement text.
  void OnExact(const std::string& statement, const TdsResult& result);
  // Fails matching statements with SQL Server error `number` and `message`.
  void Fail(const std::string& regex, int number, const std::string& message);
  void ClearRules();
  // `text` as a regex that matches it literally.
  static std::string Literal(const std::string& text);

  // The server's log, line by line: "CONNECT user=... database=... app=...",
  // "EXEC <statement>", "DISCONNECT".
  std::vector<std::string> Log() const;
  // The statements run, in order (the EXEC lines without the word).
  std::vector<std::string> Statements() const;
  // The "user=... database=..." part of each login, failed ones included.
  std::vector<std::string> Logins() const;
  void ClearLog();
  // Polls the log until `done` holds or `seconds` have passed.
  bool WaitForLog(const std::function<bool(const std::vector<std::string>&)>& done,
                  int seconds = 10) const;
  // Every connection logged on has been closed again (the server sees the
  // socket close a moment after the client lets go, so this waits a little).
  bool AllConnectionsClosed() const;

  // Ends the server at once, as a crash or a pulled cable would.
  void Kill();

 private:
  void AddRule(const std::string& regex, const std::string& content);
  void Start();

  TempDir dir_;
  pid_t pid_ = -1;
  int port_ = 0;
  int results_ = 0;
  std::string error_;
  std::optional<std::string> oldSysIni_, oldFreeTdsConf_;
};

}  // namespace zel::test

// In a test body: skips when the stand-in cannot run here, or fails with the
// reason when the servers are required (scripts/test, CI).
#define ZEL_REQUIRE_FAKE_TDS()                                               \
  if (const std::string zelFakeTdsMissing = ::zel::test::FakeTds::Missing(); \
      !zelFakeTdsMissing.empty()) {                                          \
    if (::zel::test::ServersRequired()) FAIL() << zelFakeTdsMissing;         \
    GTEST_SKIP() << zelFakeTdsMissing;                                       \
  }
