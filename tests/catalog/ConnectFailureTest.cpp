// Connection failures told apart by the clients' codes: the tables of codes
// per kind, then the real PostgreSQL and MariaDB servers refusing a wrong
// password, a missing database and a closed port, seen as the user sees the
// message after the logon dialog.
#include "catalog/ConnectFailure.h"

#include <gtest/gtest.h>

#include "db/mysql/MySQL5.h"
#include "db/postgres/PQCompo.h"
#include "db/postgres/PQConnectAttempt.h"
#include "db/postgres/PQTestSupport.h"
#include "support/MariaFixture.h"
#include "support/PgBrowser.h"

namespace zel {
namespace {

using C = ConnectCause;

const std::string kCredentials = "ユーザー名またはパスワードが正しくないか";
const std::string kUnreachable = "サーバーに届かないか、接続を断られました。";
const std::string kDatabase = "データベースが見つからないか";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(ConnectFailure, EachKindsCodesMapToTheirCause) {
  const std::pair<unsigned, C> mysql[] = {
      {1045, C::Credentials},     {1698, C::Credentials}, {1130, C::Credentials},
      {1049, C::DatabaseMissing}, {2002, C::Unreachable}, {2003, C::Unreachable},
      {2005, C::Unreachable},     {2026, C::Certificate}, {2059, C::LibraryMissing},
      {1040, C::General},         {0, C::General}};
  for (auto [code, cause] : mysql) EXPECT_EQ(MySqlCause(code), cause) << code;

  struct Odbc {
    const char* state;
    long native;
    C cause;
  };
  const Odbc odbc[] = {
      {"28000", 18456, C::Credentials},  // Microsoft's driver
      {"42000", 18456, C::Credentials},  // FreeTDS gives the login failure as 42000
      {"42000", 4060, C::DatabaseMissing}, {"08001", 0, C::Unreachable},
      {"08S01", 20009, C::Unreachable},    {"HYT00", 0, C::Unreachable},
      {"08001", -1, C::Certificate},       {"08001", -2146893019, C::Certificate},
      {"IM002", 0, C::LibraryMissing},     {"IM003", 0, C::LibraryMissing},
      {"42S02", 208, C::General}};
  for (const Odbc& o : odbc)
    EXPECT_EQ(OdbcCause(o.state, o.native), o.cause) << o.state << o.native;

  const std::pair<int, C> oracle[] = {
      {1017, C::Credentials},      {28000, C::Credentials}, {12541, C::Unreachable},
      {12154, C::Unreachable},     {12170, C::Unreachable}, {12514, C::DatabaseMissing},
      {12505, C::DatabaseMissing}, {29024, C::Certificate}, {942, C::General}};
  for (auto [code, cause] : oracle) EXPECT_EQ(OracleCause(code), cause) << code;

  // PostgreSQL: the server's SQLSTATE where it answered, otherwise how far
  // the attempt got.
  auto pg = [](EPQConnectError::Facts f) { return PostgresCause(EPQConnectError("x", f)); };
  EXPECT_EQ(pg({4, false, true, "28P01"}), C::Credentials);
  EXPECT_EQ(pg({5, false, true, "3D000"}), C::DatabaseMissing);
  EXPECT_EQ(pg({4, false, false, "53300"}), C::General);
  EXPECT_EQ(pg({4, true, false, ""}), C::Credentials);
  EXPECT_EQ(pg({libpq::CONNECTION_STARTED, false, false, ""}), C::Unreachable);
  EXPECT_EQ(pg({libpq::CONNECTION_BAD, false, false, ""}), C::Unreachable);
  EXPECT_EQ(pg({libpq::CONNECTION_SSL_STARTUP, false, false, ""}), C::Certificate);
  EXPECT_EQ(pg({libpq::CONNECTION_AWAITING_RESPONSE, false, false, ""}), C::General);
  EXPECT_EQ(PostgresCause(PQDllLoadErr("libpq.so.5 load failed.")), C::LibraryMissing);
  EXPECT_EQ(PostgresCause(EPQInvalidOperation("busy")), C::General);

  // The verbose layout's code, and nothing from a message without one.
  EXPECT_EQ(SqlStateOfVerboseMessage(
                "connection to server at \"127.0.0.1\", port 5432 failed: FATAL:  28P01: "
                "password authentication failed for user \"x\"\nLOCATION:  auth_failed, "
                "auth.c:335\n"),
            "28P01");
  EXPECT_EQ(SqlStateOfVerboseMessage("could not connect:  Connection refused\n"), "");
}

TEST(ConnectFailure, MessageNamesServerCauseAndKeepsTheClientsText) {
  EXPECT_EQ(ConnectFailureText({"MySQL", "db01", "3306", {}}, C::Credentials,
                               "1045 - Access denied for user 'u'@'h' (using password: YES)"),
            "MySQL（ホスト「db01」、ポート 3306）に接続できませんでした。"
            "ユーザー名またはパスワードが正しくないか、このユーザーには接続が許されていないよう"
            "です。\n\n1045 - Access denied for user 'u'@'h' (using password: YES)");
  EXPECT_EQ(ConnectFailureText({"PostgreSQL", "h", "5432", "sales"}, C::DatabaseMissing, "t"),
            "PostgreSQL（ホスト「h」、ポート 5432）に接続できませんでした。"
            "「sales」というデータベースが見つからないか、接続する権限がないようです。\n\nt");
  const std::string general = ConnectFailureText({"Oracle", "orahost/XE", {}, {}}, C::General, "");
  EXPECT_EQ(general,
            "Oracle（接続文字列「orahost/XE」）に接続できませんでした。"
            "原因は下のメッセージをご覧ください。");
}

TEST(ConnectFailure, RealPostgresRefusalsAreToldApart) {
  ZEL_REQUIRE_PG(srv);
  struct Case {
    std::string database, password, port;
    C cause;
    std::string sentence;
  };
  const Case cases[] = {
      {"postgres", "wrong password", srv.port, C::Credentials, kCredentials},
      {"zel_no_such_database", "", srv.port, C::DatabaseMissing,
       "「zel_no_such_database」という" + kDatabase},
      {"postgres", "", test::ClosedPort(), C::Unreachable, kUnreachable},
  };
  for (const Case& k : cases) {
    TPQCompo pq;
    pq.Host = srv.host;
    pq.Port = k.port;
    pq.UserName = srv.user;
    pq.UserPass = k.password.empty() ? srv.password : k.password;
    pq.DataBaseName = k.database;
    try {
      pq.Open();
      ADD_FAILURE() << k.database << " connected";
    } catch (const EPQConnectError& e) {
      EXPECT_EQ(PostgresCause(e), k.cause) << e.what();
    }
    // The same through the window's logon, as the user meets it.
    test::PgServer s = srv;
    s.port = k.port;
    test::PgBrowser b(s, k.database, k.password);
    ASSERT_EQ(b.prompts.messages.size(), 1u) << k.database;
    const std::string& text = b.prompts.messages[0].text;
    EXPECT_EQ(text.rfind("PostgreSQL（ホスト「" + srv.host + "」、ポート " + k.port +
                             "）に接続で"
                             "きませんでした。",
                         0),
              0u)
        << text;
    EXPECT_TRUE(Has(text, k.sentence)) << text;
    EXPECT_TRUE(Has(text, "\n\nconnection to server at")) << "the client's text beneath: " << text;
    EXPECT_FALSE(b.browser->chkDbOK());
  }
  // The connection that works is back on libpq's usual messages.
  TPQCompo pq;
  pq.Host = srv.host;
  pq.Port = srv.port;
  pq.UserName = srv.user;
  pq.UserPass = srv.password;
  pq.DataBaseName = "postgres";
  pq.Open();
  EXPECT_THROW(pq.ExecSQL("select * from zel_no_such_table"), EPQError);
  EXPECT_FALSE(Has(pq.ErrorMessage(), "42P01")) << pq.ErrorMessage();
}

TEST(ConnectFailure, RealMariaRefusalsAreToldApart) {
  ZEL_REQUIRE_MARIA(srv);
  test::EnsureMySqlLibrary();
  {
    test::MariaBrowser b(srv, "wrong password");
    ASSERT_EQ(b.prompts.messages.size(), 1u);
    const std::string& text = b.prompts.messages[0].text;
    EXPECT_EQ(text.rfind("MySQL（ホスト「" + srv.host + "」、ポート " + srv.port + "）", 0), 0u)
        << text;
    EXPECT_TRUE(Has(text, kCredentials)) << text;
    EXPECT_TRUE(Has(text, "\n\n1045 - ")) << text;
  }
  {
    const std::string port = test::ClosedPort();
    test::MariaBrowser b(srv, "\x01", "", port);
    ASSERT_EQ(b.prompts.messages.size(), 1u);
    const std::string& text = b.prompts.messages[0].text;
    EXPECT_TRUE(Has(text, "ポート " + port + "）")) << text;
    EXPECT_TRUE(Has(text, kUnreachable)) << text;
  }
  // The client's number for a database that is not there; the reader
  // connects without one, so the component is asked directly.
  TMySQL5 c;
  c.Connect(srv.host, srv.user, srv.password, std::stoi(srv.port));
  ASSERT_TRUE(c.Connected()) << c.LastError();
  EXPECT_THROW(c.Query("USE zel_no_such_database"), EMySQLError);
  EXPECT_EQ(MySqlCause(c.LastErrorNumber()), C::DatabaseMissing) << c.LastError();
}

}  // namespace
}  // namespace zel
