#include "app/GridView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QToolTip>

#include "app/GridDelegate.h"
#include "app/Images.h"
#include "catalog/Browser.h"

namespace zel {
namespace {

bool IsWhite(QRgb p) {
  return qRed(p) == 255 && qGreen(p) == 255 && qBlue(p) == 255;
}
bool IsInk(QRgb p) {
  return qGray(p) < 140;
}

// A definition grid shown in a view of its own, drawn into an image.
class GridViewTest : public ::testing::Test {
 protected:
  GridViewTest() {
    SetUpTableDefinitionGrid(grid);
    grid.SetRowCount(4);
    const char* rows[3][8] = {{"1", "id", "integer", "12", "0", "1", "1", "key column"},
                              {"2", "name", "varchar", "40", "", "2", "", "x"},
                              {"3", "rate", "numeric", "5", "2", "", "yes", ""}};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 8; ++c) grid.SetCell(c, r + 1, rows[r][c]);
    grid.SetCell(8, 1, "int(11) unsigned");
    view = std::make_unique<TGridView>(grid);
    view->setItemDelegate(new TGridDelegate(TGridDelegate::Kind::TableDefinition,
                                            {images::GridImage(0), images::GridImage(1)},
                                            view.get()));
    view->resize(700, 200);
    view->show();
    QApplication::processEvents();
  }

  QImage Shot() {
    QApplication::processEvents();
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  QRect Cell(int col, int row) const {
    return view->visualRect(view->model()->index(row - 1, col));
  }
  // The picture as the delegate must have drawn it: the image on white.
  static QImage OnWhite(const QPixmap& pixmap) {
    QImage out(pixmap.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawPixmap(0, 0, pixmap);
    return out;
  }
  // Columns of the cell that hold ink.
  std::pair<int, int> InkSpan(const QImage& shot, const QRect& r) const {
    int first = -1, last = -1;
    for (int x = r.left(); x <= r.right(); ++x)
      for (int y = r.top(); y <= r.bottom(); ++y)
        if (IsInk(shot.pixel(x, y))) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return {first, last};
  }

  TStringGrid grid{9, 2};
  std::unique_ptr<TGridView> view;
};

TEST_F(GridViewTest, ShapeComesFromTheGridModel) {
  EXPECT_EQ(view->model()->rowCount(), 3) << "row 0 of the grid is the header";
  EXPECT_EQ(view->model()->columnCount(), 9);
  EXPECT_EQ(view->model()->headerData(6, Qt::Horizontal).toString(), "主ｷｰ");
  EXPECT_TRUE(view->isColumnHidden(8)) << "the ninth column is never shown";
  EXPECT_EQ(Cell(0, 1).width(), 40);
  EXPECT_EQ(Cell(7, 1).width(), 200);
  EXPECT_EQ(Cell(0, 1).height(), 20);
  EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);

  // A reader appending rows keeps the widths the user chose.
  view->setColumnWidth(1, 150);
  grid.SetRowCount(6);
  grid.SetCell(1, 5, "later");
  EXPECT_EQ(view->model()->rowCount(), 5);
  EXPECT_EQ(view->columnWidth(1), 150);
  TdCommon::ClearGrid(grid, 2);
  EXPECT_EQ(view->model()->rowCount(), 1);
  EXPECT_EQ(view->model()->index(0, 1).data().toString(), "");
  EXPECT_EQ(view->columnWidth(1), 150);

  // Eight columns from then on: the hidden one is gone.
  grid.SetColCount(8);
  EXPECT_EQ(view->model()->columnCount(), 8);
  EXPECT_EQ(Cell(7, 1).width(), 200);

  grid.SetVisible(false);
  EXPECT_FALSE(view->isVisible());
  grid.SetVisible(true);
  EXPECT_TRUE(view->isVisible());
}

TEST_F(GridViewTest, MarksArePicturesCentredAndOtherTextsNothing) {
  view->selectRow(0);  // selected rows look like every other row
  QImage shot = Shot();
  for (int col : {5, 6}) {
    const QRect r = Cell(col, 1);
    const QImage expected = OnWhite(images::GridImage(col == 5 ? 0 : 1));
    const int left = r.left() + (r.width() - 16) / 2;  // 40 - 16 = 24: no rounding needed
    const int top = r.top() + (r.height() - 16) / 2;
    EXPECT_EQ(shot.copy(left, top, 16, 16), expected) << "column " << col;
    // Nothing but the picture and white in the cell.
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) {
        if (x >= left && x < left + 16 && y >= top && y < top + 16) continue;
        ASSERT_TRUE(IsWhite(shot.pixel(x, y))) << col << ":" << x << "," << y;
      }
    }
  }
  // "2", empty and "yes" in the mark columns draw nothing at all.
  for (auto [col, row] : {std::pair{5, 2}, {6, 2}, {5, 3}, {6, 3}}) {
    const QRect r = Cell(col, row);
    for (int y = r.top(); y <= r.bottom(); ++y)
      for (int x = r.left(); x <= r.right(); ++x)
        ASSERT_TRUE(IsWhite(shot.pixel(x, y))) << col << "/" << row << " at " << x << "," << y;
  }
}

TEST_F(GridViewTest, SelectedRowsStayWhiteAndTextIsAlignedPerColumn) {
  view->selectRow(0);
  view->selectRow(1);
  ASSERT_TRUE(view->selectionModel()->isRowSelected(1, {}));
  QImage shot = Shot();
  for (int row : {1, 2}) {
    for (int col : {1, 3, 7}) {
      const QRect r = Cell(col, row);
      // The right-hand end of a left-aligned cell and the top line are background.
      EXPECT_TRUE(IsWhite(shot.pixel(r.right() - 1, r.top())));
      EXPECT_TRUE(IsWhite(shot.pixel(r.left(), r.bottom())));
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
          QRgb p = shot.pixel(x, y);
          // Text is black on white: anti-aliasing gives greys, never colour.
          ASSERT_LE(std::abs(qRed(p) - qBlue(p)), 40) << x << "," << y;
        }
    }
  }

  // Length "12" and scale "0" hug the right edge; the name starts 2 px in.
  const QRect length = Cell(3, 1);
  auto [lFirst, lLast] = InkSpan(shot, length);
  ASSERT_GE(lFirst, 0);
  EXPECT_GT(lFirst, length.center().x());
  EXPECT_GE(lLast, length.right() - 3);
  const QRect name = Cell(1, 1);
  auto [nFirst, nLast] = InkSpan(shot, name);
  ASSERT_GE(nFirst, 0);
  EXPECT_GE(nFirst, name.left() + 2);
  EXPECT_LE(nFirst, name.left() + 4);
  // "No." is centred.
  const QRect no = Cell(0, 1);
  auto [cFirst, cLast] = InkSpan(shot, no);
  ASSERT_GE(cFirst, 0);
  EXPECT_NEAR((cFirst + cLast) / 2.0, no.left() + 2 + (no.width() - 2) / 2.0, 2.5);
  // No word wrap and no ellipsis: a long comment is cut at the cell edge.
  grid.SetCell(7, 1, std::string(80, 'W'));
  shot = Shot();
  const QRect comment = Cell(7, 1);
  auto [wFirst, wLast] = InkSpan(shot, comment);
  EXPECT_GE(wLast, comment.right() - 2) << "text runs to the edge";
  int inkRows = 0;
  for (int y = comment.top(); y <= comment.bottom(); ++y)
    if (IsInk(shot.pixel(comment.center().x(), y))) ++inkRows;
  EXPECT_LE(inkRows, 14) << "one line only";
}

TEST_F(GridViewTest, ListGridCentresNumbersAndDates) {
  TStringGrid list;
  SetUpTableListGrid(list);
  list.SetCell(0, 1, "1");
  list.SetCell(1, 1, "customer");
  list.SetCell(3, 1, "2008/04/10");
  TGridView listView(list);
  listView.setItemDelegate(new TGridDelegate(
      TGridDelegate::Kind::TableList, {images::GridImage(0), images::GridImage(1)}, &listView));
  listView.resize(600, 100);
  listView.show();
  QApplication::processEvents();
  QImage shot = listView.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect date = listView.visualRect(listView.model()->index(0, 3));
  auto [first, last] = InkSpan(shot, date);
  ASSERT_GE(first, 0);
  const double middle = date.left() + 2 + (date.width() - 2) / 2.0;
  EXPECT_NEAR((first + last) / 2.0, middle, 2.5);
  EXPECT_EQ(listView.model()->headerData(1, Qt::Horizontal).toString(), "テーブル名");
  EXPECT_EQ(date.width(), 80);
}

}  // namespace
}  // namespace zel

namespace zel {
namespace {

// A list grid filled while its view shows, as a reader fills it: the
// columns grow to their texts once the fill is over, up to a limit; a text
// still too long ends in an ellipsis and shows whole in its tip.
TEST(GridFit, ColumnsGrowToTheirTextsAndCutTextsShowAnEllipsis) {
  TStringGrid grid;
  SetUpTableListGrid(grid);
  TGridView view(grid);
  auto* delegate = new TGridDelegate(TGridDelegate::Kind::TableList,
                                     {images::GridImage(0), images::GridImage(1)}, &view);
  view.setItemDelegate(delegate);
  view.resize(1200, 300);
  view.show();
  QApplication::processEvents();
  const int designedName = view.columnWidth(1);

  const QString name = QStringLiteral("customer_order_history_archive_2024");
  const QString comment = QString(QStringLiteral("受注履歴の保管用テーブル。")).repeated(12);
  grid.SetRowCount(3);
  grid.SetCell(0, 1, "1");
  grid.SetCell(1, 1, name.toStdString());
  grid.SetCell(2, 1, comment.toStdString());
  grid.SetCell(0, 2, "2");
  grid.SetCell(1, 2, "t");
  EXPECT_EQ(view.columnWidth(1), designedName) << "measured once the fill is over, not per cell";
  QApplication::processEvents();

  QFont font = view.font();
  font.setBold(false);
  const QFontMetrics fm(font);
  EXPECT_GT(view.columnWidth(1), designedName);
  EXPECT_GE(view.columnWidth(1) - 2 - TGridView::kGridLine, fm.horizontalAdvance(name))
      << "the whole name shows";
  EXPECT_EQ(view.columnWidth(2), TGridView::kMaxFitWidth + TGridView::kGridLine);
  EXPECT_EQ(view.columnWidth(0), 40 + TGridView::kGridLine) << "short texts keep the design";

  // The cut comment as painted against the same text ended by an ellipsis.
  const QRect cell = view.visualRect(view.model()->index(0, 2));
  const QImage shot = view.viewport()->grab(cell).toImage().convertToFormat(QImage::Format_RGB32);
  QImage expected(shot.size(), QImage::Format_RGB32);
  expected.setDevicePixelRatio(shot.devicePixelRatio());
  expected.fill(Qt::white);
  {
    QPainter p(&expected);
    p.setFont(font);
    p.setPen(Qt::black);
    const QRect box = QRect(QPoint(0, 0), cell.size()).adjusted(2, 1, 0, 0);
    const QString shown = fm.elidedText(comment, Qt::ElideRight, box.width());
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, shown);
  }
  EXPECT_EQ(shot, expected);

  // The tip still gives all of it, for a hover over the cell.
  QHelpEvent hover(QEvent::ToolTip, cell.center(), view.viewport()->mapToGlobal(cell.center()));
  QApplication::sendEvent(view.viewport(), &hover);
  EXPECT_EQ(QToolTip::text(), comment);
  QToolTip::hideText();
}

}  // namespace
}  // namespace zel
