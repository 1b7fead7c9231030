#pragma once

// A stand-in for the main window as the device link sees it: it records
// every status panel, debug line, status-monitor line and refresh call, so
// tests can check what the window would have shown.

#include "db/TUsername.h"
#include "device/DeviceHost.h"

#include <QMap>
#include <QObject>
#include <QStringList>

namespace qv::test {

class RecordingHost : public device::DeviceHost {
public:
    bool debugActive = true;
    bool autoUpdate = false;
    db::TUsername username;
    QStringList debugLines;  // as given, without time stamp
    QStringList statusLines; // status monitor
    QMap<int, QString> panels;
    QStringList actualizeCalls; // "open,result" as "1,0"
    int refreshOpenOrdersCalls = 0;
    QList<bool> portStatus;
    QStringList portErrors;
    QStringList exceptions; // "sender: message"

    bool DebugMonitorActive() const override { return debugActive; }
    void DebugAnzeigeLog(const QString &value, bool) override { debugLines << value; }
    void StatusDebugAnzeige(const QString &value) override { statusLines << value; }
    void StatusAnzeige(int position, const QString &value) override { panels[position] = value; }
    void ActualizeTableData(bool openOrder, bool resultData) override
    {
        actualizeCalls << QStringLiteral("%1,%2").arg(int(openOrder)).arg(int(resultData));
    }
    void RefreshOpenOrders() override { ++refreshOpenOrdersCalls; }
    bool ResultAutoUpdate() const override { return autoUpdate; }
    db::TUsername &Username() override { return username; }
    QString StatusConnectText() override { return QStringLiteral("CONNECTED"); }
    QString StatusNotConnectText() override { return QStringLiteral("NOT CONNECTED"); }
    void SetDevicePortStatus(bool connect) override { portStatus << connect; }
    void ShowPortError(const QString &message) override { portErrors << message; }
    void HandleException(QObject *sender, const std::exception *error, const char *) override
    {
        exceptions << (sender ? sender->objectName() : QString()) + QStringLiteral(": ") +
                          QString::fromLocal8Bit(error ? error->what() : "unknown");
    }

    void clear()
    {
        debugLines.clear();
        statusLines.clear();
        panels.clear();
        actualizeCalls.clear();
        refreshOpenOrdersCalls = 0;
    }
};

} // namespace qv::test
