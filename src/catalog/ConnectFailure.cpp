#include "catalog/ConnectFailure.h"

#include <algorithm>
#include <array>

#include "db/odbc/OdbcApi.h"
#include "db/odbc/OdbcError.h"
#include "db/oracle/OraError.h"
#include "db/oracle/oci.h"
#include "db/postgres/PQError.h"
#include "db/postgres/libpq_fe.h"

namespace zel {
namespace {

template <size_t N>
bool In(long value, const std::array<long, N>& set) {
  return std::find(set.begin(), set.end(), value) != set.end();
}

ConnectCause PostgresStateCause(const std::string& state) {
  if (state == "28P01" || state == "28000") return ConnectCause::Credentials;
  // 42501: the role lacks CONNECT on the database; the sentence names both.
  if (state == "3D000" || state == "42501") return ConnectCause::DatabaseMissing;
  if (state.rfind("08", 0) == 0) return ConnectCause::Unreachable;
  return ConnectCause::General;
}

}  // namespace

ConnectCause PostgresCause(const std::exception& e) {
  if (dynamic_cast<const PQDllLoadErr*>(&e) || dynamic_cast<const DLLAddressErr*>(&e))
    return ConnectCause::LibraryMissing;
  const auto* connect = dynamic_cast<const EPQConnectError*>(&e);
  if (!connect) return ConnectCause::General;
  const EPQConnectError::Facts& f = connect->ConnectFacts();
  if (!f.sqlState.empty()) return PostgresStateCause(f.sqlState);
  if (f.needsPassword) return ConnectCause::Credentials;
  switch (f.stage) {
    // No server has spoken yet: the name did not resolve, nothing listened,
    // or the attempt timed out. A connection value libpq refuses outright
    // (a port that is not a number) ends here as well, which the sentence
    // on host and port covers.
    case libpq::CONNECTION_BAD:
    case libpq::CONNECTION_NEEDED:
    case libpq::CONNECTION_STARTED:
      return ConnectCause::Unreachable;
    case libpq::CONNECTION_SSL_STARTUP:
    case libpq::CONNECTION_GSS_STARTUP:
      return ConnectCause::Certificate;
    default:
      return ConnectCause::General;
  }
}

ConnectCause MySqlCause(unsigned errorNumber) {
  switch (errorNumber) {
    case 1045:  // ER_ACCESS_DENIED_ERROR
    case 1698:  // ER_ACCESS_DENIED_NO_PASSWORD_ERROR
    case 1130:  // ER_HOST_NOT_PRIVILEGED: this client host may not log in
    case 1862:  // ER_MUST_CHANGE_PASSWORD_LOGIN
      return ConnectCause::Credentials;
    case 1044:  // ER_DBACCESS_DENIED_ERROR
    case 1049:  // ER_BAD_DB_ERROR
      return ConnectCause::DatabaseMissing;
    case 2002:  // CR_CONNECTION_ERROR (socket, or TCP in MariaDB's client)
    case 2003:  // CR_CONN_HOST_ERROR
    case 2004:  // CR_IPSOCK_ERROR
    case 2005:  // CR_UNKNOWN_HOST
    case 2013:  // CR_SERVER_LOST, during the handshake
      return ConnectCause::Unreachable;
    case 2026:  // CR_SSL_CONNECTION_ERROR
      return ConnectCause::Certificate;
    case 2059:  // CR_AUTH_PLUGIN_CANNOT_LOAD: a client plugin library
      return ConnectCause::LibraryMissing;
    default:
      return ConnectCause::General;
  }
}

ConnectCause OdbcCause(const std::string& sqlState, long nativeError) {
  // SQL Server's own message numbers come first: the drivers disagree on the
  // SQLSTATE they put beside them (28000 or 42000 for a refused login).
  if (nativeError == 18456 || nativeError == 18452 || nativeError == 18470 ||
      nativeError == 18486 || nativeError == 18487 || nativeError == 18488)
    return ConnectCause::Credentials;
  if (nativeError == 4060) return ConnectCause::DatabaseMissing;
  if (sqlState == "28000") return ConnectCause::Credentials;
  if (sqlState == "IM002" || sqlState == "IM003") return ConnectCause::LibraryMissing;
  // The TLS layer's failures: Microsoft's driver gives them as 08001 with
  // native -1 on Linux, and with the SEC_E_ codes of Schannel (0x8009xxxx)
  // on Windows.
  if (sqlState == "08001" &&
      (nativeError == -1 || (nativeError <= -2146893000 && nativeError >= -2146894000)))
    return ConnectCause::Certificate;
  if (sqlState == "08001" || sqlState == "08S01" || sqlState == "HYT00")
    return ConnectCause::Unreachable;
  return ConnectCause::General;
}

ConnectCause SqlServerCause(const std::exception& e) {
  const auto* odbc = dynamic_cast<const OdbcError*>(&e);
  if (!odbc) return ConnectCause::General;
  // Without a state the failure came from our side of the driver manager;
  // when that cannot be opened, opening it is what failed.
  if (odbc->SqlState().empty() && !odbc::Loadable()) return ConnectCause::LibraryMissing;
  return OdbcCause(odbc->SqlState(), odbc->NativeError());
}

ConnectCause OracleCause(int oraCode) {
  static constexpr std::array<long, 6> credentials = {1017, 1005, 1045, 28000, 28001, 1004};
  static constexpr std::array<long, 3> database = {12514, 12505, 12528};
  static constexpr std::array<long, 9> unreachable = {12154, 12541, 12543, 12545, 12170,
                                                      12537, 12547, 12560, 12535};
  static constexpr std::array<long, 5> certificate = {29024, 29039, 29040, 28860, 29002};
  if (In(oraCode, credentials)) return ConnectCause::Credentials;
  if (In(oraCode, database)) return ConnectCause::DatabaseMissing;
  if (In(oraCode, unreachable)) return ConnectCause::Unreachable;
  if (In(oraCode, certificate)) return ConnectCause::Certificate;
  return ConnectCause::General;
}

ConnectCause OracleCause(const std::exception& e) {
  const auto* ole = dynamic_cast<const EOleException*>(&e);
  if (!ole) return ConnectCause::General;
  if (ole->OraCode() == 0) {
    // No ORA- number: the failure came before Oracle had a say; when the
    // client library (or one of its entry points) cannot be had, that is it.
    try {
      oci::Load();
    } catch (const EOleException&) {
      return ConnectCause::LibraryMissing;
    }
  }
  return OracleCause(ole->OraCode());
}

std::string ConnectFailureText(const ConnectTarget& target, ConnectCause cause,
                               const std::string& clientText) {
  std::string where;
  if (!target.host.empty())
    where += (target.kind == "Oracle" ? "接続文字列「" : "ホスト「") + target.host + "」";
  if (!target.port.empty())
    where += (where.empty() ? "" : "、") + std::string("ポート ") + target.port;
  std::string text =
      target.kind + (where.empty() ? "" : "（" + where + "）") + "に接続できませんでした。";
  const std::string database =
      target.database.empty() ? std::string("指定した") : "「" + target.database + "」という";
  switch (cause) {
    case ConnectCause::Credentials:
      text +=
          "ユーザー名またはパスワードが正しくないか、このユーザーには接続が許されていない"
          "ようです。";
      break;
    case ConnectCause::Unreachable:
      text +=
          "サーバーに届かないか、接続を断られました。ホスト名とポート番号、サーバーが動いて"
          "いるか、ファイアウォールを確かめてください。";
      break;
    case ConnectCause::DatabaseMissing:
      text += (target.kind == "Oracle" ? std::string("サービス名または SID")
                                       : database + "データベース") +
              "が見つからないか、接続する権限がないようです。";
      break;
    case ConnectCause::LibraryMissing:
      text += target.kind +
              " のクライアントライブラリ（ドライバー）が見つからないか、読み込めませんでした。"
              "インストールされているかを確かめてください。";
      break;
    case ConnectCause::Certificate:
      text += "暗号化した接続を確立できませんでした。サーバーの証明書が信頼されていないようです。";
      break;
    case ConnectCause::General:
      text += "原因は下のメッセージをご覧ください。";
      break;
  }
  if (!clientText.empty()) text += "\n\n" + clientText;
  return text;
}

}  // namespace zel
