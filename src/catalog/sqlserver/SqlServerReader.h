#pragma once
// The SQL Server catalog: databases, owners of user tables, tables and
// columns, read through the main window's ADO connection and query. No
// connection stays open between operations: each one connects anew.
#include <memory>
#include <string>
#include <vector>

#include "catalog/Reader.h"
#include "db/odbc/AdoClient.h"

namespace zel {

class TBrowser;
class TTreeNode;

class TSqlServerReader : public ICatalogReader {
 public:
  TSqlServerReader(TBrowser& browser, AdoFactory ado);
  ~TSqlServerReader() override;

  bool Connect() override;                     // ConnectSqlServer
  void LoadSchemas(TTreeNode& node) override;  // LoadSqlServerOwners
  void LoadTables(TTreeNode& node) override;   // LoadSqlServerTables
  void LoadColumns(TTreeNode& node) override;  // LoadSqlServerColumns
  void Close() override;
  bool ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) override;
  // Four statements on one connection (defaults, indexes, foreign keys,
  // unique and check constraints). A failure raises.
  bool ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) override;
  // The table statement lists user tables only: each is a テーブル.
  bool ReadTableKinds(TTreeNode& schema, TableKinds& out) override;
  void FillColumns(TBrowser& browser, TTreeNode& node, const std::vector<ColumnRow>& rows) override;

  // The connection values of the logon dialog's SQL Server page, with the
  // database when one is given.
  AdoLogon LogonFor(const std::string& database) const;
  void SetSqlServerConnection(const std::string& database);

  IAdoConnection& ADOConnectionSqlserver() { return *connection_; }

  // The ODBC client; tests give a scripted one.
  static ReaderFactory Factory(AdoFactory ado);
  static ReaderFactory Factory();

 private:
  TBrowser& browser_;
  AdoFactory ado_;
  std::unique_ptr<IAdoConnection> connection_;
};

}  // namespace zel
