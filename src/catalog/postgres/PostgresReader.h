#pragma once
// The PostgreSQL catalog: databases, schemas that hold user tables, tables
// and columns, read through the main window's PostgreSQL component.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/Reader.h"
#include "db/postgres/PQCompo.h"

namespace zel {

class TBrowser;
class TTreeNode;

class TPostgresReader : public ICatalogReader {
 public:
  explicit TPostgresReader(TBrowser& browser);
  ~TPostgresReader() override;

  bool Connect() override;  // ConnectPostgres
  void LoadSchemas(TTreeNode& node) override;  // LoadPostgresSchemas
  void LoadTables(TTreeNode& node) override;   // LoadPostgresTables
  void LoadColumns(TTreeNode& node) override;  // LoadPostgresColumns
  bool Connected() const override;
  void Close() override;
  void PrepareSelection(TTreeNode& node) override;
  bool ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) override;
  bool ReadTableKinds(TTreeNode& schema, TableKinds& out) override;
  bool ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) override;
  void FillColumns(TBrowser& browser, TTreeNode& node,
                   const std::vector<ColumnRow>& rows) override;

  // What every connection does after opening: standard strings, and the raw
  // encoding of a SQL_ASCII database. `exec` sends one statement.
  static void SetUpSession(TPQCompo& pq, const std::function<void(const std::string&)>& exec);
  // The column statement of one table and its rows, as LoadColumns reads them.
  static std::vector<ColumnRow> ReadColumns(TPQCompo& pq, const std::string& versionLabel,
                                            const ColumnTask& task,
                                            const std::function<void(const std::string&)>& exec);

  // PQCompoDataBase of the main window.
  TPQCompo& Component() { return *PQCompoDataBase; }

  static ReaderFactory Factory();

  // Sees every statement before it is sent (tests count the FETCHes).
  std::function<void(const std::string&)> OnStatement;

 private:
  void Exec(const std::string& sql);
  void Reopen();
  // The connection goes to the node's database first (the server node's:
  // none) unless it is there already. An expansion elsewhere moves it, so
  // every statement about a node comes through here.
  void UseDatabaseOf(const TTreeNode& node);
  // BEGIN ... COMMIT around a cursor read; a failure inside ends the block
  // with ROLLBACK so the connection stays usable, then escapes.
  template <typename Body>
  void InTransaction(Body&& body);
  // Runs the FETCH statement until a batch comes back short.
  template <typename RowAction>
  void ReadBatches(const char* fetch, int batchSize, RowAction&& action);

  TBrowser& browser_;
  std::unique_ptr<TPQCompo> PQCompoDataBase;
};

}  // namespace zel
