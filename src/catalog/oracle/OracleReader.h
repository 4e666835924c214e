#pragma once
// The Oracle catalog: all users as owners, their tables and the columns of a
// table, read from the dictionary views through the Oracle client (a
// session, its database and a dynaset per statement).
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "catalog/Reader.h"
#include "db/oracle/OraSession.h"

namespace zel {

class TBrowser;
class TTreeNode;

class TOracleReader : public ICatalogReader {
 public:
  explicit TOracleReader(TBrowser& browser);
  ~TOracleReader() override;

  bool Connect() override;  // ConnectOracle
  // The owners came with the root: ConnectOracle finds the tree filled and
  // does nothing.
  void LoadSchemas(TTreeNode& node) override;
  void LoadTables(TTreeNode& node) override;   // LoadOracleTables
  void LoadColumns(TTreeNode& node) override;  // LoadOracleColumns
  // Releases what the last column read still holds.
  void Close() override;
  bool ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) override;
  // Four statements in one session: defaults, indexes, foreign keys, unique
  // and check constraints. A failure raises with the server's message.
  bool ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) override;
  bool ReadTableKinds(TTreeNode& schema, TableKinds& out) override;
  void FillColumns(TBrowser& browser, TTreeNode& node, const std::vector<ColumnRow>& rows) override;

  static ReaderFactory Factory();

  // The rows of a column statement's dynaset, from its current row on (as
  // many as it holds, or `limit`), with length and scale left empty for the
  // large types.
  static std::vector<ColumnRow> ColumnRows(OraDynaset& dynaset, int limit = -1);
  // "<class> error raised, with message : <message>", as the table and
  // column loaders show a failure.
  static std::string LoadErrorText(const std::exception& e);

  // The objects of the operation under way. Each operation assigns all three
  // anew; the column read leaves them held until then.
  std::unique_ptr<OraSession> FOraSession;
  std::unique_ptr<OraDatabase> FOraDatabase;
  std::unique_ptr<OraDynaset> FOraDynaset;

 private:
  void Open(const std::string& sql);
  void CloseObjects();
  void ShowLoadError(const std::exception& e);
  std::string Field(int index) const;

  TBrowser& browser_;
};

}  // namespace zel
