#include "catalog/Kinds.h"

#include "catalog/Browser.h"
#include "catalog/ConnectFailure.h"
#include "catalog/mysql/MySqlReader.h"
#include "catalog/oracle/OracleReader.h"
#include "catalog/postgres/PostgresReader.h"
#include "catalog/sqlserver/SqlServerReader.h"

namespace zel {
namespace {

std::string OrLocalhost(const std::string& host) {
  return host.empty() ? "localhost" : host;
}

const std::vector<KindEntry> kKinds = {
    {
        dkPostgres,
        "postgresql",
        {0, 1, 2, 3},
        cvPort | cvDatabase,
        /*canDrop=*/true,
        // The values go to the reader's component, which reads them from FLogon.
        [](TBrowser&, const LogonValues&) {},
        [](const TBrowser&) { return std::string(); },
        [](LogonValues& v, const CommandLogon& g) {
          v.postgres.userName = g.user;
          v.postgres.password = g.password;
          v.postgres.host = OrLocalhost(g.host);
          if (!g.port.empty()) v.postgres.port = g.port;
          if (!g.database.empty()) v.postgres.databaseName = g.database;
        },
        [](const CommandLogon& g) {
          return g.database.empty() ? PostgresLogon().databaseName : g.database;
        },
        TPostgresReader::Factory,
    },
    {
        dkMySql,
        "mysql",
        {-1, 0, 1, 2},
        cvPort,
        /*canDrop=*/false,
        [](TBrowser& b, const LogonValues& v) {
          b.FMySqlUser = v.mySql.userName;
          b.FMySqlPassword = v.mySql.password;
          b.FMySqlHost = v.mySql.host;
          b.FMySqlPort = v.mySql.port;
        },
        [](const TBrowser& b) {
          if (b.mySqlLibraryLoaded) return std::string();
          return ConnectFailureText({"MySQL", b.FMySqlHost, b.FMySqlPort, {}},
                                    ConnectCause::LibraryMissing,
                                    b.mySqlLibraryName + " load failed.");
        },
        [](LogonValues& v, const CommandLogon& g) {
          v.mySql.userName = g.user;
          v.mySql.password = g.password;
          v.mySql.host = OrLocalhost(g.host);
          if (!g.port.empty()) v.mySql.port = g.port;
        },
        nullptr,
        TMySqlReader::Factory,
    },
    {
        dkSqlServer,
        "sqlserver",
        {0, 1, 2, 3},
        cvDatabase | cvAuth | cvOdbc,
        /*canDrop=*/false,
        // The other values are read whenever a connection string is built.
        [](TBrowser& b, const LogonValues& v) { b.FSqlServerHost = v.sqlServer.host; },
        [](const TBrowser&) { return std::string(); },
        [](LogonValues& v, const CommandLogon& g) {
          v.sqlServer.userName = g.user;
          v.sqlServer.password = g.password;
          v.sqlServer.host = g.host;
          v.sqlServer.authentication = g.windowsAuth ? 1 : 0;
          v.sqlServer.odbcDriver = g.odbcDriver;
          v.sqlServer.trustServerCertificate = g.trustServerCertificate;
        },
        [](const CommandLogon& g) {
          return g.database.empty() ? std::string("master") : g.database;
        },
        [] { return TSqlServerReader::Factory(); },
    },
    {
        dkOracle,
        "oracle",
        {-1, 0, 1, 2},
        0,
        /*canDrop=*/false,
        [](TBrowser& b, const LogonValues& v) {
          b.FOracleUser = v.oracle.userName;
          b.FOraclePassword = v.oracle.password;
          b.FOracleHost = v.oracle.host;
        },
        [](const TBrowser&) { return std::string(); },
        [](LogonValues& v, const CommandLogon& g) {
          v.oracle = {g.user, g.password, g.host};
        },
        nullptr,
        TOracleReader::Factory,
    },
};

}  // namespace

const std::vector<KindEntry>& Kinds() {
  return kKinds;
}

const KindEntry* FindKind(int code) {
  for (const KindEntry& k : kKinds)
    if (k.code == code) return &k;
  return nullptr;
}

const KindEntry* FindKindByCliName(std::string_view name) {
  for (const KindEntry& k : kKinds)
    if (name == k.cliName) return &k;
  return nullptr;
}

std::string KindNames(const char* lastJoin, unsigned requiredValues) {
  std::vector<std::string> names;
  for (const KindEntry& k : kKinds)
    if ((k.commandValues & requiredValues) == requiredValues) names.emplace_back(k.cliName);
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? std::string(" ") + lastJoin + " " : ", ";
    out += names[i];
  }
  return out;
}

ReaderRegistry StandardReaders() {
  ReaderRegistry readers;
  for (const KindEntry& k : kKinds)
    if (k.reader) readers.Register(k.code, k.reader());
  return readers;
}

}  // namespace zel
