// Fuzz target for the telegram decoder.
//
// Each input is what came in on the controller line: its bytes are split at
// line feeds as the link splits them, each piece is read as Latin-1 and
// trimmed with TrimLine, and every non-empty line goes to one long-lived
// TelegramDecoder. The LinkState, the send queue and the polling rotation
// live across inputs, so the fuzzer also reaches states that only a sequence
// of telegrams produces.
//
// The events side accepts everything (debug monitor on, communication log
// on) and checks what the decoder hands on. The last byte of the input sets
// the mode of the whole input: bits 0..6 which points' reports throw (by
// point number modulo 7), bit 7 whether the communication log throws, so the
// decoder's error paths run as well; bit 6 the divisor of status telegram 2
// (the gateway option); bits 4 and 5 together put every controller online.
// Anything that breaks a rule below aborts, and the fuzzer keeps the input.

#include "device/PointReport.h"
#include "device/PollingRotation.h"
#include "device/SendQueue.h"
#include "device/Telegram.h"
#include "device/TelegramDecoder.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

using namespace qv::device;

namespace {

[[noreturn]] void fault(const char *rule, const QString &detail)
{
    std::fprintf(stderr, "fuzz_decoder: %s: %s\n", rule, detail.toLatin1().constData());
    std::abort();
}

void require(bool ok, const char *rule, const QString &detail = QString())
{
    if (!ok)
        fault(rule, detail);
}

bool isDecimal(const QString &text)
{
    bool ok = false;
    text.toLongLong(&ok);
    return ok && !text.isEmpty() && text.trimmed() == text;
}

class AcceptingEvents : public TelegramEvents {
public:
    AcceptingEvents(LinkState &state, SendQueue &queue) : m_state(state), m_queue(queue) {}

    unsigned mode = 0; // the last input byte, see above
    QString line;      // the line being decoded

    bool DebugMonitorActive() const override { return true; }
    void DebugLog(const QString &text) override { m_debugChars += text.size(); }
    void StatusPanel(int position, const QString &value) override
    {
        require(position == 3 && value.isEmpty(), "only status telegram 3 without blocks clears panel 3");
    }
    bool WriteLog() const override { return true; }
    void LogReceived(const QString &text) override
    {
        require(text == line, "the communication log gets the line as received", text);
        if (mode & 0x80)
            throw std::runtime_error("log file not writable");
    }
    void Acknowledge() override { m_queue.acknowledge(); }

    void HandlePointReport(const PointReport &r) override
    {
        require(r.addressIndex >= 0 && r.addressIndex < VrkCount, "address index out of range", line);
        require(r.point >= 1 && r.point <= PointCount, "point out of range", line);
        require(r.statusDigit >= 0 && r.statusDigit <= 9, "status digit out of range", line);
        require(r.rawOrderNumber.size() <= 11, "raw order number longer than its field", line);
        // The address of the report is the address of the telegram.
        require(line.size() >= 2 && AddressIndex(line.at(1)) == r.addressIndex, "report of another address", line);
        const quint8 previous = m_state.VRK[std::size_t(r.addressIndex)].PointStatus[std::size_t(r.point)];
        if (r.kind == TelegramKind::StatusTelegram2) {
            require(r.point <= 4, "status telegram 2 has four points", line);
            require(r.orderPosition == QLatin1String("0000"), "status telegram 2 has no position", line);
            // Handed on only when the digit changed, or while running; the
            // stored digit is still the previous one.
            require(r.statusDigit != previous || r.statusDigit == 2, "unchanged status telegram 2 point handed on",
                    line);
        }
        if (r.statusDigit != 0) {
            // Trimmed first, then the leading zeros go: "00 12" keeps its
            // blank (" 12"), but no zero is left in front.
            require(!r.orderNumber.startsWith(QLatin1Char('0')), "order number with leading zero", line);
            require(r.rawOrderNumber.trimmed().endsWith(r.orderNumber), "order number not taken from the raw one",
                    line);
            require(isDecimal(r.operatorNumber), "operator number not a number", r.operatorNumber);
            require(std::isfinite(r.quantity), "quantity not finite", line);
        }
        // What the link would do with it: the release answer and the
        // delete-order telegram go through the send queue.
        (void)r.logHead();
        if (r.statusDigit == 1)
            m_queue.append(QStringLiteral("0") + r.addressChar() + QStringLiteral("F") + r.rawOrderNumber +
                           QStringLiteral("1") + r.orderPosition);
        else if (r.statusDigit >= 3 && r.statusDigit <= 6)
            m_queue.append(QStringLiteral("0") + r.addressChar() + QStringLiteral("L") + r.rawOrderNumber +
                           QStringLiteral("0") + r.orderPosition);
        if ((mode >> (r.point % 7)) & 1)
            throw std::runtime_error("database error");
    }

private:
    LinkState &m_state;
    SendQueue &m_queue;
    qint64 m_debugChars = 0;
};

struct Link {
    LinkState state;
    SendQueue queue;
    PollingRotation rotation;
    AcceptingEvents events{state, queue};
    TelegramDecoder decoder{state, events};
};

Link &link()
{
    static Link instance;
    return instance;
}

void checkState(const LinkState &state, const QString &line)
{
    require(state.ConnectionStatusCounter >= -1 && state.ConnectionStatusCounter <= 2,
            "connection status counter out of range", line);
    for (const TVrkState &vrk : state.VRK) {
        require(vrk.TimeoutCounter >= 0, "negative time-out counter", line);
        for (const quint8 digit : vrk.PointStatus)
            require(digit <= 9, "stored status digit out of range", line);
        require(vrk.PointStatus[0] == 0, "point 0 written", line);
    }
}

// The next telegram the link would send after this line, as its tick does.
void tick(Link &l, const QString &line)
{
    if (!l.queue.isEmpty()) {
        const int before = l.queue.size();
        const QString head = l.queue.entries().first();
        const SendQueue::Telegram t = l.queue.takeHead();
        require(t.payload == head.mid(1), "queue head sent without its retry digit", head);
        require(l.queue.size() <= before, "queue grew by sending", head);
        // The answers carry the order number as the controller sent it; a
        // received field holding "<" or ">" (the check covers only up to the
        // first "<") makes a frame that is not one, so only clean ones are
        // checked.
        const QString frame = FrameTelegram(t.payload);
        if (!t.payload.contains(QLatin1Char('<')) && !t.payload.contains(QLatin1Char('>')))
            require(TelegramChecksumValid(frame), "a frame we send fails our own check", frame);
    } else {
        const int address = l.rotation.nextAddress(l.state.VRK);
        require(address >= 0 && address < VrkCount, "polled address out of range", line);
        require(l.rotation.Adresse >= -1 && l.rotation.Adresse < VrkCount, "rotation index out of range", line);
        require(l.rotation.InactiveAdresse >= 0 && l.rotation.InactiveAdresse < VrkCount,
                "offline rotation index out of range", line);
    }
    // Keep the queue bounded: a long run of requests without acknowledgements
    // would only make every input slower.
    while (l.queue.size() > 64)
        l.queue.takeHead();
}

// Properties of the helpers, on text taken from the input.
void checkHelpers(const QString &text)
{
    const QString trimmed = TrimLine(text);
    require(TrimLine(trimmed) == trimmed, "TrimLine not idempotent", text);
    if (!trimmed.isEmpty()) {
        const QChar first = trimmed.front(), last = trimmed.back();
        require(first.unicode() > 0x20 && !first.isSpace() && first.unicode() != 0x7F, "TrimLine left a blank", text);
        require(last.unicode() > 0x20 && !last.isSpace() && last.unicode() != 0x7F, "TrimLine left a blank", text);
    }
    QString payload = text.left(200);
    payload.remove(QLatin1Char('<')).remove(QLatin1Char('>'));
    const QString frame = FrameTelegram(payload);
    require(TelegramChecksumValid(frame), "framed payload fails the check", frame);
    const QString sum = frame.right(2);
    require(sum == sum.toUpper() && sum.size() == 2, "checksum not two upper-case digits", frame);
    const int width = int(text.size() % 16);
    const QString padded = PadLeft(payload, width, QLatin1Char('0'));
    require(padded.size() == std::max<qsizetype>(payload.size(), width) && padded.endsWith(payload),
            "PadLeft", payload);
    const QString right = PadRight(payload, width, QLatin1Char(' '));
    require(right.size() == std::max<qsizetype>(payload.size(), width) && right.startsWith(payload), "PadRight",
            payload);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Link &l = link();
    l.events.mode = size ? data[size - 1] : 0;
    // The gateway option changes the divisor of status telegram 2.
    l.state.PelvorDivisor = (l.events.mode & 0x40) ? 100 : 1000;

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype from = 0;
    while (from <= bytes.size()) {
        qsizetype lf = bytes.indexOf('\n', from);
        if (lf < 0)
            lf = bytes.size();
        const QString raw = QString::fromLatin1(bytes.constData() + from, lf - from);
        from = lf + 1;
        checkHelpers(raw);
        const QString line = TrimLine(raw);
        if (line.isEmpty())
            continue;
        l.events.line = line;
        try {
            l.decoder.ProcessTelegram(line);
        } catch (const std::exception &e) {
            fault("an error left the decoder", QString::fromLatin1(e.what()) + QStringLiteral(": ") + line);
        }
        checkState(l.state, line);
        // A line that is not a telegram is as good as no answer: the link's
        // time-out takes the polled controller offline after a while. Here
        // the address the line names goes offline at once, so the rotation
        // sees both online and offline addresses.
        if (!TelegramChecksumValid(line) && line.size() >= 2 && AddressIndex(line.at(1)) >= 0)
            l.state.VRK[std::size_t(AddressIndex(line.at(1)))].Online = false;
        // Now and then every controller answers: the rotation's cycle
        // without an offline address.
        if ((l.events.mode & 0x30) == 0x30)
            for (TVrkState &vrk : l.state.VRK)
                vrk.Online = true;
        tick(l, line);
    }
    return 0;
}
