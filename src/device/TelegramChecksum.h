#pragma once

#include <QString>

namespace qv::device {

// Two upper-case hex digits: the sum of the character codes of the text,
// modulo 256.
QString TelegramChecksum(const QString &text);

} // namespace qv::device
