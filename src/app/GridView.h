#pragma once
// The Qt view of a TStringGrid: a table model whose header is the grid's row
// 0, a header that paints like the grid's fixed row, and a read-only table
// view with whole-row selection and user-resizable columns.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>
#include <vector>

#include "common/StringGrid.h"

namespace zel {

class TGridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TGridModel(TStringGrid& grid, QObject* parent = nullptr);
  ~TGridModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  TStringGrid& Grid() { return grid_; }

 signals:
  void ShapeChanged();
  void VisibilityChanged(bool visible);

 private:
  void GridChanged(TStringGrid::Change change);

  TStringGrid& grid_;
  // The shape the view was last told about; the grid reports changes after
  // they happened.
  int rows_ = 0;
  int cols_ = 0;
};

class TGridHeader : public QHeaderView {
  Q_OBJECT

 public:
  explicit TGridHeader(QWidget* parent = nullptr);

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

class TGridView : public QTableView {
  Q_OBJECT

 public:
  // The grid line that Qt counts into a section and the designed widths do not.
  static constexpr int kGridLine = 1;
  static constexpr int kRowHeight = 20;

  TGridView(TStringGrid& grid, QWidget* parent = nullptr);

  // The widest a column grows to fit its texts; longer texts show cut,
  // with an ellipsis, and whole in their tool tip.
  static constexpr int kMaxFitWidth = 400;

  TGridModel* GridModel() const { return model_; }
  // Column widths from the grid model; a width below 0 hides the column.
  void ApplyWidths();
  // Widens each shown text column to its widest text (header included), up
  // to kMaxFitWidth, never below its designed width. Runs by itself once a
  // fill has ended (the first time the event loop runs after it).
  void FitToContents();

 private:
  void ScheduleFit();

  static constexpr int kNotApplied = -1000;
  TGridModel* model_;
  std::vector<int> applied_;
  bool fitPending_ = false;
};

// The colour of the grid's fixed cells (the header row).
QColor FixedCellColour();

}  // namespace zel
