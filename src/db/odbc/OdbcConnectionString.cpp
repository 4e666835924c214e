#include "db/odbc/OdbcConnectionString.h"

#include "common/Text.h"
#include "db/odbc/OdbcError.h"

namespace zel {

std::string AdoConnectionString(const AdoLogon& logon) {
  std::string s;
  if (!logon.integratedSecurity) {
    s = "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=" + logon.userId +
        ";Password=" + logon.password + ";Data Source=" + logon.dataSource;
  } else {
    s = "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data Source=" +
        logon.dataSource;
  }
  if (!logon.initialCatalog.empty()) s += ";Initial Catalog=" + logon.initialCatalog;
  return s;
}

std::string OdbcValue(const std::string& value) {
  if (value.find('\0') != std::string::npos)
    throw OdbcError("A connection value holds a NUL character, which ODBC cannot pass.");
  bool brace = false;
  for (char c : value)
    if (c == ';' || c == '{' || c == '}' || c == ' ' || c == '\t' || c == '=' || c == '\r' ||
        c == '\n')
      brace = true;
  if (!brace) return value;
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  out += "}";
  return out;
}

std::string OdbcConnectionString(const AdoLogon& logon, const OdbcDriver& driver) {
  // The driver's name always goes braced: the registered names hold blanks.
  std::string name;
  for (char c : driver.name) {
    if (c == '\0') throw OdbcError("The ODBC driver name holds a NUL character.");
    name += c;
    if (c == '}') name += '}';
  }
  std::string s = "Driver={" + name + "};Server=" + OdbcValue(logon.dataSource);
  if (logon.integratedSecurity) {
    // Kerberos on Linux: the user's ticket, no name or password sent.
    s += ";Trusted_Connection=yes";
  } else {
    s += ";UID=" + OdbcValue(logon.userId) + ";PWD=" + OdbcValue(logon.password);
  }
  if (!logon.initialCatalog.empty()) s += ";Database=" + OdbcValue(logon.initialCatalog);
  if (driver.freeTds) {
    // 7.4 speaks to SQL Server 2012 and later (and is understood down to
    // 2005); UTF-8 keeps the narrow side of FreeTDS from losing characters.
    s += ";ClientCharset=UTF-8;TDS_Version=7.4";
  } else if (logon.trustServerCertificate) {
    // Microsoft's drivers encrypt by default and check the certificate;
    // trusting it keeps the encryption.
    s += ";TrustServerCertificate=yes";
  }
  return s;
}

std::string WithCertificateHint(const std::string& message, bool trusted) {
  if (trusted) return message;
  const std::string lower = text::AsciiLower(message);
  if (lower.find("certificate") == std::string::npos) return message;
  return message +
         "\nサーバーの証明書が信頼されていません。信頼してよいサーバーなら、"
         "zelmora-export では --trust-server-certificate を付け、ウィンドウでは Zel.ini の "
         "[sqlserver] セクションに TrustServerCertificate=1 を書いてください。";
}

}  // namespace zel
