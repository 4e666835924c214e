#include "app/GridView.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

namespace zel {

QColor FixedCellColour() {
  return QColor(240, 240, 240);
}

TGridModel::TGridModel(TStringGrid& grid, QObject* parent)
    : QAbstractTableModel(parent),
      grid_(grid),
      rows_(std::max(grid.RowCount() - 1, 0)),
      cols_(grid.ColCount()) {
  grid_.SetListener([this](TStringGrid::Change change) { GridChanged(change); });
}

TGridModel::~TGridModel() {
  grid_.SetListener({});
}

int TGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : cols_;
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return QString::fromStdString(grid_.Cell(index.column(), index.row() + 1));
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  return QString::fromStdString(grid_.Cell(section, 0));
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void TGridModel::GridChanged(TStringGrid::Change change) {
  switch (change) {
    case TStringGrid::Change::Cells:
      if (rows_ > 0 && cols_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, cols_ - 1));
      if (cols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, cols_ - 1);
      break;
    case TStringGrid::Change::Shape: {
      const int rows = std::max(grid_.RowCount() - 1, 0);
      const int cols = grid_.ColCount();
      // Rows come and go through insert and remove, so the view keeps the
      // column widths the user chose; only a new column count resets it.
      if (cols == cols_ && rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
      } else if (cols == cols_ && rows < rows_) {
        beginRemoveRows({}, rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
      } else if (cols != cols_) {
        beginResetModel();
        rows_ = rows;
        cols_ = cols;
        endResetModel();
      }
      emit ShapeChanged();
      break;
    }
    case TStringGrid::Change::Visibility:
      emit VisibilityChanged(grid_.Visible());
      break;
  }
}

TGridHeader::TGridHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionResizeMode(QHeaderView::Interactive);
  setSectionsClickable(false);
  setHighlightSections(false);
  setStretchLastSection(false);
  setMinimumSectionSize(0);
  setDefaultAlignment(Qt::AlignCenter);
  setFixedHeight(TGridView::kRowHeight + TGridView::kGridLine);
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  // The fixed row: its own colour, black text centred whatever the column,
  // grid lines on its right and bottom edge.
  painter->save();
  painter->fillRect(rect, FixedCellColour());
  painter->setPen(QColor(160, 160, 160));
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  QFont font = painter->font();
  font.setBold(false);
  painter->setFont(font);
  painter->setPen(Qt::black);
  QRect text = rect.adjusted(2, 1, -TGridView::kGridLine, -TGridView::kGridLine);
  painter->drawText(
      text, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
      model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString());
  painter->restore();
}

TGridView::TGridView(TStringGrid& grid, QWidget* parent)
    : QTableView(parent), model_(new TGridModel(grid, this)) {
  setHorizontalHeader(new TGridHeader(this));
  setModel(model_);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(0);
  verticalHeader()->setDefaultSectionSize(kRowHeight + kGridLine);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  setShowGrid(true);
  setGridStyle(Qt::SolidLine);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  ApplyWidths();
  if (!grid.Visible()) hide();
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    applied_.clear();
    ScheduleFit();
  });
  connect(model_, &TGridModel::ShapeChanged, this, &TGridView::ApplyWidths);
  connect(model_, &TGridModel::ShapeChanged, this, &TGridView::ScheduleFit);
  connect(model_, &QAbstractItemModel::dataChanged, this, &TGridView::ScheduleFit);
  connect(model_, &TGridModel::VisibilityChanged, this, &QWidget::setVisible);
}

void TGridView::ApplyWidths() {
  // Only widths the program changed are applied, so rows arriving do not
  // undo what the user resized.
  TStringGrid& grid = model_->Grid();
  const int cols = model_->columnCount();
  applied_.resize(static_cast<size_t>(cols), kNotApplied);
  for (int c = 0; c < cols; ++c) {
    const int width = grid.ColWidth(c);
    int& last = applied_[static_cast<size_t>(c)];
    if (width == last && isColumnHidden(c) == (width < 0)) continue;
    last = width;
    setColumnHidden(c, width < 0);
    if (width >= 0) setColumnWidth(c, width + kGridLine);
  }
}

void TGridView::ScheduleFit() {
  // A reader writes cell by cell and row by row; measuring once when it is
  // done keeps a long fill linear.
  if (fitPending_) return;
  fitPending_ = true;
  QTimer::singleShot(0, this, [this] {
    fitPending_ = false;
    FitToContents();
  });
}

void TGridView::FitToContents() {
  TStringGrid& grid = model_->Grid();
  QFont cellFont = font();
  cellFont.setBold(false);
  const QFontMetrics cells(cellFont);
  const QFontMetrics header(horizontalHeader()->font());
  // The delegate's 2-pixel inset on the left, as much again on the right.
  constexpr int kPadding = 4 + kGridLine;
  const int cols = model_->columnCount();
  const int rows = model_->rowCount();
  for (int c = 0; c < cols; ++c) {
    const int designed = grid.ColWidth(c);
    if (designed < 0 || isColumnHidden(c)) continue;
    int widest = header.horizontalAdvance(QString::fromStdString(grid.Cell(c, 0)));
    for (int r = 0; r < rows && widest < kMaxFitWidth; ++r)
      widest =
          std::max(widest, cells.horizontalAdvance(QString::fromStdString(grid.Cell(c, r + 1))));
    const int width = std::max(designed, std::min(widest + kPadding, kMaxFitWidth));
    if (width + kGridLine != columnWidth(c)) setColumnWidth(c, width + kGridLine);
  }
}

}  // namespace zel
