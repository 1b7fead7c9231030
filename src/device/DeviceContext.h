#pragma once

#include "device/CommunicationLog.h"
#include "device/DeviceHost.h"
#include "device/PointReport.h"
#include "device/SendQueue.h"

namespace qv::db {
class FbConnection;
}

namespace qv::device {

// What the release decision and the result recording share with the
// polling link: the database, the window, the queue, the log and the
// per-address states.
struct DeviceContext {
    qv::db::FbConnection &db;
    DeviceHost &host;
    SendQueue &queue;
    CommunicationLog &log;
    const VrkArray &vrk;

    // A decision line: to the status monitor while the debug monitor is on,
    // to the communication log (as sent) while that is on.
    void reportLine(const QString &line) const
    {
        if (host.DebugMonitorActive())
            host.StatusDebugAnzeige(line);
        if (log.WriteLog())
            log.WriteCommunicationLog(line, true);
    }
};

// The product connected at a dispensing point (table QUALITY); 0 when there
// is none or it is not a number.
int ProductAtPoint(qv::db::FbConnection &db, int addressIndex, int point);

} // namespace qv::device
