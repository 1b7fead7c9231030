#pragma once

#include <QString>
#include <QtGlobal>

namespace qv::sim {

// How the next (or the current) dispensing at a point runs and how it ends
// when it reaches its target or is stopped.
struct FlowPlan {
    double rate = 0.5; // litres per second
    double target = 0.0; // litres; 0: the keyed quantity, or open-ended without one
    int endCode = 3; // status digit of the end, 3..6
    QString operatorNo = QStringLiteral("1");
};

// One dispensing point as the mechanic works it: idle, an order keyed in and
// waiting for the PC's release, oil flowing, ended and waiting for the PC to
// delete the order. Time is given by the caller in milliseconds of a
// monotonic clock, so the point can be driven without waiting.
class DispensingPoint {
public:
    enum class Phase { Idle, Requesting, Running, Ended };

    explicit DispensingPoint(int number) : m_number(number) { }

    int number() const { return m_number; }
    Phase phase() const { return m_phase; }
    // The status digit a status telegram shows for this point.
    int digit() const;
    // 11 characters as the point shows them; zeros while idle.
    QString order() const;
    // 4 characters; zeros while idle.
    QString position() const;
    // Litres: the keyed quantity while requesting, the dispensed quantity
    // while running and after the end, 0 while idle.
    double quantity() const;
    // Empty until the dispensing has ended.
    QString operatorNo() const { return m_phase == Phase::Ended ? m_operator : QString(); }
    // The litres at which a running dispensing ends by itself: the planned
    // target, else the keyed quantity; 0 for none.
    double target() const { return m_plan.target > 0 ? m_plan.target : m_requested; }

    FlowPlan &plan() { return m_plan; }
    const FlowPlan &plan() const { return m_plan; }

    // Each returns false, changing nothing, when the point is not in the
    // phase the step starts from.
    bool key(const QString &order, const QString &position, double requested); // Idle -> Requesting
    bool release(); // Requesting -> Running
    bool withdraw(); // Requesting -> Idle
    bool end(int code, const QString &operatorNo); // Requesting/Running -> Ended
    bool clear(); // Ended -> Idle

    // Brings the dispensed quantity up to nowMs. Returns true when this made
    // the dispensing reach its target and end with the planned code.
    bool advance(qint64 nowMs);
    // The point goes into a status telegram at nowMs. The first running
    // report after the release still shows 0 litres (the PC records the
    // start from it); the flow is counted from that report on.
    void reported(qint64 nowMs);

    // A point that has just gone back to idle is shown once more in a
    // status telegram that lists only busy points, so the PC sees the 0.
    bool idleToReport() const { return m_idleToReport; }
    void idleReported() { m_idleToReport = false; }

private:
    void toIdle();

    int m_number;
    Phase m_phase = Phase::Idle;
    QString m_order;
    QString m_position;
    double m_requested = 0.0;
    double m_dispensed = 0.0;
    bool m_flowing = false;
    qint64 m_lastAdvance = 0;
    int m_endCode = 0;
    QString m_operator;
    bool m_idleToReport = false;
    FlowPlan m_plan;
};

} // namespace qv::sim
