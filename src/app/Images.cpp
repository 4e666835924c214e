#include "app/Images.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace zel::images {
namespace {

using Draw = std::function<void(QPainter&)>;

// Every picture is drawn on a 32-unit canvas and scaled to its size, so the
// 16-pixel tree pictures and the 32-pixel tool-bar pictures share shapes.
QPixmap Render(int size, const Draw& draw) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  draw(p);
  p.end();
  return QPixmap::fromImage(image);
}

const QColor kOutline(40, 40, 40);

void Cylinder(QPainter& p, QRectF r, QColor body) {
  const qreal cap = r.height() * 0.28;
  QLinearGradient g(r.left(), 0, r.right(), 0);
  g.setColorAt(0, body.darker(130));
  g.setColorAt(0.4, body.lighter(135));
  g.setColorAt(1, body.darker(150));
  QPainterPath path;
  path.moveTo(r.left(), r.top() + cap / 2);
  path.lineTo(r.left(), r.bottom() - cap / 2);
  path.arcTo(QRectF(r.left(), r.bottom() - cap, r.width(), cap), 180, 180);
  path.lineTo(r.right(), r.top() + cap / 2);
  path.arcTo(QRectF(r.left(), r.top(), r.width(), cap), 0, 180);
  p.setPen(QPen(kOutline, 1.2));
  p.setBrush(g);
  p.drawPath(path);
  p.setBrush(body.lighter(160));
  p.drawEllipse(QRectF(r.left(), r.top(), r.width(), cap));
  // The rings that make a cylinder read as a database.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(body.darker(170), 1));
  for (qreal y : {r.top() + r.height() * 0.42, r.top() + r.height() * 0.68})
    p.drawArc(QRectF(r.left(), y - cap / 2, r.width(), cap), 180 * 16, 180 * 16);
}

void Badge(QPainter& p, QColor colour, bool plus) {
  p.setPen(QPen(Qt::white, 1.5));
  p.setBrush(colour);
  p.drawEllipse(QRectF(17, 17, 14, 14));
  p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
  if (plus) {
    p.drawLine(QPointF(24, 20), QPointF(24, 28));
    p.drawLine(QPointF(20, 24), QPointF(28, 24));
  } else {
    p.drawLine(QPointF(21, 21), QPointF(27, 27));
    p.drawLine(QPointF(27, 21), QPointF(21, 27));
  }
}

// A worksheet: white page, green title bar, grid lines.
void Sheet(QPainter& p, QRectF r, int rows, int cols) {
  p.setPen(QPen(kOutline, 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
  p.setBrush(QColor(33, 115, 70));
  p.drawRect(QRectF(r.left(), r.top(), r.width(), r.height() / (rows + 1)));
  p.setPen(QPen(QColor(150, 170, 160), 0.8));
  const qreal rowH = r.height() / (rows + 1);
  for (int i = 2; i <= rows; ++i)
    p.drawLine(QPointF(r.left() + 1, r.top() + rowH * i),
               QPointF(r.right() - 1, r.top() + rowH * i));
  for (int i = 1; i < cols; ++i) {
    qreal x = r.left() + r.width() * i / cols;
    p.drawLine(QPointF(x, r.top() + rowH), QPointF(x, r.bottom() - 1));
  }
}

void DrawTableList(QPainter& p) {
  Sheet(p, QRectF(3, 3, 24, 26), 6, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(33, 115, 70));
  for (int i = 0; i < 5; ++i) {
    qreal y = 3 + 26.0 / 7 * (i + 1.5);
    p.drawEllipse(QPointF(7, y), 1.3, 1.3);
    p.fillRect(QRectF(10, y - 0.8, 13 - (i % 2) * 4, 1.6), QColor(60, 60, 60));
  }
}

void DrawDefinition(QPainter& p) {
  Sheet(p, QRectF(10, 2, 20, 18), 4, 3);
  Sheet(p, QRectF(6, 7, 20, 18), 4, 3);
  Sheet(p, QRectF(2, 12, 20, 18), 4, 3);
}

void DrawSettings(QPainter& p) {
  p.setPen(QPen(kOutline, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3, 3, 20, 26));
  p.setPen(QPen(QColor(90, 90, 160), 1.2));
  for (int i = 0; i < 5; ++i)
    p.drawLine(QPointF(6, 9 + 4 * i), QPointF(20 - (i == 4) * 6, 9 + 4 * i));
  // A pen writing on the page.
  p.save();
  p.translate(18, 24);
  p.rotate(-45);
  p.setPen(QPen(kOutline, 1));
  p.setBrush(QColor(240, 190, 40));
  p.drawRect(QRectF(2, -2.5, 14, 5));
  p.setBrush(QColor(230, 120, 120));
  p.drawRect(QRectF(16, -2.5, 3, 5));
  p.setBrush(QColor(250, 220, 170));
  QPolygonF tip;
  tip << QPointF(2, -2.5) << QPointF(-3, 0) << QPointF(2, 2.5);
  p.drawPolygon(tip);
  p.restore();
}

void DrawManual(QPainter& p) {
  p.setPen(QPen(kOutline, 1));
  p.setBrush(QColor(50, 90, 170));
  p.drawRoundedRect(QRectF(5, 3, 22, 26), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 25, 19, 3));
  QFont f;
  f.setPixelSize(18);
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(5, 2, 22, 23), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawAbout(QPainter& p) {
  p.setPen(QPen(QColor(20, 60, 140), 1));
  p.setBrush(QColor(50, 110, 200));
  p.drawEllipse(QRectF(3, 3, 26, 26));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(16, 9.5), 2.2, 2.2);
  p.drawRoundedRect(QRectF(14, 13.5, 4, 11), 1, 1);
}

void DrawServer(QPainter& p) {
  p.setPen(QPen(kOutline, 1.5));
  p.setBrush(QColor(200, 205, 215));
  p.drawRect(QRectF(3, 4, 26, 18));
  p.setBrush(QColor(70, 130, 200));
  p.drawRect(QRectF(6, 7, 20, 12));
  p.setBrush(QColor(160, 165, 175));
  p.drawRect(QRectF(12, 22, 8, 3));
  p.drawRect(QRectF(6, 25, 20, 4));
}

void DrawOwner(QPainter& p) {
  p.setPen(QPen(kOutline, 1.5));
  p.setBrush(QColor(240, 200, 160));
  p.drawEllipse(QRectF(10, 3, 12, 12));
  p.setBrush(QColor(60, 120, 60));
  QPainterPath body;
  body.moveTo(4, 30);
  body.cubicTo(4, 17, 28, 17, 28, 30);
  body.closeSubpath();
  p.drawPath(body);
}

void DrawTable(QPainter& p) {
  p.setPen(QPen(kOutline, 1.5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(3, 5, 26, 22));
  p.setBrush(QColor(80, 120, 190));
  p.drawRect(QRectF(3, 5, 26, 6));
  p.setPen(QPen(QColor(90, 90, 90), 1.5));
  p.drawLine(QPointF(3, 16.5), QPointF(29, 16.5));
  p.drawLine(QPointF(3, 22), QPointF(29, 22));
  p.drawLine(QPointF(12, 11), QPointF(12, 27));
  p.drawLine(QPointF(20.5, 11), QPointF(20.5, 27));
}

void DrawCheck(QPainter& p) {
  QPainterPath path;
  path.moveTo(5, 16);
  path.lineTo(13, 25);
  path.lineTo(28, 6);
  p.setPen(QPen(QColor(0, 130, 0), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void DrawKey(QPainter& p) {
  const QColor gold(205, 160, 20);
  p.setPen(QPen(QColor(120, 85, 0), 1.5));
  p.setBrush(gold);
  p.drawEllipse(QRectF(2, 4, 14, 14));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(6, 8, 6, 6));
  p.setBrush(gold);
  QPainterPath shaft;
  shaft.moveTo(14, 13);
  shaft.lineTo(30, 25);
  shaft.lineTo(28, 28);
  shaft.lineTo(25, 25.8);
  shaft.lineTo(23, 28.5);
  shaft.lineTo(21, 27);
  shaft.lineTo(22.8, 24.2);
  shaft.lineTo(12, 16);
  shaft.closeSubpath();
  p.drawPath(shaft);
}

}  // namespace

QPixmap ToolbarImage(int index) {
  switch (index) {
    case tbConnect:
      return Render(32, [](QPainter& p) {
        Cylinder(p, QRectF(3, 2, 20, 26), QColor(70, 120, 190));
        Badge(p, QColor(20, 150, 40), true);
      });
    case tbDisconnect:
      return Render(32, [](QPainter& p) {
        Cylinder(p, QRectF(3, 2, 20, 26), QColor(70, 120, 190));
        Badge(p, QColor(200, 30, 30), false);
      });
    case tbTableList:
      return Render(32, DrawTableList);
    case tbDefinition:
      return Render(32, DrawDefinition);
    case tbSettings:
      return Render(32, DrawSettings);
    case tbManual:
      return Render(32, DrawManual);
    case tbAbout:
      return Render(32, DrawAbout);
    default:
      return {};
  }
}

QPixmap TreeImage(int index) {
  switch (index) {
    case trServer:
      return Render(16, DrawServer);
    case trDatabase:
      return Render(16,
                    [](QPainter& p) { Cylinder(p, QRectF(5, 2, 22, 28), QColor(70, 120, 190)); });
    case trOwner:
      return Render(16, DrawOwner);
    case trTable:
      return Render(16, DrawTable);
    default:
      return {};
  }
}

QPixmap GridImage(int index) {
  switch (index) {
    case grCheck:
      return Render(16, DrawCheck);
    case grKey:
      return Render(16, DrawKey);
    default:
      return {};
  }
}

QPixmap ProgramIcon(int size) {
  return Render(size, [](QPainter& p) {
    Sheet(p, QRectF(10, 4, 20, 24), 5, 3);
    Cylinder(p, QRectF(2, 10, 14, 20), QColor(70, 120, 190));
  });
}

}  // namespace zel::images
