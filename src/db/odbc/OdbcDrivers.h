#pragma once
// The SQL Server drivers registered with unixODBC, and the one a connection
// uses.
#include <string>
#include <vector>

#include "db/odbc/OdbcConnectionString.h"

namespace zel {

struct RegisteredDriver {
  std::string name;     // the section name, what "Driver=" takes
  std::string library;  // its Driver= entry
};

// The file unixODBC reads its drivers from: $ODBCSYSINI (else /etc), then
// "/", then $ODBCINSTINI (else odbcinst.ini) -- the driver manager joins
// them the same way, even when ODBCINSTINI is absolute.
std::string OdbcInstIniPath();

// The drivers of that file in file order; none when it cannot be read.
std::vector<RegisteredDriver> RegisteredDrivers();

// The driver to connect through: `named` when given (a registered name or a
// library path), else the first registered of "ODBC Driver 18 for SQL
// Server", "ODBC Driver 17 for SQL Server" and "FreeTDS". None registered:
// OdbcError naming what to install. The version is left for the caller to
// read (OdbcDriverVersion), since that loads the driver.
OdbcDriver ChooseSqlServerDriver(const std::string& named,
                                 const std::vector<RegisteredDriver>& registered);

}  // namespace zel
