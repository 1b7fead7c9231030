#include "app/ErrorLog.h"

#include "app/IniFile.h"

#include <QtGlobal>

namespace qv::app {

QString ErrorLogKey(const QDateTime &time)
{
    // The log is read by people on site, so the key is the local wall-clock
    // time; QDateTime's pattern language spells minutes "mm" and months "MM".
    return time.toLocalTime().toString(QStringLiteral("dd.MM.yy - hh:mm:ss"));
}

void WriteErrorLog(const QString &file, const QString &line, const QDateTime &time)
{
    // This is the last resort for errors nobody else caught: a failure to
    // record one must not raise a new error from inside the error handler.
    try {
        IniWriteString(file, QStringLiteral("Exception"), ErrorLogKey(time), line);
    } catch (const std::exception &e) {
        qWarning("Could not record an error in the error log: %s (error: %s)", e.what(), qUtf8Printable(line));
    }
}

} // namespace qv::app
