#include "app/GridDelegate.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

#include "app/ViewTips.h"
#include "catalog/Browser.h"

namespace zel {
namespace {

Qt::Alignment ToQt(CellAlign align) {
  switch (align) {
    case CellAlign::Center:
      return Qt::AlignHCenter;
    case CellAlign::Right:
      return Qt::AlignRight;
    case CellAlign::Left:
      break;
  }
  return Qt::AlignLeft;
}

// Half a pixel goes to the even neighbour, as the design's rounding does.
int RoundHalfEven(double value) {
  return static_cast<int>(std::nearbyint(value));
}

}  // namespace

TGridDelegate::TGridDelegate(Kind kind, std::array<QPixmap, 2> marks, QObject* parent)
    : QStyledItemDelegate(parent), kind_(kind), marks_(std::move(marks)) {}

void TGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
  const int col = index.column();
  const QString text = index.data(Qt::DisplayRole).toString();
  const QRect r = option.rect;

  painter->save();
  painter->setClipRect(r);
  painter->fillRect(r, Qt::white);

  if (kind_ == Kind::TableDefinition && IsMarkColumn(col)) {
    if (text == QLatin1String("1")) {
      const QPixmap& image = marks_[col == 5 ? 0 : 1];
      const QSize size = image.deviceIndependentSize().toSize();
      const int left = r.left() + RoundHalfEven((r.width() - size.width()) / 2.0);
      const int top = r.top() + RoundHalfEven((r.height() - size.height()) / 2.0);
      painter->drawPixmap(left, top, image);
    }
    painter->restore();
    return;
  }

  const CellAlign align =
      kind_ == Kind::TableDefinition ? TableDefinitionAlign(col) : TableListAlign(col);
  QFont font = option.font;
  font.setBold(false);
  painter->setFont(font);
  painter->setPen(Qt::black);
  // A text cut by its column ends in an ellipsis, so it does not pass for a
  // whole one ("timestamp wit"); its tool tip shows all of it.
  const QRect box = r.adjusted(2, 1, 0, 0);
  const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, box.width());
  painter->drawText(box, ToQt(align) | Qt::AlignTop | Qt::TextSingleLine, shown);
  painter->restore();
}

bool TGridDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
  const int col = index.column();
  if (kind_ == Kind::TableDefinition && IsMarkColumn(col)) return true;  // pictures, no text
  QFont font = option.font;
  font.setBold(false);
  // As paint places the text.
  return ShowTipWhenCut(event, view, option.rect.adjusted(2, 1, 0, 0),
                        index.data(Qt::DisplayRole).toString(), font);
}

}  // namespace zel
