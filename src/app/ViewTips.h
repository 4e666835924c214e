#pragma once
// Tool tips over the tree and the grids: an item whose text the view paints
// cut (the grids never shorten it with an ellipsis) shows its whole text;
// one that shows in full shows no tip.
#include <QStyledItemDelegate>

class QAbstractItemView;
class QHelpEvent;

namespace zel {

// Shows `text` as the tip when it needs more than `textRect` (as far as the
// view's viewport shows it) is wide; hides any tip otherwise. True when the
// event was a tool-tip event and has been answered.
bool ShowTipWhenCut(QHelpEvent* event, QAbstractItemView* view, const QRect& textRect,
                    const QString& text, const QFont& font);

// The tree's items as the default delegate paints them, with tips only for
// texts that are cut.
class TTreeDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;
};

}  // namespace zel
