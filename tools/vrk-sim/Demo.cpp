#include "Demo.h"

#include "Simulator.h"
#include "device/Telegram.h"

#include <cmath>

namespace qv::sim {

using Phase = DispensingPoint::Phase;

namespace {
// A small workshop: no more points busy at once on one controller.
constexpr int BusyPointsAtMost = 2;
// A mechanic whose request the PC never answers gives up after this.
constexpr qint64 GiveUpMs = 30000;
constexpr int IdleMinMs = 2000;
constexpr int IdleMaxMs = 12000;
constexpr int AbortPercent = 15;

double roundLitres(double litres)
{
    return std::round(litres * 100.0) / 100.0;
}

bool busy(const DispensingPoint &p)
{
    return p.phase() != Phase::Idle;
}
} // namespace

void Demo::tick()
{
    const qint64 now = m_sim.now();
    QRandomGenerator &random = m_sim.random();
    for (Controller *c : m_sim.controllers()) {
        int busyPoints = 0;
        for (const DispensingPoint &p : c->points())
            busyPoints += busy(p) ? 1 : 0;
        for (DispensingPoint &p : c->points()) {
            PointState &state = m_points[{device::AddressIndex(c->address()), p.number()}];
            if (p.phase() == Phase::Requesting && now - state.keyedAt > GiveUpMs) {
                m_sim.cancel(c->address(), p.number());
                --busyPoints;
            }
            if (p.phase() != Phase::Idle)
                continue;
            if (state.nextKey < 0) {
                state.nextKey = now + random.bounded(IdleMinMs, IdleMaxMs);
            } else if (now >= state.nextKey && busyPoints < BusyPointsAtMost) {
                start(*c, p);
                state.nextKey = -1;
                state.keyedAt = now;
                ++busyPoints;
            }
        }
    }
}

void Demo::start(Controller &c, DispensingPoint &p)
{
    QRandomGenerator &random = m_sim.random();
    // The oldest order the PC sent that no point is working on.
    const StoredOrder *stored = nullptr;
    for (const StoredOrder &o : c.orders()) {
        bool taken = false;
        for (const DispensingPoint &other : c.points())
            taken = taken || (busy(other) && other.order() == o.order && other.position() == o.position);
        if (!taken) {
            stored = &o;
            break;
        }
    }

    QString order;
    QString position;
    double amount = roundLitres(0.5 + 5.5 * random.generateDouble());
    if (stored) {
        order = stored->order;
        position = stored->position;
        if (const double preset = m_sim.presetLitres(*stored); preset > 0)
            amount = preset;
    } else {
        order = QString::number(random.bounded(1000, 100000));
    }

    FlowPlan &plan = p.plan();
    plan.rate = 0.2 + 0.4 * random.generateDouble();
    const bool abort = int(random.bounded(100)) < AbortPercent;
    plan.endCode = abort ? 4 : 3;
    plan.target = abort ? roundLitres(amount * (0.2 + 0.6 * random.generateDouble())) : amount;
    plan.operatorNo = QString::number(random.bounded(1, 31));
    m_sim.key(c.address(), p.number(), order, position, amount);
}

} // namespace qv::sim
