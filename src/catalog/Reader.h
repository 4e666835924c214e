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

namespace zel {

class TBrowser;
class TTreeNode;

// The names a column statement needs, taken from the tree on the main
// thread so that a worker never touches the tree.
struct ColumnTask {
  std::string database, schema, table;
};

// Runs one kind's column statement, exactly as its LoadColumns would, on a
// connection of its own. Made on the main thread, then used and destroyed
// on one worker thread; it connects on first use and closes when destroyed.
class IColumnReader {
 public:
  virtual ~IColumnReader() = default;
  // The rows LoadColumns would hand over, in order. A failure raises.
  virtual std::vector<ColumnRow> Read(const ColumnTask& task) = 0;
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
  // Called for an accepted selection before anything else; the PostgreSQL
  // reader reconnects to the node's database here. Exceptions escape.
  virtual void PrepareSelection(TTreeNode& node) { (void)node; }

  // Exports read the columns of a schema's tables ahead on extra
  // connections. Null when the kind cannot (the export then reads serially).
  virtual std::unique_ptr<IColumnReader> NewColumnReader() { return nullptr; }
  // LoadColumns with the statement already run by a column reader: the same
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
