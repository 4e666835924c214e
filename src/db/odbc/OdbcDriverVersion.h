#pragma once
// The version an ODBC driver library reports of itself. The connection
// string depends on it (FreeTDS changed how it reads braced values), so it
// is needed before there is any connection to ask through the driver
// manager: the driver's own SQLGetInfo answers SQL_DRIVER_VER on a
// connection handle that is not connected yet.
#include <string>

namespace zel {

// "01.03.0017" for Debian 12's FreeTDS; empty when the library cannot be
// loaded or does not answer. Read once per library file and remembered.
std::string OdbcDriverVersion(const std::string& library);

}  // namespace zel
