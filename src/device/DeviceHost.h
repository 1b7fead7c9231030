#pragma once

#include <QString>

#include <exception>

class QObject;

namespace qv::db {
struct TUsername;
}

namespace qv::device {

// All the device link needs of the main window. The window implements it;
// tests implement it with a recorder, so the link runs without widgets.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;

    virtual bool DebugMonitorActive() const = 0;
    // A line on the debug monitor, with the time in front when clock is set.
    virtual void DebugAnzeigeLog(const QString &value, bool clock) = 0;
    // A line on the status monitor (the time is added there).
    virtual void StatusDebugAnzeige(const QString &value) = 0;
    virtual void StatusAnzeige(int position, const QString &value) = 0;

    // The one hook through which a change of order rows reaches the views.
    virtual void ActualizeTableData(bool openOrder, bool resultData) = 0;
    // Re-runs the open-orders grid's statement, if it is open; errors are
    // swallowed there.
    virtual void RefreshOpenOrders() = 0;
    // Whether the result view refreshes itself after each recorded result.
    virtual bool ResultAutoUpdate() const = 0;

    virtual qv::db::TUsername &Username() = 0;
    // Status bar texts of the link state (connected / not connected).
    virtual QString StatusConnectText() = 0;
    virtual QString StatusNotConnectText() = 0;

    // The controller port has opened (true) or closed (false).
    virtual void SetDevicePortStatus(bool connect) = 0;
    // Opening the port failed; shown to the user.
    virtual void ShowPortError(const QString &message) = 0;
    // An error that escaped a timer tick of the link, for the error log.
    virtual void HandleException(QObject *sender, const std::exception *error, const char *kind) = 0;
};

} // namespace qv::device
