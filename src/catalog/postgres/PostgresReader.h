#pragma once
// The PostgreSQL catalog: databases, schemas that hold user tables, tables
// and columns, read through the main window's PostgreSQL component.
#include <functional>
#include <memory>
#include <string>

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

  // PQCompoDataBase of the main window.
  TPQCompo& Component() { return *PQCompoDataBase; }

  static ReaderFactory Factory();

  // Sees every statement before it is sent (tests count the FETCHes).
  std::function<void(const std::string&)> OnStatement;

 private:
  void Exec(const std::string& sql);
  void Reopen();
  // BEGIN ... COMMIT around a cursor read; a failure inside ends the block
  // with ROLLBACK so the connection stays usable, then escapes.
  template <typename Body>
  void InTransaction(Body&& body);
  // Runs the FETCH statement until a batch comes back short.
  template <typename RowAction>
  void ReadBatches(const char* fetch, RowAction&& action);

  TBrowser& browser_;
  std::unique_ptr<TPQCompo> PQCompoDataBase;
};

}  // namespace zel
