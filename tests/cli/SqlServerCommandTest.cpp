// zelmora-export --kind sqlserver: through the scripted client, the logon
// values the options give (authentication, database, driver, certificate)
// and the workbook; through the real command, unixODBC and FreeTDS, the
// messages of a missing driver and of a server that does not answer.
#include <gtest/gtest.h>

#include <sstream>

#include "catalog/sqlserver/SqlServerReader.h"
#include "catalog/sqlserver/SqlServerStatements.h"
#include "cli/Options.h"
#include "cli/Runner.h"
#include "support/ScriptedAdo.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

class SqlServerCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ado.On(mssql::kVersion, {2, {{std::string("Microsoft SQL Server 2022 (RTM-CU16) (KB5048033) - "
                                              "16.0.4165.4 (X64) \n\tNov  6 2024"),
                                  std::string("Enterprise Edition")}}});
    ado.On(mssql::kDatabases, {1, {{std::string("master")}, {std::string("販売")}}});
    ado.On("AS OWNER", {1, {{std::string("dbo")}}});
    ado.On("AS TABLENAME", {4, {{std::string("顧客"), std::string("顧客マスタ"),
                                 std::string("2024/01/01"), std::string("2024/01/02")}}});
    // The owner's one column statement of an export, its table's name last.
    ado.On("obj.name as TABLENAME", {9,
                                     {{std::string("1"), std::string("id"), std::string("int"),
                                       std::string("10"), std::string(""), std::string("1"),
                                       std::string("1"), std::nullopt, std::string("顧客")}}});
    ado.On("Col.Colid", {8, {{std::string("1"), std::string("id"), std::string("int"),
                              std::string("10"), std::string(""), std::string("1"),
                              std::string("1"), std::nullopt}}});
  }

  int Run(std::vector<std::string> args, const std::string& password = "pw") {
    cli::ParseResult parsed = cli::ParseOptions(args);
    EXPECT_TRUE(parsed.options) << parsed.error;
    if (!parsed.options) return -1;
    cli::Environment env;
    env.password = password;
    env.out = &out;
    env.err = &err;
    env.registry.Register(dkSqlServer, TSqlServerReader::Factory(ado.Factory()));
    return cli::Run(*parsed.options, env);
  }

  TempDir dir;
  ScriptedAdo ado;
  std::ostringstream out, err;
};

}  // namespace

TEST_F(SqlServerCommandTest, DefinitionsWithEveryLogonValue) {
  const std::string target = dir.File("def.xlsx");
  ASSERT_EQ(Run({"definitions", "--kind", "sqlserver", "--host", "db01,14330", "--user", "sa",
                 "--database", "販売", "--schema", "dbo", "--odbc-driver", "FreeTDS",
                 "--trust-server-certificate", "--out", target}),
            cli::exitOk)
      << err.str();
  EXPECT_EQ(out.str(), target + "\n");
  const AdoLogon last = ado.LastLogon();
  EXPECT_FALSE(last.integratedSecurity);
  EXPECT_EQ(last.userId, "sa");
  EXPECT_EQ(last.password, "pw");
  EXPECT_EQ(last.dataSource, "db01,14330");
  EXPECT_EQ(last.initialCatalog, "販売");
  EXPECT_EQ(last.odbcDriver, "FreeTDS");
  EXPECT_TRUE(last.trustServerCertificate);
  EXPECT_EQ(ado.ConnectionStrings().front(),
            "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=pw;Data "
            "Source=db01,14330");
  EXPECT_EQ(ado.OpenConnections(), 0);
  const WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.1"], "顧客");
}

TEST_F(SqlServerCommandTest, WindowsAuthenticationAndTheDefaultDatabase) {
  // Without --database the command opens master.
  EXPECT_EQ(Run({"list", "--kind", "sqlserver", "--host", "db01", "--auth", "windows",
                 "--user", "ignored", "--all-schemas", "--out", dir.Path()}),
            cli::exitOk)
      << err.str();
  for (const std::string& s : ado.ConnectionStrings()) {
    EXPECT_EQ(s.rfind("Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security "
                      "Info=False;Data Source=db01",
                      0),
              0u)
        << s;
    EXPECT_EQ(s.find("ignored"), std::string::npos) << s;
  }
  EXPECT_EQ(ado.ConnectionStrings().back(),
            "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data "
            "Source=db01;Initial Catalog=master");

  std::ostringstream().swap(err);
  EXPECT_EQ(Run({"list", "--kind", "sqlserver", "--host", "db01", "--database", "会計",
                 "--schema", "dbo"}),
            cli::exitNothingToExport);
  EXPECT_NE(err.str().find("no database 会計"), std::string::npos) << err.str();
}

TEST_F(SqlServerCommandTest, ALoginFailureIsAConnectionFailure) {
  ado.FailConnects("[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Login failed for user 'sa'.");
  EXPECT_EQ(Run({"list", "--kind", "sqlserver", "--host", "db01", "--user", "sa", "--schema",
                 "dbo", "--out", dir.Path()}),
            cli::exitConnectFailed);
}

TEST(SqlServerCommandOptions, DriverAndCertificateOptions) {
  auto ok = cli::ParseOptions({"list", "--kind", "sqlserver", "--odbc-driver=ODBC Driver 17 for SQL Server",
                               "--trust-server-certificate", "--all-schemas"});
  ASSERT_TRUE(ok.options) << ok.error;
  EXPECT_EQ(ok.options->odbcDriver, "ODBC Driver 17 for SQL Server");
  EXPECT_TRUE(ok.options->trustServerCertificate);
  const CommandLogon logon = cli::CommandLogonOf(*ok.options, "pw");
  EXPECT_EQ(logon.odbcDriver, "ODBC Driver 17 for SQL Server");
  EXPECT_TRUE(logon.trustServerCertificate);

  const std::pair<std::vector<std::string>, std::string> bad[] = {
      {{"list", "--kind", "postgresql", "--odbc-driver", "FreeTDS", "--all-schemas"},
       "--odbc-driver applies to sqlserver only"},
      {{"list", "--kind", "mysql", "--trust-server-certificate", "--all-schemas"},
       "--trust-server-certificate applies to sqlserver only"},
      {{"list", "--kind", "sqlserver", "--trust-server-certificate=yes", "--all-schemas"},
       "--trust-server-certificate takes no value"},
      {{"list", "--kind", "sqlserver", "--odbc-driver", "", "--all-schemas"},
       "--odbc-driver needs a driver name"},
  };
  for (const auto& [args, message] : bad) {
    auto r = cli::ParseOptions(args);
    EXPECT_FALSE(r.options) << message;
    EXPECT_EQ(r.error, message);
  }
  EXPECT_NE(cli::HelpText().find("--odbc-driver NAME"), std::string::npos);
  EXPECT_NE(cli::HelpText().find("--trust-server-certificate"), std::string::npos);
}

TEST(SqlServerCommandReal, MissingDriverAndUnreachableServerThroughUnixOdbc) {
  TempDir dir;
  const std::string command = std::string(ZEL_BINARY_DIR) + "/src/cli/zelmora-export";
  std::string output;
  // No SQL Server driver registered: the message names what to install.
  WriteFile(dir.File("odbcinst.ini"), "[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n");
  int rc = RunCommand("cd " + ShellQuote(dir.Path()) + " && ODBCSYSINI=" + ShellQuote(dir.Path()) +
                          " ZELMORA_PASSWORD=x " + command +
                          " list --kind sqlserver --host 127.0.0.1 --user sa --all-schemas "
                          "</dev/null 2>&1",
                      &output);
  EXPECT_EQ(rc, cli::exitConnectFailed) << output;
  EXPECT_NE(output.find("tdsodbc"), std::string::npos) << output;
  EXPECT_NE(output.find("msodbcsql18"), std::string::npos) << output;

  // FreeTDS registered, nothing listening: FreeTDS's own words, quickly.
  if (!FileExists("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so")) {
    if (ServersRequired()) FAIL() << "tdsodbc is not installed (scripts/setup installs it)";
    GTEST_SKIP() << "tdsodbc is not installed";
  }
  WriteFile(dir.File("odbcinst.ini"),
            "[FreeTDS]\nDriver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so\n");
  rc = RunCommand("cd " + ShellQuote(dir.Path()) + " && ODBCSYSINI=" + ShellQuote(dir.Path()) +
                      " ZELMORA_PASSWORD=x timeout 60 " + command +
                      " list --kind sqlserver --host 127.0.0.1,1 --user sa --all-schemas "
                      "</dev/null 2>&1",
                  &output);
  EXPECT_EQ(rc, cli::exitConnectFailed) << output;
  EXPECT_NE(output.find("[FreeTDS]"), std::string::npos) << output;
}
