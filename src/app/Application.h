#pragma once
// The Qt application object of the program: Japanese fonts, and a last line
// of defence for exceptions that escape an event handler.
#include <QApplication>
#include <QTranslator>
#include <functional>
#include <string>

namespace zel {

class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Whether Qt's own Japanese texts (file dialogs, standard buttons) were
  // found in Qt's translations folder and installed.
  bool QtTranslationsLoaded() const { return qtTranslations_ != nullptr; }

 private:
  QTranslator* qtTranslations_ = nullptr;
};

// The form fonts of the design, "ＭＳ Ｐゴシック" and "ＭＳ Ｐ明朝", mapped to the
// IPA fonts that a Linux desktop has; the application font becomes the form
// font, 12 pixels high.
void SetUpFonts();

// A font of the design's family and pixel height.
QFont FormFont(int pixelSize = 12, bool bold = false);
QFont MinchoFont(int pixelSize = 12);

// The message box of an exception that escaped an event handler; the program
// carries on.
void ShowException(const std::string& text);
// Tests take the text instead of a modal box; an empty handler restores the box.
void SetExceptionHandler(std::function<void(const std::string&)> handler);

// Runs an event handler's work; an exception it throws is shown with
// ShowException instead of leaving the handler.
void Guarded(const std::function<void()>& handler);

}  // namespace zel
