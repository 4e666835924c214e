#include "catalog/Browser.h"

namespace zel {

void SetUpTableDefinitionGrid(TStringGrid& grid) {
  static const char* headers[] = {"No.", "列名", "型", "長さ", "小数", "必須", "主ｷｰ", "コメント", ""};
  static const int widths[] = {40, 80, 80, 40, 40, 40, 40, 200, -1};
  grid.SetColCount(9);
  grid.SetRowCount(2);
  for (int c = 0; c < 9; ++c) {
    grid.SetCell(c, 0, headers[c]);
    grid.SetColWidth(c, widths[c]);
  }
}

void SetUpTableListGrid(TStringGrid& grid) {
  static const char* headers[] = {"No", "テーブル名", "コメント", "作成日", "更新日"};
  static const int widths[] = {40, 100, 250, 80, 80};
  grid.SetColCount(5);
  grid.SetRowCount(2);
  for (int c = 0; c < 5; ++c) {
    grid.SetCell(c, 0, headers[c]);
    grid.SetColWidth(c, widths[c]);
  }
}

CellAlign TableDefinitionAlign(int col) {
  switch (col) {
    case 0:
    case 5:
    case 6:
      return CellAlign::Center;
    case 3:
    case 4:
      return CellAlign::Right;
    default:
      return CellAlign::Left;
  }
}

CellAlign TableListAlign(int col) {
  return (col == 0 || col == 3 || col == 4) ? CellAlign::Center : CellAlign::Left;
}

bool IsMarkColumn(int col) { return col == 5 || col == 6; }

}  // namespace zel
