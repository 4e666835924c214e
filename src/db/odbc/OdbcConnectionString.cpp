#include "db/odbc/OdbcConnectionString.h"

#include <optional>
#include <utility>

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

namespace {

bool NeedsBraces(const std::string& value) {
  for (char c : value)
    if (c == ';' || c == '{' || c == '}' || c == ' ' || c == '\t' || c == '=' || c == '\r' ||
        c == '\n')
      return true;
  return false;
}

// "01.03.0017" (SQL_DRIVER_VER), "1.4.2": major and minor; nullopt when the
// text does not start with two numbers.
std::optional<std::pair<int, int>> MajorMinor(const std::string& version) {
  int major = 0, minor = 0;
  size_t i = 0;
  auto number = [&](int& out) {
    const size_t start = i;
    while (i < version.size() && version[i] >= '0' && version[i] <= '9' && i - start < 6)
      out = out * 10 + (version[i++] - '0');
    return i > start;
  };
  if (!number(major) || i >= version.size() || version[i] != '.') return std::nullopt;
  ++i;
  if (!number(minor)) return std::nullopt;
  return std::make_pair(major, minor);
}

}  // namespace

BraceReading BraceReadingOf(const OdbcDriver& driver) {
  if (!driver.freeTds) return BraceReading::kDoubled;
  const auto version = MajorMinor(driver.version);
  if (!version) return BraceReading::kUnknown;
  return *version < std::make_pair(1, 4) ? BraceReading::kLiteral : BraceReading::kDoubled;
}

std::string OdbcValue(const std::string& value, BraceReading reading, const std::string& what) {
  if (value.find('\0') != std::string::npos)
    throw OdbcError(what + "に NUL 文字が含まれています。ODBC の接続文字列では渡せません。");
  if (!NeedsBraces(value)) return value;
  const bool closing = value.find('}') != std::string::npos;
  if (reading == BraceReading::kLiteral || (reading == BraceReading::kUnknown && !closing)) {
    // Taken as it stands up to the first "}" before ";": nothing inside is
    // doubled, and that pair cannot be inside at all.
    if (value.find("};") != std::string::npos)
      throw OdbcError(what +
                      "に「}」の直後に「;」が続く箇所があります。この FreeTDS（1.4 より前の版）は"
                      "接続文字列でこの並びを渡せません。FreeTDS 1.4 以降か Microsoft の ODBC "
                      "Driver 18 for SQL Server を使うか、" +
                      what + "を変えてください。");
    return "{" + value + "}";
  }
  if (reading == BraceReading::kUnknown)
    throw OdbcError(what +
                    "に「}」が含まれています。FreeTDS は版によって「}」の渡し方が違い、使う "
                    "FreeTDS の版を読み取れなかったため、正しく渡せません。");
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
  const BraceReading reading = BraceReadingOf(driver);
  std::string s =
      "Driver={" + name + "};Server=" + OdbcValue(logon.dataSource, reading, "ホスト名");
  if (logon.integratedSecurity) {
    // Kerberos on Linux: the user's ticket, no name or password sent.
    s += ";Trusted_Connection=yes";
  } else {
    s += ";UID=" + OdbcValue(logon.userId, reading, "ユーザー名") +
         ";PWD=" + OdbcValue(logon.password, reading, "パスワード");
  }
  if (!logon.initialCatalog.empty())
    s += ";Database=" + OdbcValue(logon.initialCatalog, reading, "データベース名");
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
