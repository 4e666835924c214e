#include "app/FrmVersion.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "app/Application.h"
#include "app/Images.h"
#include "common/Common.h"
#include "common/VersionInfo.h"

namespace zel {
namespace {

QLabel* Text(QWidget* parent, const char* name, const QString& text, int left, int top,
             int pixelSize, const QColor& colour = Qt::black) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setFont(FormFont(pixelSize));
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, colour);
  label->setPalette(pal);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

TfrmVersion::TfrmVersion(QWidget* parent)
    : QDialog(parent),
      executablePath(ExecutablePath()),
      openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }) {
  setObjectName("frmVersion");
  setWindowTitle(QStringLiteral("バージョン情報"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(396, 150);
  setFont(FormFont(12));

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(24, 24, 32, 32);
  Image1->setPixmap(images::ProgramIcon());

  StaticText1 = Text(this, "StaticText1", QStringLiteral("Zelmora"), 104, 24, 13);
  StaticText2 = Text(this, "StaticText2", QStringLiteral("Zelmora"), 104, 46, 13);
  // In line with the names above it: at the design's 107 the version stood
  // indented, as if it began with a blank.
  lblVersion = Text(this, "lblVersion", QString(), 104, 65, 12, QColor(0, 0, 128));
  lblVersion->resize(200, 16);
  StaticText3 =
      Text(this, "StaticText3", QStringLiteral("Copyright (C) Zelmora 開発チーム"), 103, 97, 13);
  lblUrl = Text(this, "lblUrl", QString::fromLatin1(kWebPage), 103, 121, 13, QColor(0, 0, 255));
  QFont link = lblUrl->font();
  link.setUnderline(true);
  lblUrl->setFont(link);
  lblUrl->adjustSize();
  lblUrl->setCursor(Qt::PointingHandCursor);
  lblUrl->installEventFilter(this);

  // Without a window manager there is no title bar to close the box with.
  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName("btnOK");
  btnOK->setGeometry(300, 116, 81, 25);
  btnOK->setDefault(true);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmVersion::showEvent(QShowEvent* event) {
  lblVersion->setText(QString::fromStdString(FileVersionText(executablePath, 4)));
  QDialog::showEvent(event);
}

bool TfrmVersion::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblUrl && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    lblUrlClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmVersion::lblUrlClick() {
  // A browser that does not start is not reported.
  if (openUrl) openUrl(QUrl(lblUrl->text()));
}

}  // namespace zel
