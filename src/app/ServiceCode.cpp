#include "app/ServiceCode.h"

#include "device/Telegram.h"

namespace qv::app {

QString ServiceCodeForDate(const QDate &date)
{
    // Prime weights: 613 * month + 97 * day could only repeat if two months
    // differed by a multiple of 97, and no difference of month and day makes
    // up the 7919 of a year (or more), so every date has its own number.
    constexpr qint64 yearWeight = 7919;
    constexpr qint64 monthWeight = 613;
    constexpr qint64 dayWeight = 97;
    constexpr qint64 offset = 40503;
    const qint64 number = yearWeight * date.year() + monthWeight * date.month() + dayWeight * date.day() + offset;
    const QString digits = QString::number(number);
    return digits + device::TelegramChecksum(digits);
}

} // namespace qv::app
