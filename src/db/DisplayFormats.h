#pragma once

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace qv::db {

// The system's long time format without the time zone Qt adds to it: a
// workshop's times are local, and "UTC" or "CET" beside every time is noise.
inline QString longTimeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QString());
    return format.trimmed();
}

// Short date, one blank, long time: how grids and printouts show a moment.
inline QString dateTimeText(const QLocale &locale, const QDateTime &dt)
{
    return locale.toString(dt.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + locale.toString(dt.time(), longTimeFormat(locale));
}

} // namespace qv::db
