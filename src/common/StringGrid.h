#pragma once
// A plain string grid: what the readers write and the exports read. The Qt
// view follows it through the change signal.
#include <functional>
#include <string>
#include <vector>

namespace zel {

class TStringGrid {
 public:
  enum class Change { Cells, Shape, Visibility };
  using Listener = std::function<void(Change)>;

  TStringGrid(int colCount = 5, int rowCount = 2);

  int RowCount() const { return rowCount_; }
  int ColCount() const { return colCount_; }
  void SetRowCount(int rows);
  void SetColCount(int cols);

  // Out-of-range reads give the empty text; out-of-range writes are ignored.
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);

  int ColWidth(int col) const;
  void SetColWidth(int col, int width);

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  // Called after every change; one listener (the view) is enough.
  void SetListener(Listener listener) { listener_ = std::move(listener); }

 private:
  void Notify(Change change);

  int colCount_;
  int rowCount_;
  std::vector<std::vector<std::string>> cells_;  // [row][col]
  std::vector<int> widths_;
  bool visible_ = true;
  Listener listener_;
};

}  // namespace zel
