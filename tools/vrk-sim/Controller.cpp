#include "Controller.h"

#include "device/Telegram.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace qv::sim {

using device::PadLeft;

namespace {
constexpr int FourPoints = 4;
// The count of blocks is one digit, so a controller of this kind reports at
// most nine points.
constexpr int BlockPoints = 9;
} // namespace

QChar KindLetter(StatusKind kind)
{
    return kind == StatusKind::Four ? QLatin1Char('t') : QLatin1Char('i');
}

std::optional<StatusKind> KindFromLetter(const QString &letter)
{
    if (letter == QLatin1String("t"))
        return StatusKind::Four;
    if (letter == QLatin1String("i"))
        return StatusKind::Blocks;
    return std::nullopt;
}

Faults Faults::merged(const Faults &other) const
{
    Faults f;
    f.silence = silence || other.silence;
    f.badCrc = badCrc || other.badCrc;
    f.echo = echo || other.echo;
    f.lateMs = std::max(lateMs, other.lateMs);
    // A controller's own garbage setting wins over the global one.
    f.garbage = other.garbage > 0 ? other.garbage : garbage;
    f.garbageLf = other.garbage > 0 ? other.garbageLf : garbageLf;
    return f;
}

QString Faults::describe() const
{
    QStringList parts;
    if (silence)
        parts << QStringLiteral("silence");
    if (badCrc)
        parts << QStringLiteral("badcrc");
    if (echo)
        parts << QStringLiteral("echo");
    if (lateMs > 0)
        parts << QStringLiteral("late %1").arg(lateMs);
    if (garbage > 0)
        parts << QStringLiteral("garbage %1%2").arg(garbage).arg(garbageLf ? QStringLiteral(" lf") : QString());
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QLatin1Char(','));
}

QString NormalisedOrder(const QString &order)
{
    QString n = order.trimmed();
    qsizetype zeros = 0;
    while (zeros < n.size() && n.at(zeros) == QLatin1Char('0'))
        ++zeros;
    return n.mid(zeros);
}

QString QuantityField(double litres, int divisor, int width)
{
    const qint64 most = qint64(std::pow(10.0, width)) - 1;
    const qint64 units = std::clamp<qint64>(qRound64(litres * divisor), 0, most);
    return PadLeft(QString::number(units), width, QLatin1Char('0'));
}

QString FixedField(const QString &text, int width)
{
    return PadLeft(text, width, QLatin1Char('0')).right(width);
}

Controller::Controller(QChar address, StatusKind kind) : m_address(address), m_kind(kind)
{
    setKind(kind);
}

void Controller::setKind(StatusKind kind)
{
    m_kind = kind;
    m_points.clear();
    const int count = kind == StatusKind::Four ? FourPoints : BlockPoints;
    for (int p = 1; p <= count; ++p)
        m_points.emplace_back(p);
}

DispensingPoint *Controller::point(int number)
{
    if (number < 1 || number > pointCount())
        return nullptr;
    return &m_points[std::size_t(number - 1)];
}

void Controller::storeOrder(const StoredOrder &order)
{
    for (StoredOrder &o : m_orders) {
        if (o.order == order.order && o.position == order.position) {
            o = order;
            return;
        }
    }
    m_orders.append(order);
}

bool Controller::removeOrder(const QString &order, const QString &position)
{
    return m_orders.removeIf([&](const StoredOrder &o) { return o.order == order && o.position == position; }) > 0;
}

const StoredOrder *Controller::findOrder(const QString &number, const QString &position) const
{
    const QString wanted = NormalisedOrder(number);
    for (const StoredOrder &o : m_orders) {
        if (NormalisedOrder(o.order) == wanted && (position.isEmpty() || o.position == position))
            return &o;
    }
    return nullptr;
}

QString Controller::statusPayload(int divisor, const QString &dateTime, qint64 nowMs)
{
    const QString body = m_kind == StatusKind::Four ? fourPointPayload(divisor, nowMs) : blockPayload(nowMs);
    return QString(m_address) + KindLetter(m_kind) + body + dateTime;
}

QString Controller::fourPointPayload(int divisor, qint64 nowMs)
{
    QString body;
    for (DispensingPoint &p : m_points) {
        p.reported(nowMs);
        p.idleReported();
        body += QString::number(p.digit()) + p.order() + QuantityField(p.quantity(), divisor, 5)
            + FixedField(p.operatorNo(), 3);
    }
    return body;
}

QString Controller::blockPayload(qint64 nowMs)
{
    QString blocks;
    int count = 0;
    for (DispensingPoint &p : m_points) {
        if (p.phase() == DispensingPoint::Phase::Idle && !p.idleToReport())
            continue;
        p.reported(nowMs);
        p.idleReported();
        blocks += device::PointChar(p.number()) + QString::number(p.digit()) + p.order() + p.position()
            + QuantityField(p.quantity(), 1000, 6) + FixedField(p.operatorNo(), 4);
        ++count;
    }
    return QString::number(count) + blocks;
}

} // namespace qv::sim
