#include "common/StringGrid.h"

#include <algorithm>

namespace zel {

namespace {
const std::string kEmpty;
const int kDefaultWidth = 64;
}  // namespace

TStringGrid::TStringGrid(int colCount, int rowCount)
    : colCount_(std::max(colCount, 0)),
      rowCount_(std::max(rowCount, 0)),
      cells_(static_cast<size_t>(rowCount_), std::vector<std::string>(static_cast<size_t>(colCount_))),
      widths_(static_cast<size_t>(colCount_), kDefaultWidth) {}

void TStringGrid::SetRowCount(int rows) {
  rows = std::max(rows, 0);
  if (rows == rowCount_) return;
  rowCount_ = rows;
  cells_.resize(static_cast<size_t>(rows), std::vector<std::string>(static_cast<size_t>(colCount_)));
  Notify(Change::Shape);
}

void TStringGrid::SetColCount(int cols) {
  cols = std::max(cols, 0);
  if (cols == colCount_) return;
  colCount_ = cols;
  for (auto& row : cells_) row.resize(static_cast<size_t>(cols));
  widths_.resize(static_cast<size_t>(cols), kDefaultWidth);
  Notify(Change::Shape);
}

const std::string& TStringGrid::Cell(int col, int row) const {
  if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) return kEmpty;
  return cells_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void TStringGrid::SetCell(int col, int row, std::string text) {
  if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) return;
  auto& cell = cells_[static_cast<size_t>(row)][static_cast<size_t>(col)];
  if (cell == text) return;
  cell = std::move(text);
  Notify(Change::Cells);
}

int TStringGrid::ColWidth(int col) const {
  if (col < 0 || col >= colCount_) return 0;
  return widths_[static_cast<size_t>(col)];
}

void TStringGrid::SetColWidth(int col, int width) {
  if (col < 0 || col >= colCount_) return;
  widths_[static_cast<size_t>(col)] = width;
  Notify(Change::Shape);
}

void TStringGrid::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Notify(Change::Visibility);
}

void TStringGrid::Notify(Change change) {
  if (listener_) listener_(change);
}

}  // namespace zel
