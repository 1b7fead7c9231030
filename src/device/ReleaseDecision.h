#pragma once

#include "device/DeviceContext.h"

namespace qv::device {

// Answers a mechanic's request at a dispensing point (status digit 1):
// checks it against the open order rows and the product at the point, or
// applies the administrator's blanket mode, queues the release answer and
// marks the released row.
class ReleaseDecision {
public:
    explicit ReleaseDecision(DeviceContext context) : m_ctx(context) {}

    void HandleReleaseRequest(const PointReport &report);
    void AssignOrderToPoint(qint64 dispensing, int addressIndex, int point);

private:
    DeviceContext m_ctx;
};

} // namespace qv::device
