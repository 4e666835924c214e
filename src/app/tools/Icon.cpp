// Writes the program icon as PNG files for the desktop's icon theme, drawn by
// the same code as the window's icon: zelmora-icon SIZE FILE [SIZE FILE ...].
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "app/Images.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc % 2 == 0) {
    std::fprintf(stderr, "usage: zelmora-icon SIZE FILE [SIZE FILE ...]\n");
    return 2;
  }
  // Runs during the build, where there is no display.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  for (int i = 1; i + 1 < argc; i += 2) {
    const int size = std::atoi(argv[i]);
    if (size < 16 || size > 1024) {
      std::fprintf(stderr, "zelmora-icon: size %s out of range\n", argv[i]);
      return 2;
    }
    if (!zel::images::ProgramIcon(size).save(QString::fromLocal8Bit(argv[i + 1]), "PNG")) {
      std::fprintf(stderr, "zelmora-icon: cannot write %s\n", argv[i + 1]);
      return 1;
    }
  }
  return 0;
}
