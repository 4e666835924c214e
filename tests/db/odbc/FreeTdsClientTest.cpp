// The SQL Server client through the real unixODBC and Debian's FreeTDS,
// against the stand-in server: logon values of every kind arrive unchanged,
// a value the driver cannot carry is refused before anything is sent, and
// text, NULLs, long values and failures come back as the server sent them.
#include <gtest/gtest.h>

#include <regex>

#include "db/odbc/OdbcConnection.h"
#include "db/odbc/OdbcConnectionString.h"
#include "db/odbc/OdbcDriverVersion.h"
#include "db/odbc/OdbcError.h"
#include "db/odbc/TADOConnection.h"
#include "support/FakeTds.h"

using namespace zel;
using namespace zel::test;

namespace {

class FreeTdsClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_REQUIRE_FAKE_TDS();
    tds = std::make_unique<FakeTds>();
    ASSERT_TRUE(tds->Running()) << tds->Error();
  }

  AdoLogon Logon(const std::string& user, const std::string& password,
                 const std::string& database = "") const {
    AdoLogon l;
    l.userId = user;
    l.password = password;
    l.dataSource = tds->Host();
    l.initialCatalog = database;
    return l;  // no driver named: the fixture's odbcinst.ini has FreeTDS only
  }

  // Logs on as the reader does (the ADO pair) and runs "select 1"; the
  // failure's message, or empty.
  std::string LogOn(const AdoLogon& logon) {
    TADOConnection c;
    c.SetConnectionString(logon);
    c.Query().SetSQL("select 1");
    try {
      c.Query().Open();
      EXPECT_EQ(c.Query().Fields(0), "1");
    } catch (const OdbcError& e) {
      return e.what();
    }
    return {};
  }

  std::unique_ptr<FakeTds> tds;
};

}  // namespace

TEST_F(FreeTdsClientTest, PasswordsAndDatabaseNamesOfEveryKindArriveUnchanged) {
  // The driver tells its version before any connection; Debian 12 has 1.3.
  const std::string version = OdbcDriverVersion(FakeTds::kDriver);
  EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d\d\.\d\d\.\d{4})"))) << version;
  EXPECT_EQ(OdbcDriverVersion(FakeTds::kDriver), version);  // remembered
  EXPECT_EQ(OdbcDriverVersion("/nowhere/libtdsodbc.so"), "");

  tds->OnExact("select 1", {{""}, {{"1"}}});
  const std::string database = "販売 {db} ;x}";
  const std::string passwords[] = {"p;w",
                                   "}",
                                   "a}b",
                                   "p;w}}x d",
                                   "{",
                                   "{x}",
                                   "=",
                                   "a=b;c",
                                   " lead and trail ",
                                   "q'\"`",
                                   "パス;ワード}{=",
                                   "}}",
                                   "x}",
                                   "{;",
                                   "tab\there",
                                   "a;b}c;d}}",
                                   "{;}",
                                   "末尾}",
                                   "\\}x"};
  for (const std::string& password : passwords) {
    // "};" is what FreeTDS 1.3 cannot carry; the list above avoids it.
    tds->SetPassword(password);
    tds->ClearLog();
    EXPECT_EQ(LogOn(Logon("sa", password, database)), "") << password;
    EXPECT_EQ(tds->Logins(), (std::vector<std::string>{"user=sa database=" + database}))
        << password;
  }

  // Registered without a path, as Debian's package does: the version is
  // read from the file unixODBC loads.
  EXPECT_EQ(OdbcDriverVersion("libtdsodbc.so"), version);
  WriteFile(tds->Folder() + "/odbcinst.ini",
            ReadFile(tds->Folder() + "/odbcinst.ini") + "[FreeTDS bare]\nDriver=libtdsodbc.so\n");
  tds->SetPassword("a;b}c");
  AdoLogon bare = Logon("sa", "a;b}c");
  bare.odbcDriver = "FreeTDS bare";
  EXPECT_EQ(LogOn(bare), "");

  // A user name arrives as typed as well: the login fails for that name.
  tds->ClearLog();
  const std::string m = LogOn(Logon("s}a;{x} y=", "x"));
  EXPECT_EQ(m.rfind("[FreeTDS][SQL Server]Login failed for user 's}a;{x} y='.", 0), 0u) << m;
  EXPECT_EQ(tds->Logins(), (std::vector<std::string>{"user=s}a;{x} y= database="}));

  // A wrong password: the server's words through the driver.
  tds->SetPassword("right");
  const std::string wrong = LogOn(Logon("sa", "wrong"));
  EXPECT_EQ(wrong.rfind("[FreeTDS][SQL Server]Login failed for user 'sa'.", 0), 0u) << wrong;

  // What this FreeTDS cannot carry is refused by name, and nothing is sent.
  if (BraceReadingOf({"FreeTDS", true, FakeTds::kDriver, version}) == BraceReading::kLiteral) {
    tds->SetPassword("x};y");
    tds->ClearLog();
    const std::string refused = LogOn(Logon("sa", "x};y"));
    EXPECT_EQ(refused.rfind("パスワードに「}」の直後に「;」が続く箇所があります。", 0), 0u)
        << refused;
    EXPECT_TRUE(tds->Log().empty());
  }
}

TEST_F(FreeTdsClientTest, TextNullsLongValuesFailuresAndALostServer) {
  OdbcConnection c;
  const OdbcDriver driver{"FreeTDS", true, FakeTds::kDriver, OdbcDriverVersion(FakeTds::kDriver)};
  c.Connect(OdbcConnectionString(Logon("sa", "secret", "販売"), driver));
  ASSERT_TRUE(c.Connected());

  // Japanese, characters outside the BMP, NULL and empty text apart.
  std::string longComment;
  for (int i = 0; i < 1700; ++i) longComment += "説明😀";  // 5,100 UTF-16 units
  tds->On("^select name", {{"name", "comment", "nothing", "empty"},
                           {{"顧客", "顧客マスタ ～①髙😀", std::nullopt, ""},
                            {"tab\tand\nline", longComment, "x", std::nullopt}}});
  OdbcStatement st(c);
  st.Execute("select name, comment from t");
  EXPECT_EQ(st.ColumnCount(), 4);
  ASSERT_TRUE(st.Fetch());
  EXPECT_EQ(st.Row(), (std::vector<std::optional<std::string>>{"顧客", "顧客マスタ ～①髙😀",
                                                               std::nullopt, ""}));
  ASSERT_TRUE(st.Fetch());
  // Over 4,000 units the column goes as NVARCHAR(MAX); it still comes whole.
  EXPECT_EQ(st.Row()[0], "tab\tand\nline");
  EXPECT_EQ(st.Row()[1], longComment);
  EXPECT_EQ(st.Row()[3], std::nullopt);
  EXPECT_FALSE(st.Fetch());

  // A statement without a result set has no rows.
  tds->On("^exec sp_nothing", {});
  st.Execute("exec sp_nothing");
  EXPECT_EQ(st.ColumnCount(), 0);
  EXPECT_FALSE(st.Fetch());

  // A failing statement: the server's message with the driver's prefix; the
  // connection goes on.
  tds->Fail("FROM no_such", 208, "Invalid object name 'no_such'.");
  try {
    st.Execute("SELECT * FROM no_such");
    FAIL() << "the statement did not fail";
  } catch (const OdbcError& e) {
    EXPECT_STREQ(e.what(), "[FreeTDS][SQL Server]Invalid object name 'no_such'.");
    EXPECT_FALSE(e.SqlState().empty());
  }
  st.Execute("select name from t");
  EXPECT_TRUE(st.Fetch());
  st.Close();

  // The server gone: the next statement fails at once with the driver's
  // words instead of hanging or answering nothing.
  tds->Kill();
  try {
    st.Execute("select name from t");
    FAIL() << "a statement succeeded without a server";
  } catch (const OdbcError& e) {
    EXPECT_NE(std::string(e.what()).find("[FreeTDS]"), std::string::npos) << e.what();
  }
  st.Close();  // a statement ends before its connection
  c.Disconnect();
  EXPECT_EQ(tds->Statements(),
            (std::vector<std::string>{"select name, comment from t", "exec sp_nothing",
                                      "SELECT * FROM no_such", "select name from t"}));
}
