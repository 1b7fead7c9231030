#include "DispensingPoint.h"

#include <algorithm>

namespace qv::sim {

int DispensingPoint::digit() const
{
    switch (m_phase) {
    case Phase::Idle:
        return 0;
    case Phase::Requesting:
        return 1;
    case Phase::Running:
        return 2;
    case Phase::Ended:
        return m_endCode;
    }
    return 0;
}

QString DispensingPoint::order() const
{
    return m_phase == Phase::Idle ? QString(11, QLatin1Char('0')) : m_order;
}

QString DispensingPoint::position() const
{
    return m_phase == Phase::Idle ? QString(4, QLatin1Char('0')) : m_position;
}

double DispensingPoint::quantity() const
{
    switch (m_phase) {
    case Phase::Idle:
        return 0.0;
    case Phase::Requesting:
        return m_requested;
    case Phase::Running:
    case Phase::Ended:
        return m_dispensed;
    }
    return 0.0;
}

bool DispensingPoint::key(const QString &order, const QString &position, double requested)
{
    if (m_phase != Phase::Idle)
        return false;
    m_phase = Phase::Requesting;
    m_order = order;
    m_position = position;
    m_requested = std::max(0.0, requested);
    m_dispensed = 0.0;
    m_flowing = false;
    m_operator.clear();
    m_idleToReport = false;
    return true;
}

bool DispensingPoint::release()
{
    if (m_phase != Phase::Requesting)
        return false;
    m_phase = Phase::Running;
    m_dispensed = 0.0;
    m_flowing = false;
    return true;
}

bool DispensingPoint::withdraw()
{
    if (m_phase != Phase::Requesting)
        return false;
    toIdle();
    return true;
}

bool DispensingPoint::end(int code, const QString &operatorNo)
{
    if (m_phase != Phase::Requesting && m_phase != Phase::Running)
        return false;
    // Ended before any oil flowed (a request the mechanic gave up on).
    if (m_phase == Phase::Requesting)
        m_dispensed = 0.0;
    m_phase = Phase::Ended;
    m_endCode = code;
    m_operator = operatorNo;
    m_flowing = false;
    return true;
}

bool DispensingPoint::clear()
{
    if (m_phase != Phase::Ended)
        return false;
    toIdle();
    return true;
}

bool DispensingPoint::advance(qint64 nowMs)
{
    if (m_phase != Phase::Running || !m_flowing)
        return false;
    const qint64 elapsed = std::max<qint64>(0, nowMs - m_lastAdvance);
    m_lastAdvance = nowMs;
    m_dispensed += m_plan.rate * double(elapsed) / 1000.0;
    const double limit = target();
    if (limit > 0 && m_dispensed >= limit) {
        m_dispensed = limit;
        end(m_plan.endCode, m_plan.operatorNo);
        return true;
    }
    return false;
}

void DispensingPoint::reported(qint64 nowMs)
{
    if (m_phase == Phase::Running && !m_flowing) {
        m_flowing = true;
        m_lastAdvance = nowMs;
    }
}

void DispensingPoint::toIdle()
{
    m_phase = Phase::Idle;
    m_order.clear();
    m_position.clear();
    m_requested = 0.0;
    m_dispensed = 0.0;
    m_flowing = false;
    m_operator.clear();
    m_idleToReport = true;
}

} // namespace qv::sim
