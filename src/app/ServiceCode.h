#pragma once

#include <QDate>
#include <QString>

namespace qv::app {

// The day's service code that offers the reset of a forgotten administrator
// password: a number from a weighted sum of the date's year, month and day
// plus an offset, followed by the two-hex-digit checksum of that number text.
QString ServiceCodeForDate(const QDate &date);

} // namespace qv::app
