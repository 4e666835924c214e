#pragma once
// One catalog reader per database kind. The browser picks the reader at
// connect time instead of switching on the kind in every operation; the
// reader writes into the browser's tree, grids and labels.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalog/CatalogRows.h"
#include "catalog/TableFacts.h"
#include "catalog/SchemaRows.h"

namespace zel {

class TBrowser;
class TTreeNode;

// The names a column statement needs, taken from the tree.
struct ColumnTask {
  std::string database, schema, table;
};

class ICatalogReader {
 public:
  virtual ~ICatalogReader() = default;

  // The connect step: fills the root and its first level and sets the
  // version label. Reports its own errors through ShowError and returns
  // false; exceptions that escape count as failure without a message.
  virtual bool Connect() = 0;
  virtual void LoadSchemas(TTreeNode& node) = 0;
  virtual void LoadTables(TTreeNode& node) = 0;
  virtual void LoadColumns(TTreeNode& node) = 0;

  // Kinds whose connection can drop (PostgreSQL) answer from it; the others
  // count as connected while the browser holds their kind.
  virtual bool Connected() const { return true; }
  // Called by Disconnect; closes whatever stays open between operations.
  virtual void Close() {}
  // The browser's bulk session ended: whatever the reader kept open for it
  // (MySQL's one connection) is let go.
  virtual void EndBulkSession() {}
  // Called for an accepted selection before anything else; the PostgreSQL
  // reader reconnects to the node's database here. Exceptions escape.
  virtual void PrepareSelection(TTreeNode& node) { (void)node; }

  // The columns of every table the schema's table statement lists, by one
  // schema-wide statement on the browser's connection, each table's rows
  // exactly as its LoadColumns would read them. False, with nothing read,
  // when the kind reads table by table; a failure raises as LoadColumns's
  // would.
  virtual bool ReadSchemaColumns(TTreeNode& schema, RowsByTable<ColumnRow>& out) {
    (void)schema;
    (void)out;
    return false;
  }
  // The detailed document's facts of every table of the schema, one
  // schema-wide statement per fact; a table without any has no entry. False,
  // with nothing read, when the kind reads none of them. Failures raise.
  virtual bool ReadSchemaFacts(TTreeNode& schema, std::map<std::string, TableFacts>& out) {
    (void)schema;
    (void)out;
    return false;
  }
  // What each table of the schema is (the detailed list's 種別), by one
  // statement. False when the kind cannot tell.
  virtual bool ReadTableKinds(TTreeNode& schema, TableKinds& out) {
    (void)schema;
    (void)out;
    return false;
  }
  // LoadColumns with the rows already read by ReadSchemaColumns: the same
  // grid and side effects as LoadColumns(node), from `rows`.
  // The default puts the rows into the grid; kinds whose LoadColumns does
  // more (the busy cursor, the grid's column count) override it.
  virtual void FillColumns(TBrowser& browser, TTreeNode& node, const std::vector<ColumnRow>& rows);
};

using ReaderFactory = std::function<std::unique_ptr<ICatalogReader>(TBrowser&)>;

// DatabaseKind -> factory.
class ReaderRegistry {
 public:
  void Register(int kind, ReaderFactory factory) { factories_[kind] = std::move(factory); }
  bool Has(int kind) const { return factories_.count(kind) != 0; }
  std::unique_ptr<ICatalogReader> Create(int kind, TBrowser& browser) const;

 private:
  std::map<int, ReaderFactory> factories_;
};

}  // namespace zel
