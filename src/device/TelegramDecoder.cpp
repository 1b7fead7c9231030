#include "device/TelegramDecoder.h"

#include <algorithm>
#include <stdexcept>

namespace qv::device {

namespace {

// A fault in the frame itself; it ends the decode of this telegram.
struct TelegramError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Character at a 1-based position, as the telegram tables count.
QChar at(const QString &line, int position)
{
    if (position < 1 || position > line.size())
        throw TelegramError("telegram too short");
    return line.at(position - 1);
}

QString field(const QString &line, int position, int length)
{
    return line.mid(position - 1, length);
}

int digitAt(const QString &line, int position)
{
    const QChar c = at(line, position);
    if (c < QLatin1Char('0') || c > QLatin1Char('9'))
        throw TelegramError("status is not a digit");
    return c.unicode() - '0';
}

// Digit fields carry digits only: a sign or a blank that a number parser
// would take is line noise, not a quantity or an operator.
bool allDigits(const QString &text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

int pointAt(const QString &line, int position)
{
    const int point = PointNumber(at(line, position));
    if (point == 0)
        throw TelegramError("unknown point");
    return point;
}

} // namespace

void TelegramDecoder::debug(const QString &line)
{
    if (m_events.DebugMonitorActive())
        m_events.DebugLog(line);
}

QString TelegramDecoder::normaliseOrderNumber(const QString &raw)
{
    QString number = raw.trimmed();
    qsizetype zeros = 0;
    while (zeros < number.size() && number.at(zeros) == QLatin1Char('0'))
        ++zeros;
    return number.mid(zeros);
}

QString TelegramDecoder::normaliseOperator(const QString &raw)
{
    const QString text = raw.contains(QLatin1Char('_')) ? QStringLiteral("000") : raw.trimmed();
    bool ok = false;
    const qint64 number = allDigits(text) ? text.toLongLong(&ok) : 0;
    return ok ? QString::number(number) : QStringLiteral("0");
}

PointReport TelegramDecoder::normalise(TelegramKind kind, int addressIndex, int point, int statusDigit,
                                       const QString &rawOrderNumber, const QString &position,
                                       const QString &quantity, const QString &operatorNumber, const QString &date,
                                       const QString &time, int divisor)
{
    PointReport report;
    report.kind = kind;
    report.addressIndex = addressIndex;
    report.point = point;
    report.statusDigit = statusDigit;
    report.rawOrderNumber = rawOrderNumber;
    if (statusDigit == 0)
        return report;
    report.orderNumber = normaliseOrderNumber(rawOrderNumber);
    report.orderPosition = position;
    report.operatorNumber = normaliseOperator(operatorNumber);
    bool ok = false;
    const qint64 units = allDigits(quantity) ? quantity.toLongLong(&ok) : 0;
    if (!ok)
        throw std::runtime_error("quantity is not a number: " + quantity.toStdString());
    report.quantity = double(units) / double(kind == TelegramKind::StatusTelegram3 ? 1000 : divisor);
    report.date = date;
    report.time = time;
    return report;
}

void TelegramDecoder::ProcessTelegram(const QString &line)
{
    if (!TelegramChecksumValid(line)) {
        debug(QStringLiteral("<- ** CRC error ** ") + line);
        return;
    }
    debug(QStringLiteral("<- ") + line);
    try {
        const int address = AddressIndex(at(line, 2));
        if (address < 0)
            throw TelegramError("unknown address");
        TVrkState &vrk = m_state.VRK[std::size_t(address)];
        vrk.Online = true;
        vrk.TimeoutCounter = 0;
        m_state.ConnectionStatusCounter = 2;

        const QChar kind = at(line, 3);
        if (kind == QLatin1Char('f') || kind == QLatin1Char('l')) {
            m_events.Acknowledge();
            if (m_events.WriteLog())
                m_events.LogReceived(line);
        } else if (kind == QLatin1Char('v')) {
            m_events.Acknowledge();
        } else if (kind == QLatin1Char('t')) {
            statusTelegram2(line, address);
        } else if (kind == QLatin1Char('i')) {
            statusTelegram3(line, address);
        } else {
            debug(QStringLiteral("<- ** Protocol error **"));
        }
    } catch (const std::exception &) {
        debug(QStringLiteral("<- ** Telegram error **"));
    }
}

void TelegramDecoder::statusTelegram2(const QString &line, int address)
{
    TVrkState &vrk = m_state.VRK[std::size_t(address)];
    bool handled = false;
    for (int j = 1; j <= 4; ++j) {
        const int block = 20 * j - 16;
        const int digit = digitAt(line, block);
        if (digit != vrk.PointStatus[std::size_t(j)] || digit == 2) {
            handled = true;
            try {
                m_events.HandlePointReport(normalise(TelegramKind::StatusTelegram2, address, j, digit,
                                                     field(line, block + 1, 11), QStringLiteral("0000"),
                                                     field(line, block + 12, 5), field(line, block + 17, 3),
                                                     field(line, 84, 6), field(line, 90, 4), m_state.PelvorDivisor));
            } catch (const std::exception &) {
                debug(QStringLiteral("<- ** Error Status Telegram 2**"));
            }
        }
        vrk.PointStatus[std::size_t(j)] = quint8(digit);
    }
    if (handled && m_events.WriteLog())
        m_events.LogReceived(line);
}

void TelegramDecoder::statusTelegram3(const QString &line, int address)
{
    TVrkState &vrk = m_state.VRK[std::size_t(address)];
    const QChar countChar = at(line, 4);
    const int n = (countChar >= QLatin1Char('0') && countChar <= QLatin1Char('9')) ? countChar.unicode() - '0' : 0;
    if (n == 0) {
        m_events.StatusPanel(3, QString());
        vrk.PointStatus.fill(0);
        return;
    }
    const QString date = field(line, 27 * n + 5, 6);
    const QString time = field(line, 27 * n + 11, 4);
    for (int k = 1; k <= n; ++k) {
        const int block = 27 * (k - 1) + 5;
        try {
            const int point = pointAt(line, block);
            const int digit = digitAt(line, block + 1);
            m_events.HandlePointReport(normalise(TelegramKind::StatusTelegram3, address, point, digit,
                                                 field(line, block + 2, 11), field(line, block + 13, 4),
                                                 field(line, block + 17, 6), field(line, block + 23, 4), date, time,
                                                 m_state.PelvorDivisor));
        } catch (const std::exception &) {
            debug(QStringLiteral("<- ** Error Status Telegram 3 **"));
        }
        // A block whose point or digit cannot be read ends the decode here.
        vrk.PointStatus[std::size_t(pointAt(line, block))] = quint8(digitAt(line, block + 1));
        if (m_events.WriteLog())
            m_events.LogReceived(line);
    }
}

} // namespace qv::device
