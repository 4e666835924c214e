#include "app/ViewTips.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QStyle>
#include <QToolTip>

namespace zel {

bool ShowTipWhenCut(QHelpEvent* event, QAbstractItemView* view, const QRect& textRect,
                    const QString& text, const QFont& font) {
  if (!event || event->type() != QEvent::ToolTip) return false;
  const QRect shown = textRect.intersected(view->viewport()->rect());
  const int needed = QFontMetrics(font).horizontalAdvance(text);
  if (!text.isEmpty() && needed > shown.width()) {
    QToolTip::showText(event->globalPos(), text, view->viewport(), shown);
  } else {
    QToolTip::hideText();
    event->ignore();
  }
  return true;
}

bool TTreeDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (!event || event->type() != QEvent::ToolTip || !view)
    return QStyledItemDelegate::helpEvent(event, view, option, index);
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  QStyle* style = view->style() ? view->style() : QApplication::style();
  QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, view);
  // The style keeps a margin on both sides of the text it paints.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
  textRect.adjust(margin, 0, -margin, 0);
  return ShowTipWhenCut(event, view, textRect, opt.text, opt.font);
}

}  // namespace zel
