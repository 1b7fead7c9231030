#pragma once

#include <QString>

namespace qv::device {

// The 36 controller addresses; the index of a character is the address
// index stored in the database. Only upper-case letters are addresses.
inline const QString VrkAddressChars = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
// Dispensing points 1..10 as written in telegrams (point 10 is "A").
inline const QString PointChars = QStringLiteral("123456789A");

constexpr int VrkCount = 36;
constexpr int PointCount = 10;

// Index 0..35 of an address character, -1 for anything else.
int AddressIndex(QChar c);
// Point 1..10 of a point character, 0 for anything else.
int PointNumber(QChar c);
inline QChar AddressChar(int index) { return VrkAddressChars.at(index); }
inline QChar PointChar(int point) { return PointChars.at(point - 1); }

// Two upper-case hex digits: the sum of the character codes of the text,
// modulo 256. Callers pass ">" + payload + "<".
QString TelegramChecksum(const QString &text);
// Whether the checksum after the first "<" matches the text from the first
// ">" to that "<". Never throws; anything malformed is simply invalid.
bool TelegramChecksumValid(const QString &line);
// ">" + payload + "<" + checksum.
QString FrameTelegram(const QString &payload);

// Fill in front (or behind) up to width characters; a longer text is
// returned as it is, never cut.
QString PadLeft(const QString &text, int width, QChar fill);
QString PadRight(const QString &text, int width, QChar fill);

// Trims white space and control characters at both ends, as a received line
// is trimmed before it is looked at.
QString TrimLine(const QString &line);

// Longest telegram a controller sends: status telegram 3 with nine blocks,
// 17 + 27 * 9 characters.
constexpr int LongestTelegram = 17 + 27 * 9;

} // namespace qv::device
