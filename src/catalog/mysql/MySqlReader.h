#pragma once
// The MySQL and MariaDB catalog: schemas, tables and columns from
// information_schema, each statement on a new TMySQL5 with a connection of
// its own; no connection stays open between operations. In the browser's
// bulk session the statements share one connection instead, kept until the
// session ends: at a distant server each logon costs several round trips.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/Reader.h"

namespace zel {

class TBrowser;
class TTreeNode;
class TMySQL5;

// What every connection of the reader is opened with.
struct MySqlConnectionValues {
  std::string host, user, password;
  int port = 0;
};

class TMySqlReader : public ICatalogReader {
 public:
  explicit TMySqlReader(TBrowser& browser);

  bool Connect() override;                     // ConnectMySql
  void LoadSchemas(TTreeNode& node) override;  // read with the root at connect
  void LoadTables(TTreeNode& node) override;   // LoadMySqlTables
  void LoadColumns(TTreeNode& node) override;  // LoadMySqlColumns
  bool ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) override;
  bool ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) override;
  bool ReadTableKinds(TTreeNode& schema, TableKinds& out) override;
  void EndBulkSession() override { held_.reset(); }
  void FillColumns(TBrowser& browser, TTreeNode& node, const std::vector<ColumnRow>& rows) override;

  // The column statement of one table on `c`, and its rows.
  static std::vector<ColumnRow> ReadColumns(TMySQL5& c, const ColumnTask& task);

  static ReaderFactory Factory();

 private:
  // The browser's copied values; false (after ShowError) when the port is
  // not a whole number a server can listen on.
  bool Values(MySqlConnectionValues& out) const;
  // Values(), raising when the port is wrong (the loaders catch nothing).
  MySqlConnectionValues ValuesOrRaise() const;
  // The component for the next statement: a new one, or in a bulk session
  // the session's, opened at its first statement.
  std::shared_ptr<TMySQL5> Component(const MySqlConnectionValues& values);

  TBrowser& browser_;
  std::shared_ptr<TMySQL5> held_;
};

// A new component, connected with `values` (the design's "new component").
std::unique_ptr<TMySQL5> NewMySqlComponent(const MySqlConnectionValues& values);

}  // namespace zel
