#pragma once

#include <QDateTime>
#include <QString>

namespace qv::app {

// error.dat: section "Exception", one entry per error keyed by the local time
// "dd.mm.yy - hh:mm:ss"; entries of the same second share the key, so the
// later one replaces the earlier.
QString ErrorLogKey(const QDateTime &time);
void WriteErrorLog(const QString &file, const QString &line, const QDateTime &time);

} // namespace qv::app
