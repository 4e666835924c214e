#pragma once
// The manual this program ships (doc/manual), found beside the executable:
// installed, and so in the Debian package, as <prefix>/bin/zelmora with
// <prefix>/share/doc/zelmora/manual; in the build folder as
// src/app/zelmora with share/doc/zelmora/manual, which the build copies there.
#include <QString>
#include <QStringList>

namespace zel {

// The places looked at, first page of each, in order.
QStringList ManualCandidates(const QString& programDir);
// The first candidate that exists; empty when none does.
QString FindManual(const QString& programDir);

}  // namespace zel
