#include "device/TelegramChecksum.h"

namespace qv::device {

QString TelegramChecksum(const QString &text)
{
    // The controllers add the character codes up in one byte, so the sum
    // wraps at 256; the codes are those of the UTF-16 text, as the telegram
    // is built before it is converted for the line.
    unsigned sum = 0;
    for (const QChar c : text)
        sum += c.unicode();
    return QStringLiteral("%1").arg(sum % 256u, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace qv::device
