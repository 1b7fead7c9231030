#pragma once

#include "Controller.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace qv::sim {

class Demo;

// What the simulator has to say: a line for its log, or bytes for the line
// to the PC. Sends are shown as "-> " + text when they are written, which
// for a late answer is delayMs after they were made.
struct Output {
    enum class Kind { Event, Send };
    Kind kind = Kind::Event;
    QString text;
    QByteArray bytes;
    int delayMs = 0;
};

// The controllers on one line. It does no I/O of its own: the caller feeds
// it the lines the PC sent and the passing of time, and takes the output.
class Simulator {
public:
    using Clock = std::function<qint64()>; // monotonic milliseconds
    using WallClock = std::function<QDateTime()>; // for the date and time in telegrams

    Simulator();
    ~Simulator();
    Simulator(const Simulator &) = delete;
    Simulator &operator=(const Simulator &) = delete;

    void setClock(Clock clock) { m_clock = std::move(clock); }
    qint64 now() const { return m_clock(); }
    void setWallClock(WallClock clock) { m_wallClock = std::move(clock); }
    // A fixed DDMMYY and HHMM for every telegram; empty texts go back to the
    // wall clock.
    void setFixedDateTime(const QString &date, const QString &time);
    // DDMMYYHHMM as the status telegrams carry it.
    QString dateTimeField() const;
    void setSeed(quint32 seed) { m_random.seed(seed); }
    QRandomGenerator &random() { return m_random; }

    // Adds the controller, or gives an existing one the new kind.
    Controller &addController(QChar address, StatusKind kind);
    bool removeController(QChar address);
    Controller *controller(QChar address);
    // In address order.
    QList<Controller *> controllers();

    // The gateway reports quantities of telegram "t" and takes the preset of
    // "V" in hundredths of a litre instead of thousandths.
    bool gateway() const { return m_gateway; }
    void setGateway(bool on) { m_gateway = on; }
    int divisor() const { return m_gateway ? 100 : 1000; }
    double presetLitres(const StoredOrder &order) const;

    Faults &globalFaults() { return m_globalFaults; }
    // The next answer of the controller (of any controller without an
    // address) is replaced by that many random bytes.
    void garbageOnce(std::optional<QChar> address, int bytes, bool lf);

    void setDemo(bool on);
    bool demo() const { return m_demo != nullptr; }

    // One line from the PC as it came off the line, line end included.
    void receiveLine(const QByteArray &line);
    // Lets time pass: running points are brought up to now (ending those at
    // their target) and the demo mechanic acts.
    void tick();

    // What a mechanic does at a point. Each returns an error text, empty
    // when the step was done. Without a quantity a keyed order takes the
    // preset of a matching stored order; without a position (or on a
    // controller of kind "t") the position is that order's, else "0000".
    QString key(
        QChar address, int point, const QString &order, const QString &position, std::optional<double> quantity);
    QString end(QChar address, int point, int code, const QString &operatorNo);
    QString stop(QChar address, int point);
    QString cancel(QChar address, int point);
    // The point, brought up to now so that a changed plan counts from here.
    DispensingPoint *point(QChar address, int number, QString *error);

    void report(const QString &line);
    QList<Output> takeOutput();

private:
    struct Garbage {
        int bytes = 0;
        bool lf = false;
    };

    Faults faultsOf(const Controller &c) const { return m_globalFaults.merged(c.faults()); }
    void advance(Controller &c);
    void reportEnd(QChar address, const DispensingPoint &p);
    void answer(Controller &c, const QString &payload);
    QByteArray randomBytes(int count, bool lf);
    void handlePoll(Controller &c);
    void handleRelease(Controller &c, const QString &line);
    void handleDelete(Controller &c, const QString &line);
    void handleNewOrder(Controller &c, const QString &line);

    Clock m_clock;
    WallClock m_wallClock;
    QString m_fixedDateTime;
    QRandomGenerator m_random;
    std::map<int, std::unique_ptr<Controller>> m_controllers; // by address index
    bool m_gateway = false;
    Faults m_globalFaults;
    std::map<int, Garbage> m_garbageOnce; // by address index, -1 for any
    std::unique_ptr<Demo> m_demo;
    QList<Output> m_output;
};

// Litres as the log shows them.
QString Litres(double litres);

} // namespace qv::sim
