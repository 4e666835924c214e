#pragma once
// Paints the data cells of the two grids the way the design draws them:
// white with black text whether selected or not, the text 2 pixels right and
// 1 down of the cell's corner, aligned per column, never wrapped or shortened;
// in the definition grid a check mark or a key instead of the text "1".
#include <QPixmap>
#include <QStyledItemDelegate>
#include <array>

namespace zel {

class TGridDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  enum class Kind { TableDefinition, TableList };

  // marks: image 0 (check mark) and 1 (key) of the grid image list.
  TGridDelegate(Kind kind, std::array<QPixmap, 2> marks, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  // A cell whose text does not fit shows it whole as a tip.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 private:
  Kind kind_;
  std::array<QPixmap, 2> marks_;
};

}  // namespace zel
