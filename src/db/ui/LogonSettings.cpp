#include "db/ui/LogonSettings.h"

namespace zel {
namespace {

constexpr int kTabCount = 4;

struct Io {
  const TdCommon& common;
  std::string Read(std::string_view section, std::string_view key) const {
    return common.ReadSetting(TdCommon::SettingsFileName(), section, key);
  }
  void Write(std::string_view section, std::string_view key, std::string_view value) const {
    common.WriteSetting(TdCommon::SettingsFileName(), section, key, value);
  }
  // User name, host and password of one section; the box follows the password.
  template <typename Logon>
  void LoadCommon(std::string_view section, Logon& logon, bool& save) const {
    logon.userName = Read(section, "username");
    logon.host = Read(section, "host");
    logon.password = TdCommon::UnscramblePassword(Read(section, "password"));
    save = !logon.password.empty();
  }
  void WritePassword(std::string_view section, const std::string& password, bool save) const {
    Write(section, "password", save ? TdCommon::ScramblePassword(password) : std::string());
  }
};

std::string OrDefault(std::string value, const char* fallback) {
  return value.empty() ? std::string(fallback) : value;
}

}  // namespace

LogonFormFields LogonFormFields::Load(const TdCommon& common) {
  Io io{common};
  LogonFormFields f;
  int tab = TdCommon::StrToIntOrZero(io.Read("lastlogin", "dbtype"));
  if (tab >= 0 && tab < kTabCount) f.activeTab = tab;

  io.LoadCommon("oracle", f.oracle, f.savePassword[0]);

  io.LoadCommon("sqlserver", f.sqlServer, f.savePassword[1]);
  int auth = TdCommon::StrToIntOrZero(io.Read("sqlserver", "authentication"));
  f.sqlServer.authentication = (auth == 0 || auth == 1) ? auth : 0;

  io.LoadCommon("postgre", f.postgres, f.savePassword[2]);
  f.postgres.port = OrDefault(io.Read("postgre", "port"), "5432");
  f.postgres.databaseName = OrDefault(io.Read("postgre", "databasename"), "postgres");

  io.LoadCommon("mysql", f.mySql, f.savePassword[3]);
  f.mySql.port = OrDefault(io.Read("mysql", "port"), "3306");
  return f;
}

void LogonFormFields::Save(const TdCommon& common) const {
  Io io{common};
  io.Write("lastlogin", "dbtype", std::to_string(activeTab));

  io.Write("oracle", "username", oracle.userName);
  io.Write("oracle", "host", oracle.host);
  io.WritePassword("oracle", oracle.password, savePassword[0]);

  io.Write("sqlserver", "username", sqlServer.userName);
  io.Write("sqlserver", "host", sqlServer.host);
  io.Write("sqlserver", "authentication", std::to_string(sqlServer.authentication));
  io.WritePassword("sqlserver", sqlServer.password, savePassword[1]);

  io.Write("postgre", "username", postgres.userName);
  io.Write("postgre", "host", postgres.host);
  io.Write("postgre", "port", postgres.port);
  io.Write("postgre", "databasename", postgres.databaseName);
  io.WritePassword("postgre", postgres.password, savePassword[2]);

  io.Write("mysql", "username", mySql.userName);
  io.Write("mysql", "host", mySql.host);
  io.Write("mysql", "port", mySql.port);
  io.WritePassword("mysql", mySql.password, savePassword[3]);
}

LogonValues LogonFormFields::Values(int kind) const {
  LogonValues v;
  v.kind = kind;
  v.oracle = oracle;
  v.sqlServer = sqlServer;
  v.postgres = postgres;
  v.mySql = mySql;
  return v;
}

}  // namespace zel
