#pragma once

#include "DispensingPoint.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace qv::sim {

// Which status telegram a controller answers polls with: "t" always carries
// four points; "i" lists the busy points of up to nine, each naming itself.
enum class StatusKind { Four, Blocks };

QChar KindLetter(StatusKind kind);
std::optional<StatusKind> KindFromLetter(const QString &letter);

// An order the PC sent with a "V" telegram, fields as they came.
struct StoredOrder {
    QString order; // 11 characters
    QString product; // tens and units digit of the product number
    QString preset; // 5 digits, thousandths of a litre (hundredths with the gateway)
    QString position; // 4 characters
    QString text; // additional text without its trailing spaces
};

// Ways of misbehaving on the line. The global set and a controller's own set
// add up.
struct Faults {
    bool silence = false; // hears nothing, answers nothing
    bool badCrc = false; // answers carry a wrong checksum
    bool echo = false; // the PC's own frames come back before the answer
    int lateMs = 0; // answers held back this long
    int garbage = 0; // answers replaced by this many random bytes
    bool garbageLf = false;

    bool any() const { return silence || badCrc || echo || lateMs > 0 || garbage > 0; }
    Faults merged(const Faults &other) const;
    QString describe() const; // "none" or e.g. "badcrc,late 200"
};

// An order number compared the way the PC reads it: white space trimmed and
// leading zeros removed.
QString NormalisedOrder(const QString &order);
// Digits of a quantity in 1/divisor litre, zero-padded to width and held to
// what width digits can show.
QString QuantityField(double litres, int divisor, int width);
// Text zero-padded in front to width; a longer text keeps its last width
// characters so the telegram layout never shifts.
QString FixedField(const QString &text, int width);

// One controller address: its points, the orders it was sent, its faults.
class Controller {
public:
    Controller(QChar address, StatusKind kind);

    QChar address() const { return m_address; }
    StatusKind kind() const { return m_kind; }
    // A new kind comes with fresh points; orders and faults stay.
    void setKind(StatusKind kind);
    int pointCount() const { return int(m_points.size()); }
    // nullptr for a point this controller does not have.
    DispensingPoint *point(int number);
    std::vector<DispensingPoint> &points() { return m_points; }
    const std::vector<DispensingPoint> &points() const { return m_points; }

    const QList<StoredOrder> &orders() const { return m_orders; }
    // A second "V" for the same order number and position replaces the first.
    void storeOrder(const StoredOrder &order);
    bool removeOrder(const QString &order, const QString &position);
    // By normalised number; an empty position matches any.
    const StoredOrder *findOrder(const QString &number, const QString &position) const;

    Faults &faults() { return m_faults; }
    const Faults &faults() const { return m_faults; }

    // The payload (address to time, no frame) of the status telegram for a
    // poll at nowMs. dateTime is DDMMYYHHMM; divisor applies to telegram "t".
    QString statusPayload(int divisor, const QString &dateTime, qint64 nowMs);

private:
    QString fourPointPayload(int divisor, qint64 nowMs);
    QString blockPayload(qint64 nowMs);

    QChar m_address;
    StatusKind m_kind;
    std::vector<DispensingPoint> m_points;
    QList<StoredOrder> m_orders;
    Faults m_faults;
};

} // namespace qv::sim
