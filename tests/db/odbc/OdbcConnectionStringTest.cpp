// The ADO connection string, its one translation to ODBC for each driver,
// and the choice of driver from the odbcinst.ini unixODBC would read.
#include <gtest/gtest.h>

#include <cstdlib>

#include "db/odbc/OdbcConnectionString.h"
#include "db/odbc/OdbcDrivers.h"
#include "db/odbc/OdbcError.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::test;

namespace {

const OdbcDriver kDriver18{"ODBC Driver 18 for SQL Server", false};
const OdbcDriver kFreeTds{"FreeTDS", true};

AdoLogon SqlLogon(const std::string& host, const std::string& database = "") {
  AdoLogon l;
  l.userId = "sa";
  l.password = "secret";
  l.dataSource = host;
  l.initialCatalog = database;
  return l;
}

std::vector<RegisteredDriver> Registered(std::initializer_list<const char*> names) {
  std::vector<RegisteredDriver> out;
  for (const char* n : names)
    out.push_back({n, std::string(n) == "FreeTDS" ? "libtdsodbc.so" : "/opt/microsoft/lib.so"});
  return out;
}

}  // namespace

TEST(AdoConnectionString, BothAuthenticationFormsExactly) {
  EXPECT_EQ(AdoConnectionString(SqlLogon("db01")),
            "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=secret;Data "
            "Source=db01");
  EXPECT_EQ(AdoConnectionString(SqlLogon("db01", "販売")),
            "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=secret;Data "
            "Source=db01;Initial Catalog=販売");
  AdoLogon w;
  w.integratedSecurity = true;
  w.dataSource = "db01\\SQLEXPRESS";
  EXPECT_EQ(AdoConnectionString(w),
            "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data "
            "Source=db01\\SQLEXPRESS");
}

TEST(OdbcConnectionString, TranslatesEveryValue) {
  EXPECT_EQ(OdbcConnectionString(SqlLogon("db01"), kDriver18),
            "Driver={ODBC Driver 18 for SQL Server};Server=db01;UID=sa;PWD=secret");
  // host\instance and host,port pass as they stand; the catalog becomes Database.
  EXPECT_EQ(OdbcConnectionString(SqlLogon("db01\\SQL2019", "sales"), kDriver18),
            "Driver={ODBC Driver 18 for SQL Server};Server=db01\\SQL2019;UID=sa;PWD=secret;"
            "Database=sales");
  EXPECT_EQ(OdbcConnectionString(SqlLogon("10.0.0.5,14330"), kDriver18),
            "Driver={ODBC Driver 18 for SQL Server};Server=10.0.0.5,14330;UID=sa;PWD=secret");
  // Windows authentication: the Kerberos ticket, no name or password.
  AdoLogon w = SqlLogon("db01", "sales");
  w.integratedSecurity = true;
  w.userId.clear();
  w.password.clear();
  EXPECT_EQ(OdbcConnectionString(w, kDriver18),
            "Driver={ODBC Driver 18 for SQL Server};Server=db01;Trusted_Connection=yes;"
            "Database=sales");
  // FreeTDS: UTF-8 on its narrow side and a protocol current servers speak.
  EXPECT_EQ(OdbcConnectionString(SqlLogon("db01", "sales"), kFreeTds),
            "Driver={FreeTDS};Server=db01;UID=sa;PWD=secret;Database=sales;ClientCharset=UTF-8;"
            "TDS_Version=7.4");
  // Driver 18 keeps encrypting; trusting the certificate is asked for.
  AdoLogon t = SqlLogon("db01");
  t.trustServerCertificate = true;
  EXPECT_EQ(OdbcConnectionString(t, kDriver18),
            "Driver={ODBC Driver 18 for SQL Server};Server=db01;UID=sa;PWD=secret;"
            "TrustServerCertificate=yes");
  EXPECT_EQ(OdbcConnectionString(t, {"My }Driver", false}).rfind("Driver={My }}Driver};", 0), 0u);
}

TEST(OdbcConnectionString, ValuesNeverInjectAKeyword) {
  EXPECT_EQ(OdbcValue("plain"), "plain");
  EXPECT_EQ(OdbcValue(""), "");
  EXPECT_EQ(OdbcValue("a;Database=master"), "{a;Database=master}");
  EXPECT_EQ(OdbcValue("x}y"), "{x}}y}");
  EXPECT_EQ(OdbcValue("{x"), "{{x}");
  EXPECT_EQ(OdbcValue("two words"), "{two words}");
  AdoLogon l = SqlLogon("db01", "my db");
  l.userId = "dom\\user";
  l.password = "p;w}d=1";
  EXPECT_EQ(OdbcConnectionString(l, kDriver18),
            "Driver={ODBC Driver 18 for SQL Server};Server=db01;UID=dom\\user;PWD={p;w}}d=1};"
            "Database={my db}");
  l.password = std::string("a\0b", 3);
  EXPECT_THROW(OdbcConnectionString(l, kDriver18), OdbcError);
}

TEST(OdbcConnectionString, CertificateHintOnlyWhenRefusedAndNotTrusted) {
  const std::string refused =
      "[Microsoft][ODBC Driver 18 for SQL Server]SSL Provider: [error:0A000086:SSL "
      "routines::certificate verify failed:self-signed certificate]";
  const std::string hinted = WithCertificateHint(refused, false);
  EXPECT_EQ(hinted.rfind(refused + "\n", 0), 0u);
  EXPECT_NE(hinted.find("--trust-server-certificate"), std::string::npos);
  EXPECT_NE(hinted.find("TrustServerCertificate=1"), std::string::npos);
  EXPECT_NE(hinted.find("[sqlserver]"), std::string::npos);
  EXPECT_EQ(WithCertificateHint(refused, true), refused);
  EXPECT_EQ(WithCertificateHint("Login failed for user 'sa'.", false),
            "Login failed for user 'sa'.");
}

TEST(OdbcDrivers, ChoiceOrder) {
  EXPECT_EQ(ChooseSqlServerDriver("", Registered({"FreeTDS"})).name, "FreeTDS");
  EXPECT_TRUE(ChooseSqlServerDriver("", Registered({"FreeTDS"})).freeTds);
  const OdbcDriver only18 = ChooseSqlServerDriver("", Registered({"ODBC Driver 18 for SQL Server"}));
  EXPECT_EQ(only18.name, "ODBC Driver 18 for SQL Server");
  EXPECT_FALSE(only18.freeTds);
  // Both: Microsoft's newest wins wherever it stands in the file.
  EXPECT_EQ(ChooseSqlServerDriver("", Registered({"FreeTDS", "ODBC Driver 17 for SQL Server",
                                                  "ODBC Driver 18 for SQL Server"}))
                .name,
            "ODBC Driver 18 for SQL Server");
  EXPECT_EQ(ChooseSqlServerDriver("", Registered({"FreeTDS", "ODBC Driver 17 for SQL Server"})).name,
            "ODBC Driver 17 for SQL Server");
  // A named driver is taken as it is; FreeTDS is known by its library too.
  EXPECT_EQ(ChooseSqlServerDriver("My TDS", {{"My TDS", "/usr/lib/libtdsodbc.so"}}).name, "My TDS");
  EXPECT_TRUE(ChooseSqlServerDriver("My TDS", {{"My TDS", "/usr/lib/libtdsodbc.so"}}).freeTds);
  EXPECT_FALSE(ChooseSqlServerDriver("/opt/x/libmsodbcsql-18.so", {}).freeTds);
  try {
    ChooseSqlServerDriver("", Registered({"PostgreSQL Unicode"}));
    FAIL() << "a driver was chosen";
  } catch (const OdbcError& e) {
    const std::string m = e.what();
    EXPECT_NE(m.find("tdsodbc"), std::string::npos) << m;
    EXPECT_NE(m.find("msodbcsql18"), std::string::npos) << m;
    EXPECT_NE(m.find("odbcinst.ini"), std::string::npos) << m;
  }
}

TEST(OdbcDrivers, ReadFromTheFileUnixOdbcReads) {
  TempDir dir;
  WriteFile(dir.File("odbcinst.ini"),
            "; comment\n[ODBC]\nTrace = No\n\n[FreeTDS]\nDescription=TDS\nDriver = libtdsodbc.so\n"
            "[ODBC Driver 18 for SQL Server]\nDriver=/opt/microsoft/msodbcsql18/lib64/"
            "libmsodbcsql-18.5.so.1.1\n");
  WriteFile(dir.File("other.ini"), "[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n");
  const char* oldSys = std::getenv("ODBCSYSINI");
  const std::string savedSys = oldSys ? oldSys : "";
  setenv("ODBCSYSINI", dir.Path().c_str(), 1);
  unsetenv("ODBCINSTINI");
  EXPECT_EQ(OdbcInstIniPath(), dir.File("odbcinst.ini"));
  std::vector<RegisteredDriver> drivers = RegisteredDrivers();
  ASSERT_EQ(drivers.size(), 2u);  // [ODBC] is the driver manager's own section
  EXPECT_EQ(drivers[0].name, "FreeTDS");
  EXPECT_EQ(drivers[0].library, "libtdsodbc.so");
  EXPECT_EQ(drivers[1].name, "ODBC Driver 18 for SQL Server");
  EXPECT_EQ(ChooseSqlServerDriver("", drivers).name, "ODBC Driver 18 for SQL Server");

  setenv("ODBCINSTINI", "other.ini", 1);
  EXPECT_EQ(OdbcInstIniPath(), dir.File("other.ini"));
  drivers = RegisteredDrivers();
  ASSERT_EQ(drivers.size(), 1u);
  EXPECT_EQ(drivers[0].name, "PostgreSQL Unicode");
  unsetenv("ODBCINSTINI");

  setenv("ODBCSYSINI", (dir.Path() + "/missing").c_str(), 1);
  EXPECT_TRUE(RegisteredDrivers().empty());
  if (oldSys)
    setenv("ODBCSYSINI", savedSys.c_str(), 1);
  else
    unsetenv("ODBCSYSINI");
}

TEST(OdbcConnectionString, EachDriverGetsTheBracedFormItReadsBack) {
  const OdbcDriver freeTds13{"FreeTDS", true, "libtdsodbc.so", "01.03.0017"};
  const OdbcDriver freeTds14{"FreeTDS", true, "libtdsodbc.so", "01.04.0002"};
  const OdbcDriver freeTdsUnread{"FreeTDS", true, "/nowhere/libtdsodbc.so", ""};
  EXPECT_EQ(BraceReadingOf(kDriver18), BraceReading::kDoubled);
  EXPECT_EQ(BraceReadingOf({"ODBC Driver 17 for SQL Server", false, "", "17.10.0006"}),
            BraceReading::kDoubled);
  EXPECT_EQ(BraceReadingOf(freeTds13), BraceReading::kLiteral);
  EXPECT_EQ(BraceReadingOf({"FreeTDS", true, "", "0.91"}), BraceReading::kLiteral);
  EXPECT_EQ(BraceReadingOf(freeTds14), BraceReading::kDoubled);
  EXPECT_EQ(BraceReadingOf({"FreeTDS", true, "", "1.10.3"}), BraceReading::kDoubled);
  EXPECT_EQ(BraceReadingOf(freeTdsUnread), BraceReading::kUnknown);
  EXPECT_EQ(BraceReadingOf({"FreeTDS", true, "", "v1"}), BraceReading::kUnknown);

  AdoLogon l = SqlLogon("db01", "販売 {db}");
  l.password = "p;w}}x d";
  const std::string tail = ";ClientCharset=UTF-8;TDS_Version=7.4";
  // FreeTDS 1.3 reads the value literally up to "};": nothing is doubled.
  EXPECT_EQ(OdbcConnectionString(l, freeTds13),
            "Driver={FreeTDS};Server=db01;UID=sa;PWD={p;w}}x d};Database={販売 {db}}" + tail);
  // The others read "}}" as "}".
  EXPECT_EQ(OdbcConnectionString(l, freeTds14),
            "Driver={FreeTDS};Server=db01;UID=sa;PWD={p;w}}}}x d};Database={販売 {db}}}" + tail);
  EXPECT_EQ(OdbcConnectionString(l, kDriver18),
            "Driver={ODBC Driver 18 for SQL Server};Server=db01;UID=sa;PWD={p;w}}}}x d};"
            "Database={販売 {db}}}");
  // Values without a closing brace read the same everywhere, also where
  // the version is unknown.
  l = SqlLogon("db01", "sales");
  l.password = "a;b {c= d";
  EXPECT_EQ(OdbcConnectionString(l, freeTdsUnread),
            "Driver={FreeTDS};Server=db01;UID=sa;PWD={a;b {c= d};Database=sales" + tail);
  EXPECT_EQ(OdbcConnectionString(l, freeTds13), OdbcConnectionString(l, freeTdsUnread));
  EXPECT_EQ(OdbcConnectionString(l, freeTds14), OdbcConnectionString(l, freeTdsUnread));

  // What a driver cannot carry is refused, naming the field and the
  // characters, before anything is sent.
  auto refusal = [](const AdoLogon& logon, const OdbcDriver& driver) {
    try {
      OdbcConnectionString(logon, driver);
    } catch (const OdbcError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  l.password = "x};DATABASE=master";
  const std::string m = refusal(l, freeTds13);
  EXPECT_EQ(m.rfind("パスワードに「}」の直後に「;」が続く箇所があります。", 0), 0u) << m;
  EXPECT_NE(m.find("FreeTDS 1.4"), std::string::npos) << m;
  EXPECT_EQ(refusal(l, freeTds14), "");
  EXPECT_EQ(refusal(l, kDriver18), "");
  l.password = "ok";
  l.userId = "a}b";
  EXPECT_EQ(refusal(l, freeTds13), "");
  EXPECT_EQ(refusal(l, freeTdsUnread).rfind("ユーザー名に「}」が含まれています。", 0), 0u);
  l.userId = "sa";
  l.initialCatalog = "db};x";
  EXPECT_EQ(refusal(l, freeTds13).rfind("データベース名に「}」の直後に「;」", 0), 0u);
  l.initialCatalog = "";
  l.dataSource = std::string("h\0st", 4);
  EXPECT_EQ(refusal(l, kDriver18).rfind("ホスト名に NUL 文字", 0), 0u);
}
