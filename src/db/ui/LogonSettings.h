#pragma once
// What the logon dialog keeps in the settings file: sections "lastlogin",
// "oracle", "sqlserver", "postgre" and "mysql". Kept apart from the widgets
// so the load and save rules can be exercised without a dialog.
#include <array>

#include "common/Common.h"
#include "common/LogonValues.h"

namespace zel {

struct LogonFormFields {
  // Tab index 0 Oracle .. 3 Mysql; the dialog comes up on the SQL Server tab
  // as designed when the stored index is out of range.
  int activeTab = 1;
  OracleLogon oracle;
  SqlServerLogon sqlServer;
  PostgresLogon postgres;
  MySqlLogon mySql;
  // "パスワードを保存する" per tab, in tab order.
  std::array<bool, 4> savePassword{};

  // FormCreate: the fields as designed, then everything from the file.
  static LogonFormFields Load(const TdCommon& common);
  // FormClose: everything back to the file; a password only where its box is
  // ticked, scrambled, otherwise an empty value.
  void Save(const TdCommon& common) const;

  // The values the main window takes after OK.
  LogonValues Values(int kind) const;
};

}  // namespace zel
