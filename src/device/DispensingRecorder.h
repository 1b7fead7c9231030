#pragma once

#include "device/DeviceContext.h"

#include <QDateTime>

#include <array>
#include <optional>

namespace qv::device {

// Writes what the controllers report about running and ended dispensings
// into the orders table: the start, the running quantity, and the final
// result (or a new row for a dispensing without order).
class DispensingRecorder {
public:
    explicit DispensingRecorder(DeviceContext context) : m_ctx(context) {}

    void HandleNoDispensing(const PointReport &report);
    void HandleDispensingRunning(const PointReport &report);
    void HandleDispensingEnded(const PointReport &report);

    void StoreDispensingStart(const PointReport &report);
    void StoreDispensingProgress(const PointReport &report);
    void StoreFinishedDispensing(const PointReport &report, int resultStatus);

    // The date and time a controller sent (DDMMYY, HHMM); now when it is not
    // a valid date and time.
    static QDateTime TelegramDateTime(const QString &date, const QString &time);
    QString OperatorName(int operatorNumber);
    QString ProductName(int product);

private:
    // The end report stored last per controller point, so that a report the
    // controller repeats (because it has not yet dropped the order) is not
    // stored twice. Date and time are left out: they are the telegram's, the
    // controller's clock at the poll, so a repeat a minute later differs there.
    struct EndReport {
        QString rawOrderNumber, orderPosition, operatorNumber;
        int statusDigit = 0;
        double quantity = 0;
        bool operator==(const EndReport &) const = default;
    };
    static EndReport endReportOf(const PointReport &report);
    std::optional<EndReport> &storedEnd(const PointReport &report)
    {
        return m_storedEnd[std::size_t(report.addressIndex) * PointCount + std::size_t(report.point - 1)];
    }

    DeviceContext m_ctx;
    std::array<std::optional<EndReport>, std::size_t(VrkCount) * PointCount> m_storedEnd{};
};

} // namespace qv::device
