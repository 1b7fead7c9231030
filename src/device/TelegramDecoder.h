#pragma once

#include "device/PointReport.h"

#include <QString>

namespace qv::device {

// What decoding a received telegram leads to. The polling link implements it.
class TelegramEvents {
public:
    virtual ~TelegramEvents() = default;
    virtual bool DebugMonitorActive() const = 0;
    virtual void DebugLog(const QString &line) = 0; // with time stamp
    virtual void StatusPanel(int position, const QString &value) = 0;
    virtual bool WriteLog() const = 0;
    virtual void LogReceived(const QString &line) = 0; // communication log, may throw
    virtual void Acknowledge() = 0;
    // Routes one point to the release decision or the recording; may throw.
    virtual void HandlePointReport(const PointReport &report) = 0;
};

// The state decoding reads and changes.
struct LinkState {
    VrkArray VRK;
    qint32 ConnectionStatusCounter = 0;
    qint32 PelvorDivisor = 1000;

    LinkState()
    {
        for (int i = 0; i < VrkCount; ++i)
            VRK[std::size_t(i)].Address = AddressChar(i);
    }
};

// Checks and decodes one received, trimmed line and hands each reported
// point on. Bad input of any kind ends in a debug line, never in an error
// leaving this class.
class TelegramDecoder {
public:
    TelegramDecoder(LinkState &state, TelegramEvents &events) : m_state(state), m_events(events) {}

    void ProcessTelegram(const QString &line);

    // The normalised report of one point; throws on a quantity that is not
    // a number. Only address, point and raw order number for digit 0.
    static PointReport normalise(TelegramKind kind, int addressIndex, int point, int statusDigit,
                                 const QString &rawOrderNumber, const QString &position, const QString &quantity,
                                 const QString &operatorNumber, const QString &date, const QString &time,
                                 int divisor);
    static QString normaliseOrderNumber(const QString &raw);
    static QString normaliseOperator(const QString &raw);

private:
    void statusTelegram2(const QString &line, int address);
    void statusTelegram3(const QString &line, int address);
    void debug(const QString &line);

    LinkState &m_state;
    TelegramEvents &m_events;
};

} // namespace qv::device
