#pragma once
// Program text is UTF-8 in std::string; Qt widgets hold UTF-16. These two
// are the only crossings the forms use.
#include <QString>
#include <string>
#include <string_view>

namespace zel {

inline QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string S(const QString& s) {
  return s.toStdString();
}

}  // namespace zel
