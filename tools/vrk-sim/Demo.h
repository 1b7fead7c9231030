#pragma once

#include <QtGlobal>

#include <map>
#include <utility>

namespace qv::sim {

class Controller;
class DispensingPoint;
class Simulator;

// A workshop's worth of mechanics for the configured controllers: now and
// then one keys in an order at an idle point (an order the PC sent when
// there is one, else a number of his own), dispenses at 0.2 to 0.6 l/s once
// released, and mostly finishes (code 3), sometimes breaks off (code 4).
class Demo {
public:
    explicit Demo(Simulator &sim) : m_sim(sim) { }

    void tick();

private:
    struct PointState {
        qint64 nextKey = -1; // when the next order is keyed in; -1: not planned yet
        qint64 keyedAt = 0;
    };

    void start(Controller &c, DispensingPoint &p);

    Simulator &m_sim;
    std::map<std::pair<int, int>, PointState> m_points; // by address index and point
};

} // namespace qv::sim
