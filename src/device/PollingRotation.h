#pragma once

#include "device/PointReport.h"

namespace qv::device {

// Which address the next poll goes to. Each cycle polls every online
// address once in ascending order and then one offline address, whose start
// index moves on by one each cycle, so that newly switched-on controllers
// are found.
class PollingRotation {
public:
    int nextAddress(const VrkArray &vrk);

    qint32 Adresse = 0;         // -1..35: the online address polled last in this cycle
    qint32 InactiveAdresse = 0; // 0..35
};

} // namespace qv::device
