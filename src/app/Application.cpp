#include "app/Application.h"

#include <QFont>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <exception>

namespace zel {
namespace {

const QString kGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString kMincho = QStringLiteral("ＭＳ Ｐ明朝");

bool showing = false;
std::function<void(const std::string&)> exceptionHandler;

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Zelmora"));
  setApplicationDisplayName(QStringLiteral("Zelmora"));
  // Lets the desktop match the window to its entry (and icon) on Wayland.
  setDesktopFileName(QStringLiteral("org.example.zelmora"));
  // The program speaks Japanese whatever the desktop's language, and so do
  // the dialogs and buttons Qt draws itself. Without the translations
  // (package qt6-translations-l10n) they stay in English.
  auto* translator = new QTranslator(this);
  if (translator->load(QStringLiteral("qtbase_ja"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      installTranslator(translator)) {
    qtTranslations_ = translator;
  } else {
    delete translator;
  }
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("不明なエラーが発生しました。");
  }
  return false;
}

void SetUpFonts() {
  QFont::insertSubstitutions(kGothic, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                                       QStringLiteral("Noto Sans CJK JP")});
  QFont::insertSubstitutions(kMincho, {QStringLiteral("IPAPMincho"), QStringLiteral("IPAMincho"),
                                       QStringLiteral("IPAPGothic")});
  QApplication::setFont(FormFont());
}

QFont FormFont(int pixelSize, bool bold) {
  QFont font(kGothic);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QFont MinchoFont(int pixelSize) {
  QFont font(kMincho);
  font.setPixelSize(pixelSize);
  return font;
}

void SetExceptionHandler(std::function<void(const std::string&)> handler) {
  exceptionHandler = std::move(handler);
}

void ShowException(const std::string& text) {
  if (exceptionHandler) {
    exceptionHandler(text);
    return;
  }
  // A failure inside the box itself must not open a second one.
  if (showing) return;
  showing = true;
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Zelmora"), QString::fromStdString(text),
                  QMessageBox::NoButton, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  showing = false;
}

void Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("不明なエラーが発生しました。");
  }
}

}  // namespace zel
