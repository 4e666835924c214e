#include "app/Manual.h"

#include <QDir>
#include <QFileInfo>

namespace zel {

QStringList ManualCandidates(const QString& programDir) {
  const QString page = QStringLiteral("share/doc/zelmora/manual/index.html");
  QStringList out;
  for (const char* up : {"/..", "/../.."})
    out << QDir::cleanPath(programDir + QString::fromLatin1(up) + QLatin1Char('/') + page);
  return out;
}

QString FindManual(const QString& programDir) {
  for (const QString& path : ManualCandidates(programDir))
    if (QFileInfo(path).isFile()) return path;
  return {};
}

}  // namespace zel
