#pragma once
// The values of the logon dialog's pages as a plain structure, so the browser
// core never depends on the dialog widget.
#include <string>

namespace zel {

// DatabaseKind codes; a logon page index is the code minus 1.
enum DatabaseKind : int { dkNone = 0, dkOracle = 1, dkSqlServer = 2, dkPostgres = 3, dkMySql = 4 };

struct OracleLogon {
  std::string userName, password, host;
};
struct SqlServerLogon {
  std::string userName, password, host;
  int authentication = 0;  // 0 SQL Server authentication, 1 Windows, -1 typed text
  // The ODBC side, which the dialog does not show: a driver by name (empty:
  // the first registered SQL Server driver) and whether to trust the
  // server's certificate.
  std::string odbcDriver;
  bool trustServerCertificate = false;
};
struct PostgresLogon {
  std::string userName, password, host, port = "5432", databaseName = "postgres";
};
struct MySqlLogon {
  std::string userName, password, host, port = "3306";
};

struct LogonValues {
  int kind = dkNone;
  OracleLogon oracle;
  SqlServerLogon sqlServer;
  PostgresLogon postgres;
  MySqlLogon mySql;
};

}  // namespace zel
