#include "app/ViewTips.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include "app/GridDelegate.h"
#include "app/GridView.h"
#include "app/Images.h"
#include "app/TreeItemModel.h"
#include "catalog/Browser.h"

namespace zel {
namespace {

// The tip a hover at `at` on the view's viewport shows; empty for none.
QString TipAt(QAbstractItemView* view, QPoint at) {
  QToolTip::hideText();
  // The tip goes after a short delay.
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
  QHelpEvent hover(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
  QApplication::sendEvent(view->viewport(), &hover);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

TEST(ViewTips, GridCellsCutShowTheirWholeText) {
  TStringGrid grid;
  SetUpTableListGrid(grid);
  grid.SetRowCount(3);
  const std::string longComment =
      "とても長いコメントが列の幅に収まらずに切れてしまう場合の全文表示";
  grid.SetCell(1, 1, "t");
  grid.SetCell(2, 1, longComment);
  grid.SetCell(1, 2, "short");
  TGridView view(grid);
  view.setItemDelegate(new TGridDelegate(TGridDelegate::Kind::TableList,
                                         {images::GridImage(0), images::GridImage(1)}, &view));
  view.resize(600, 200);
  view.setColumnWidth(2, 60);
  view.show();
  QApplication::processEvents();

  EXPECT_EQ(TipAt(&view, view.visualRect(view.model()->index(0, 2)).center()).toStdString(),
            longComment);
  EXPECT_EQ(TipAt(&view, view.visualRect(view.model()->index(0, 1)).center()), QString())
      << "a text that fits shows no tip";
  // Widened, the same cell shows all of it and no tip.
  view.setColumnWidth(2, 580);
  QApplication::processEvents();
  EXPECT_EQ(TipAt(&view, view.visualRect(view.model()->index(0, 2)).center()), QString());
}

TEST(ViewTips, TreeNodesCutShowTheirWholeText) {
  TTreeModel tree;
  TTreeNode* root = tree.Add(nullptr, "server");
  const std::string longName = "a_table_name_that_is_much_wider_than_the_narrow_tree_on_the_left";
  tree.Add(root, longName);
  tree.Add(root, "t");
  TTreeItemModel model(tree, {});
  QTreeView view;
  view.setHeaderHidden(true);
  view.setModel(&model);
  view.setItemDelegate(new TTreeDelegate(&view));
  view.resize(150, 200);
  view.expandAll();
  view.show();
  QApplication::processEvents();
  const QModelIndex top = model.index(0, 0);
  EXPECT_EQ(TipAt(&view, view.visualRect(model.index(0, 0, top)).center()).toStdString(), longName);
  EXPECT_EQ(TipAt(&view, view.visualRect(model.index(1, 0, top)).center()), QString());
}

}  // namespace
}  // namespace zel
