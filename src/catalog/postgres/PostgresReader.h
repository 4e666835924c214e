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

  bool Connect() override;                     // ConnectPostgres
  void LoadSchemas(TTreeNode& node) override;  // LoadPostgresSchemas
  void LoadTables(TTreeNode& node) override;   // LoadPostgresTables
  void LoadColumns(TTreeNode& node) override;  // LoadPostgresColumns
  bool Connected() const override;
  void Close() override;
  void PrepareSelection(TTreeNode& node) override;
  bool ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) override;
  bool ReadTableKinds(TTreeNode& schema, TableKinds& out) override;
  bool ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) override;
  void FillColumns(TBrowser& browser, TTreeNode& node, const std::vector<ColumnRow>& rows) override;

  // PQCompoDataBase of the main window.
  TPQCompo& Component() { return *PQCompoDataBase; }

  static ReaderFactory Factory();

  // Sees every statement before it is sent (tests count the FETCHes).
  std::function<void(const std::string&)> OnStatement;

 private:
  void Exec(const std::string& sql);
  // The statements in order; in a bulk session in one message, so that
  // they cost one round trip. The result is the last one's.
  void Send(const std::vector<std::string>& statements);
  // Opens the connection, then sets it up: standard strings, and the raw
  // encoding of a SQL_ASCII database.
  void Reopen();
  // The connection goes to the node's database first (the server node's:
  // none) unless it is there already. An expansion elsewhere moves it, so
  // every statement about a node comes through here.
  void UseDatabaseOf(const TTreeNode& node);
  // BEGIN, then `opening` (a DECLARE and its first FETCH), the body and
  // COMMIT around a cursor read; a failure inside ends the block with
  // ROLLBACK so the connection stays usable, then escapes.
  template <typename Body>
  void InTransaction(const std::vector<std::string>& opening, Body&& body);
  // Takes the result of the FETCH just sent, then runs it again until a
  // batch comes back short.
  template <typename RowAction>
  void ReadBatches(const char* fetch, int batchSize, RowAction&& action);
  // A cursor read in a transaction of its own.
  template <typename RowAction>
  void ReadCursor(const std::string& declare, const char* fetch, int batchSize, RowAction&& action);

  TBrowser& browser_;
  std::unique_ptr<TPQCompo> PQCompoDataBase;
};

}  // namespace zel
