#pragma once

#include <QDateTime>

namespace qv::app {

// The one clock everything time-dependent reads, so tests can fix the time.
class Clock {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    static void setFixed(const QDateTime &time); // tests
    static void reset();
};

} // namespace qv::app
