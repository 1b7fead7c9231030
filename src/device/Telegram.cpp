#include "device/Telegram.h"

namespace qv::device {

namespace {
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}
} // namespace

int AddressIndex(QChar c)
{
    return VrkAddressChars.indexOf(c, 0, Qt::CaseSensitive);
}

int PointNumber(QChar c)
{
    return PointChars.indexOf(c, 0, Qt::CaseSensitive) + 1;
}

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

bool TelegramChecksumValid(const QString &line)
{
    const qsizetype start = line.indexOf(QLatin1Char('>'));
    const qsizetype end = line.indexOf(QLatin1Char('<'));
    if (start < 0 || end < start || end + 2 >= line.size())
        return false;
    // The controllers' own check runs in a 16-bit accumulator; a frame long
    // enough to overflow it is not one of theirs.
    quint32 sum = 0;
    for (qsizetype i = start; i <= end; ++i) {
        sum += line.at(i).unicode();
        if (sum > 0xFFFF)
            return false;
    }
    unsigned expected = 0;
    for (qsizetype i = end + 1; i <= end + 2; ++i) {
        const int digit = hexDigit(line.at(i));
        if (digit < 0)
            return false;
        expected = expected * 16 + unsigned(digit);
    }
    return (sum & 0xFFu) == expected;
}

QString FrameTelegram(const QString &payload)
{
    const QString framed = QLatin1Char('>') + payload + QLatin1Char('<');
    return framed + TelegramChecksum(framed);
}

QString PadLeft(const QString &text, int width, QChar fill)
{
    return text.size() >= width ? text : QString(width - text.size(), fill) + text;
}

QString PadRight(const QString &text, int width, QChar fill)
{
    return text.size() >= width ? text : text + QString(width - text.size(), fill);
}

QString TrimLine(const QString &line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    const auto blank = [](QChar c) { return c.isSpace() || c.unicode() < 0x20 || c.unicode() == 0x7F; };
    while (begin < end && blank(line.at(begin)))
        ++begin;
    while (end > begin && blank(line.at(end - 1)))
        --end;
    return line.mid(begin, end - begin);
}

} // namespace qv::device
