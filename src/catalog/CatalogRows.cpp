#include "catalog/CatalogRows.h"

#include <memory>

#include "catalog/Browser.h"

namespace zel {

int TCatalogRows::Picture(const TBrowser& b, const TTreeNode& node) {
  const int level = node.Level();
  if (!node.Parent() || level == b.FServerLevel) return 0;
  if (level == b.FTableLevel) return 3;
  if (level == b.FSchemaLevel) return 2;
  if (level == b.FDatabaseLevel) return 1;
  return level;
}

TTreeNode& TCatalogRows::Root(const std::string& text) {
  TTreeModel& tree = browser_.TreeView1();
  tree.Clear();
  TTreeNode* root = tree.Add(nullptr, text);
  tree.SetImages(*root, 0, 0);
  return *root;
}

TTreeNode& TCatalogRows::Container(TTreeNode& parent, const std::string& text) {
  TTreeModel& tree = browser_.TreeView1();
  TTreeNode* node = tree.Add(&parent, text);
  const int picture = Picture(browser_, *node);
  tree.SetImages(*node, picture, picture);
  tree.SetHasChildren(*node, true);
  return *node;
}

bool TCatalogRows::Reload(TTreeNode& node, int level) {
  if (node.Level() != level || node.Data()) return false;
  TTreeModel& tree = browser_.TreeView1();
  tree.DeleteChildren(node);
  const int picture = Picture(browser_, node);
  tree.SetImages(node, picture, picture);
  return true;
}

void TCatalogRows::Table(TTreeNode& schema, const TableRow& row, bool withDates) {
  TTreeModel& tree = browser_.TreeView1();
  TStringGrid& grid = browser_.grdTableList();
  const int n = ++tables_;
  auto info = std::make_unique<TableInfo>();
  info->comment = row.comment;
  if (withDates) {
    info->created = row.created;
    info->updated = row.updated;
    info->hasDates = true;
  }
  TTreeNode* child = tree.Add(&schema, row.name);
  tree.SetData(*child, std::move(info));
  const int picture = Picture(browser_, *child);
  tree.SetImages(*child, picture, picture);
  grid.SetRowCount(n + 1);
  grid.SetCell(0, n, std::to_string(n));
  grid.SetCell(1, n, row.name);
  grid.SetCell(2, n, row.comment);
  if (withDates) {
    grid.SetCell(3, n, row.created);
    grid.SetCell(4, n, row.updated);
  }
}

void TCatalogRows::Column(const ColumnRow& row) {
  TStringGrid& grid = browser_.grdTableDefinition();
  const int n = ++columns_;
  grid.SetRowCount(n + 1);
  const std::string* cells[] = {&row.no,    &row.name,    &row.type,       &row.length,
                                &row.scale, &row.notNull, &row.primaryKey, &row.comment};
  for (int c = 0; c < 8; ++c) grid.SetCell(c, n, *cells[c]);
  // Kinds whose grid has lost its ninth column write nothing there.
  if (!row.fullType.empty()) grid.SetCell(8, n, row.fullType);
}

}  // namespace zel
