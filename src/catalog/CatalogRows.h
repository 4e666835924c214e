#pragma once
// What the catalog readers deliver, and the one place that puts it into the
// browser's tree and grids. Rows go in one at a time, so whatever a reader
// delivered before a failure stays in the tree and the grids.
#include <string>

namespace zel {

class TBrowser;
class TTreeNode;

// One line of the table list.
struct TableRow {
  std::string name, comment, created, updated;
};

// One line of the definition grid. fullType is the column type as the MySQL
// catalog spells it, kept in the grid's hidden ninth column; empty elsewhere.
struct ColumnRow {
  std::string no, name, type, length, scale, notNull, primaryKey, comment, fullType;
};

class TCatalogRows {
 public:
  explicit TCatalogRows(TBrowser& browser) : browser_(browser) {}

  // The connect step's root: the tree is emptied first.
  TTreeNode& Root(const std::string& text);
  // A database, owner or schema node: the picture of what it is, shown
  // with an expand button before its children are read.
  TTreeNode& Container(TTreeNode& parent, const std::string& text);
  // The start of a loader for `node`: true when the node stands at `level`
  // and carries no data, after its children are deleted and its picture set
  // again; false, with nothing changed, for any other node.
  bool Reload(TTreeNode& node, int level);

  // The next table below `schema` and the matching row of the list grid.
  // withDates: the kind reads created and updated dates (PostgreSQL has
  // none, and its tables keep only their comment).
  void Table(TTreeNode& schema, const TableRow& row, bool withDates = true);
  // The next row of the definition grid.
  void Column(const ColumnRow& row);

  int Tables() const { return tables_; }
  int Columns() const { return columns_; }

  // The picture of a node by what it is, whatever level that stands at for
  // its kind: 0 server (and every root: the host connected to), 1 database,
  // 2 owner or schema, 3 table. Taking the level itself as the picture put
  // the schema picture on MySQL's and Oracle's tables, whose levels start
  // one lower.
  static int Picture(const TBrowser& browser, const TTreeNode& node);

 private:
  TBrowser& browser_;
  int tables_ = 0;
  int columns_ = 0;
};

}  // namespace zel
