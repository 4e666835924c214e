// The ODBC client against a real driver manager and a real driver: unixODBC
// with Debian's PostgreSQL driver, registered in an odbcinst.ini of the
// test's own through ODBCSYSINI, talking to the test PostgreSQL server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

#include "db/odbc/OdbcApi.h"
#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcConnectionString.h"
#include "db/odbc/OdbcError.h"
#include "db/odbc/TADOConnection.h"
#include "support/PgFixture.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::test;

namespace {

const char* const kDriverLibrary = "/usr/lib/x86_64-linux-gnu/odbc/psqlodbcw.so";

// Sets an environment variable for the test's lifetime.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class OdbcClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    if (!FileExists(kDriverLibrary)) FAIL() << "odbc-postgresql is not installed";
    WriteFile(dir.File("odbcinst.ini"),
              "[ODBC]\nTrace=No\n\n[PostgreSQL Unicode]\nDescription=test\nDriver=" +
                  std::string(kDriverLibrary) + "\n");
    sysIni.emplace("ODBCSYSINI", dir.Path());
  }

  std::string ConnectionString(const std::string& user, const std::string& password,
                               const std::string& database = "postgres") const {
    return "Driver={PostgreSQL Unicode};Server=" + OdbcValue(srv.host) + ";Port=" + srv.port +
           ";Database=" + OdbcValue(database) + ";UID=" + OdbcValue(user) +
           ";PWD=" + OdbcValue(password);
  }

  // All rows of a statement; nulls as nullopt.
  std::vector<std::vector<std::optional<std::string>>> Rows(OdbcConnection& c,
                                                            const std::string& sql) {
    OdbcStatement st(c);
    st.Execute(sql);
    std::vector<std::vector<std::optional<std::string>>> rows;
    while (st.Fetch()) rows.push_back(st.Row());
    return rows;
  }

  PgServer srv;
  TempDir dir;
  std::optional<ScopedEnv> sysIni;
};

}  // namespace

TEST_F(OdbcClientTest, StatementsTextNullsAndJapaneseArriveUnchanged) {
  OdbcConnection c;
  // The test role's password holds a blank and a semicolon: it only gets
  // through braced.
  c.Connect(ConnectionString(srv.user, srv.password));
  ASSERT_TRUE(c.Connected());

  OdbcStatement st(c);
  st.Execute("select 42 as n, 'テーブル定義書 ～①髙' as t, null::text as nothing, '' as empty");
  EXPECT_EQ(st.ColumnCount(), 4);
  ASSERT_TRUE(st.Fetch());
  EXPECT_EQ(st.Row()[0], "42");
  EXPECT_EQ(st.Row()[1], "テーブル定義書 ～①髙");
  EXPECT_EQ(st.Row()[2], std::nullopt);
  EXPECT_EQ(st.Row()[3], "");
  EXPECT_FALSE(st.Fetch());
  EXPECT_FALSE(st.Fetch());

  // Many rows, in order; a value far longer than one read comes whole,
  // characters outside the BMP (surrogate pairs in UTF-16) included.
  auto rows = Rows(c, "select i, repeat('髙😀x', i * 1000) from generate_series(1, 3) i order by i");
  ASSERT_EQ(rows.size(), 3u);
  std::string expected;
  for (int i = 0; i < 3000; ++i) expected += "髙😀x";
  EXPECT_EQ(rows[2][0], "3");
  EXPECT_EQ(rows[2][1], expected);

  // A statement without a result has no rows; the connection goes on.
  EXPECT_TRUE(Rows(c, "set application_name to 'zelmora'").empty());
  // Names with Japanese text reach the server unchanged.
  auto names = Rows(c, "select 'テ''スト' || chr(12354)");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0][0], "テ'ストあ");
  c.Disconnect();
  EXPECT_FALSE(c.Connected());
}

TEST_F(OdbcClientTest, BracedValuesWithSemicolonAndClosingBrace) {
  PgDatabases dbs(srv);
  const std::string db = dbs.Create("zel_odbc");
  // PostgreSQL's driver takes braces off the password only, so the role
  // name stays plain here; SQL Server's drivers take them off every value.
  const std::string role = "zel_odbc_r" + std::to_string(getpid());
  const std::string password = "p}w;{x} y=1";
  ASSERT_EQ(Psql(srv, "postgres",
                 "CREATE ROLE \"" + role + "\" LOGIN PASSWORD 'p}w;{x} y=1'"),
            0);
  struct Drop {
    PgServer srv;
    std::string role;
    ~Drop() { Psql(srv, "postgres", "DROP ROLE IF EXISTS \"" + role + "\""); }
  } drop{srv, role};
  EXPECT_EQ(OdbcValue(password), "{p}}w;{x}} y=1}");

  OdbcConnection c;
  c.Connect(ConnectionString(role, password, db));
  auto rows = Rows(c, "select current_user, current_database()");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], role);
  EXPECT_EQ(rows[0][1], db);
}

TEST_F(OdbcClientTest, FailuresCarryTheDriversMessage) {
  OdbcConnection c;
  try {
    c.Connect(ConnectionString(srv.user, "wrong password"));
    FAIL() << "connected with a wrong password";
  } catch (const OdbcError& e) {
    EXPECT_NE(std::string(e.what()).find("password authentication failed for user \"" + srv.user + "\""),
              std::string::npos)
        << e.what();
    EXPECT_FALSE(e.SqlState().empty());
  }
  EXPECT_FALSE(c.Connected());

  c.Connect(ConnectionString(srv.user, srv.password));
  OdbcStatement st(c);
  try {
    st.Execute("select * from no_such_table_here");
    FAIL() << "the statement did not fail";
  } catch (const OdbcError& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_table_here"), std::string::npos) << e.what();
    EXPECT_EQ(e.SqlState(), "42P01");
  }
  // The connection still answers after a failed statement.
  EXPECT_EQ(Rows(c, "select 'ok'").at(0).at(0), "ok");

  // A value cannot smuggle a keyword in: the host below is one braced value
  // (a host name the driver cannot find), not a host plus a port.
  const std::string host = srv.host + ";Port=" + srv.port;
  auto withHost = [&](const std::string& server) {
    return "Driver={PostgreSQL Unicode};Port=1;Server=" + server + ";Database=postgres;UID=" +
           OdbcValue(srv.user) + ";PWD=" + OdbcValue(srv.password);
  };
  OdbcConnection unsafe;  // as it would go unbraced: the keyword takes effect
  unsafe.Connect(withHost(host));
  EXPECT_TRUE(unsafe.Connected());
  OdbcConnection injected;
  EXPECT_THROW(injected.Connect(withHost(OdbcValue(host))), OdbcError);
  EXPECT_FALSE(injected.Connected());
}

TEST_F(OdbcClientTest, TheAdoPairRunsThroughTheNamedDriver) {
  // psqlodbc takes the port from the environment when the string names none.
  ScopedEnv port("PGPORT", srv.port);
  TADOConnection c;
  AdoLogon logon;
  logon.userId = srv.user;
  logon.password = srv.password;
  logon.dataSource = srv.host;
  logon.initialCatalog = "postgres";
  logon.odbcDriver = "PostgreSQL Unicode";
  c.SetConnectionString(logon);
  EXPECT_EQ(c.ConnectionString(),
            "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=" + srv.user +
                ";Password=" + srv.password + ";Data Source=" + srv.host +
                ";Initial Catalog=postgres");
  IAdoQuery& q = c.Query();
  q.SetSQL("select v, case when v = 2 then null else 'テ' || v end from generate_series(1, 3) v");
  q.Open();  // connects
  EXPECT_TRUE(c.Connected());
  q.First();
  EXPECT_EQ(q.FieldCount(), 2);
  std::vector<std::string> seen;
  for (; !q.Eof(); q.Next()) seen.push_back(q.Fields(0) + ":" + q.Fields(1));
  EXPECT_EQ(seen, (std::vector<std::string>{"1:テ1", "2:", "3:テ3"}));
  EXPECT_THROW(q.Fields(0), OdbcError);  // no current row
  q.First();  // back to the first row
  EXPECT_EQ(q.Fields(0), "1");
  EXPECT_THROW(q.Fields(2), OdbcError);
  q.Close();
  c.Close();
  EXPECT_FALSE(c.Connected());

  // A wrong password reaches the caller with the driver's own words.
  logon.password = "nope";
  c.SetConnectionString(logon);
  q.SetSQL("select 1");
  try {
    q.Open();
    FAIL() << "connected with a wrong password";
  } catch (const OdbcError& e) {
    EXPECT_NE(std::string(e.what()).find("password authentication failed"), std::string::npos);
  }
}

TEST(OdbcLibrary, AMissingDriverManagerIsReportedByName) {
  odbc::SetLibraryFileName("libodbc-missing.so.9");
  OdbcConnection c;
  try {
    c.Connect("Driver={FreeTDS};Server=x");
    ADD_FAILURE() << "connected without a driver manager";
  } catch (const OdbcError& e) {
    EXPECT_STREQ(e.what(), "libodbc-missing.so.9 load failed.");
  }
  odbc::ResetLibraryFileNames();
  EXPECT_EQ(odbc::LibraryFileName().rfind("libodbc.so", 0), 0u);
}

TEST(OdbcText, Utf16RoundTripAndBadInput) {
  const std::string text = "ASCII テスト 髙 😀 ～";
  EXPECT_EQ(odbc::FromUtf16(odbc::ToUtf16(text)), text);
  EXPECT_EQ(odbc::ToUtf16("😀").size(), 2u);
  // Broken UTF-8 and a lone surrogate become U+FFFD instead of vanishing.
  EXPECT_EQ(odbc::FromUtf16(odbc::ToUtf16("a\xff" "b")), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(odbc::FromUtf16(std::u16string(u"x") + char16_t(0xD800) + u"y"), "x\xEF\xBF\xBDy");
}
