#pragma once
// The SQL Server connection string: built in ADO's form exactly as the
// logon values give it, and translated to ODBC in this one place.
#include <string>

namespace zel {

// The values of an ADO connection string for the SQL Server provider.
// odbcDriver and trustServerCertificate are not part of the ADO text; they
// steer only the translation.
struct AdoLogon {
  bool integratedSecurity = false;
  std::string userId, password, dataSource, initialCatalog;
  std::string odbcDriver;  // empty: the first registered SQL Server driver
  bool trustServerCertificate = false;
};

// "Provider=SQLOLEDB.1;..." with the values inserted as they stand.
std::string AdoConnectionString(const AdoLogon& logon);

// How a driver reads "}" inside a braced value: Microsoft's drivers and
// FreeTDS from 1.4 on take "}}" as one "}" (ODBC's rule); FreeTDS before 1.4
// takes a braced value literally up to the first "}" that a ";" or the end
// of the string follows. Unknown: a FreeTDS whose version could not be read.
enum class BraceReading { kDoubled, kLiteral, kUnknown };

// The driver a connection goes through.
struct OdbcDriver {
  std::string name;
  bool freeTds = false;  // FreeTDS takes a client charset and a TDS version
  std::string library{};  // the driver's file, when known
  std::string version{};  // SQL_DRIVER_VER ("01.03.0017"), when read
};

// How `driver` reads braced values, by kind and version.
BraceReading BraceReadingOf(const OdbcDriver& driver);

// One value for an ODBC connection string: as it stands when that is safe,
// otherwise braced so that no value can end its keyword early or add one,
// in the form the driver reads back unchanged. A value the driver cannot be
// given at all (a NUL; for FreeTDS before 1.4 the pair "};") raises
// OdbcError naming `what` (the field, as the user knows it) and the
// characters.
std::string OdbcValue(const std::string& value, BraceReading reading = BraceReading::kDoubled,
                      const std::string& what = "接続文字列の値");

// The ODBC connection string of `logon` for `driver`. The ADO string is not
// parsed back: its values are inserted unchanged, so a password holding ";"
// could not be split off again. Translation works on the values instead.
std::string OdbcConnectionString(const AdoLogon& logon, const OdbcDriver& driver);

// The message of a failed connection, with how to trust the server's
// certificate added when the driver refused it and it is not trusted yet.
std::string WithCertificateHint(const std::string& message, bool trusted);

}  // namespace zel
