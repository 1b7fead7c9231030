#pragma once

// What the release decision and the result recording need around them: a
// copy of the delivered database, a recording window, the send queue, the
// communication log in the test's own folder and the per-address states.

#include "DbTest.h"
#include "RecordingHost.h"

#include "db/TUsername.h"
#include "device/DeviceContext.h"

namespace qv::test {

struct DispensingFixture {
    ProgramDataDir dir;
    db::FbConnection db;
    RecordingHost host;
    device::SendQueue queue;
    device::CommunicationLog log{dir.settingsDir()};
    device::VrkArray vrk{};

    DispensingFixture()
    {
        attachFile(db, dir.databaseFile());
        host.username.OrderCheckValue = int(db::TAdminOrderCheck::oCheck);
    }
    device::DeviceContext context() { return {db, host, queue, log, vrk}; }
};

} // namespace qv::test
