#pragma once
// A catalog reader double for the kinds whose servers cannot run here and
// for tests of the browser itself: it serves a catalog held in memory and
// fills the tree and grids the way the real readers do.
#include <stdexcept>
#include <string>
#include <vector>

#include "catalog/Browser.h"

namespace zel::test {

struct FakeColumn {
  std::string no, name, type, length, scale, notNull, primaryKey, comment;
};
struct FakeTable {
  std::string name, comment, created, updated;
  std::vector<FakeColumn> columns;
  // What the detailed document shows beyond the columns, and the list's 種別.
  TableFacts facts{};
  std::string kind{};
};
struct FakeSchema {
  std::string name;
  std::vector<FakeTable> tables;
};
struct FakeDatabase {
  std::string name;
  std::vector<FakeSchema> schemas;
};
struct FakeCatalog {
  std::string root = "dbhost";
  std::string version = "FakeSQL 1.0";
  // SQL Server and PostgreSQL: databases -> schemas. Oracle and MySQL use
  // only the first database's schemas (the host is the database level).
  std::vector<FakeDatabase> databases;
};

class ScriptedReader : public ICatalogReader {
 public:
  ScriptedReader(TBrowser& browser, FakeCatalog& catalog) : browser_(browser), catalog_(catalog) {}

  bool Connect() override;
  void LoadSchemas(TTreeNode& node) override;
  void LoadTables(TTreeNode& node) override;
  void LoadColumns(TTreeNode& node) override;
  bool Connected() const override { return connected; }
  void Close() override {
    connected = false;
    ++closes;
  }
  void PrepareSelection(TTreeNode& node) override;
  // The facts and kinds of every table of the schema at once, as the real
  // readers' schema-wide statements give them; counted.
  bool ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) override;
  bool ReadTableKinds(TTreeNode& schema, TableKinds& out) override;

  // Behaviour knobs.
  bool failConnect = false;       // reports through ShowError and returns false
  bool throwOnConnect = false;    // an exception escapes the connect step
  bool throwOnLoad = false;       // loaders throw after adding half of the rows
  bool failReconnect = false;     // PostgreSQL-style reconnect fails
  bool connected = false;
  std::string currentDatabase;    // PostgreSQL-style connection target
  int closes = 0, reconnects = 0, tableLoads = 0, columnLoads = 0;
  bool givesFacts = true;  // false: a kind that reads no facts or kinds
  int factReads = 0, kindReads = 0;

  static ReaderFactory Factory(FakeCatalog& catalog, ScriptedReader** last = nullptr);

 private:
  const FakeSchema* FindSchema(const TTreeNode& schemaNode) const;
  bool HostIsDatabase() const;
  bool Reconnects() const;

  TBrowser& browser_;
  FakeCatalog& catalog_;
};

// A small catalog: two databases, schemas with and without tables, a table
// with 3 columns, dates on tables.
FakeCatalog SampleCatalog();

}  // namespace zel::test
