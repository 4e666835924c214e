#pragma once
// The About box: product name, the version read from the running executable
// file each time the box is shown, and a link to the product's web page.
// Created for one showing and destroyed afterwards.
#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;

namespace zel {

inline constexpr const char* kWebPage = "https://zelmora.example.org/";
inline constexpr const char* kManualPage = "https://zelmora.example.org/zel/manual.html";

class TfrmVersion : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmVersion(QWidget* parent = nullptr);

  QLabel* Image1 = nullptr;
  QLabel* StaticText1 = nullptr;
  QLabel* StaticText2 = nullptr;
  QLabel* lblVersion = nullptr;
  QLabel* StaticText3 = nullptr;
  QLabel* lblUrl = nullptr;
  QPushButton* btnOK = nullptr;

  // The file whose version is shown; the running executable unless a test
  // points it elsewhere.
  std::string executablePath;
  // Opens the web page; tests record the address instead.
  std::function<void(const QUrl&)> openUrl;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void lblUrlClick();
};

}  // namespace zel
