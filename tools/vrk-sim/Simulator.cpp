#include "Simulator.h"

#include "Demo.h"
#include "device/Telegram.h"

#include <QElapsedTimer>

namespace qv::sim {

using device::AddressIndex;
using device::FrameTelegram;
using device::PadLeft;
using device::TelegramChecksumValid;
using device::TrimLine;
using Phase = DispensingPoint::Phase;

namespace {
// Where "<" stands in a well-formed F or L frame and in a V frame; a frame
// of another length would put every field after it in the wrong place.
constexpr int ReleaseFrameEnd = 19;
constexpr int NewOrderFrameEnd = 77;
constexpr int AnyController = -1;

QString orderFields(const StoredOrder &o, double preset)
{
    return QStringLiteral("%1 %2 %3 %4 \"%5\"").arg(o.order, o.position, o.product, Litres(preset), o.text);
}

QString pointFields(QChar address, const DispensingPoint &p)
{
    return QStringLiteral("%1 %2 %3 %4").arg(address).arg(p.number()).arg(p.order(), p.position());
}
} // namespace

QString Litres(double litres)
{
    return QString::number(litres, 'f', 3);
}

Simulator::Simulator() : m_random(QRandomGenerator::global()->generate())
{
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    m_clock = [started] { return started->elapsed(); };
    m_wallClock = [] { return QDateTime::currentDateTime(); };
}

Simulator::~Simulator() = default;

void Simulator::setFixedDateTime(const QString &date, const QString &time)
{
    m_fixedDateTime = date.isEmpty() ? QString() : date + time;
}

QString Simulator::dateTimeField() const
{
    if (!m_fixedDateTime.isEmpty())
        return m_fixedDateTime;
    return m_wallClock().toString(QStringLiteral("ddMMyyHHmm"));
}

Controller &Simulator::addController(QChar address, StatusKind kind)
{
    auto &slot = m_controllers[AddressIndex(address)];
    if (!slot)
        slot = std::make_unique<Controller>(address, kind);
    else if (slot->kind() != kind)
        slot->setKind(kind);
    return *slot;
}

bool Simulator::removeController(QChar address)
{
    return m_controllers.erase(AddressIndex(address)) > 0;
}

Controller *Simulator::controller(QChar address)
{
    const auto it = m_controllers.find(AddressIndex(address));
    return it == m_controllers.end() ? nullptr : it->second.get();
}

QList<Controller *> Simulator::controllers()
{
    QList<Controller *> all;
    for (auto &[index, c] : m_controllers)
        all.append(c.get());
    return all;
}

double Simulator::presetLitres(const StoredOrder &order) const
{
    return order.preset.toInt() / double(divisor());
}

void Simulator::garbageOnce(std::optional<QChar> address, int bytes, bool lf)
{
    m_garbageOnce[address ? AddressIndex(*address) : AnyController] = Garbage{bytes, lf};
}

void Simulator::setDemo(bool on)
{
    if (on && !m_demo)
        m_demo = std::make_unique<Demo>(*this);
    else if (!on)
        m_demo.reset();
}

void Simulator::report(const QString &line)
{
    m_output.append(Output{Output::Kind::Event, line, {}, 0});
}

QList<Output> Simulator::takeOutput()
{
    return std::exchange(m_output, {});
}

void Simulator::receiveLine(const QByteArray &line)
{
    const QString text = TrimLine(QString::fromLatin1(line));
    if (text.isEmpty())
        return;
    report(QStringLiteral("<- ") + text);

    Controller *c = text.size() >= 2 ? controller(text.at(1)) : nullptr;
    // The echo is the line's doing, not a controller's: it repeats whatever
    // the PC sent, also frames that are broken or for nobody.
    if (m_globalFaults.echo || (c && c->faults().echo))
        m_output.append(Output{Output::Kind::Send, text, line, 0});

    if (!text.startsWith(QLatin1Char('>')) || !TelegramChecksumValid(text)) {
        report(QStringLiteral("WARN checksum error or no frame: ") + text);
        return;
    }
    if (!c || text.size() < 3 || faultsOf(*c).silence)
        return;

    switch (text.at(2).unicode()) {
    case 'T':
        handlePoll(*c);
        break;
    case 'F':
        handleRelease(*c, text);
        break;
    case 'L':
        handleDelete(*c, text);
        break;
    case 'V':
        handleNewOrder(*c, text);
        break;
    default:
        report(QStringLiteral("WARN unknown telegram kind: ") + text);
        break;
    }
}

void Simulator::tick()
{
    for (auto &[index, c] : m_controllers)
        advance(*c);
    if (m_demo)
        m_demo->tick();
}

void Simulator::advance(Controller &c)
{
    for (DispensingPoint &p : c.points()) {
        if (p.advance(now()))
            reportEnd(c.address(), p);
    }
}

void Simulator::reportEnd(QChar address, const DispensingPoint &p)
{
    report(QStringLiteral("END %1 %2 %3 %4 %5 %6")
               .arg(address)
               .arg(p.number())
               .arg(p.digit())
               .arg(p.order() + QLatin1Char(' ') + p.position(), Litres(p.quantity()), p.operatorNo()));
}

QByteArray Simulator::randomBytes(int count, bool lf)
{
    QByteArray bytes;
    bytes.reserve(count + 1);
    // Anything but a line feed, which would end the PC's line early.
    for (int i = 0; i < count; ++i) {
        const int b = int(m_random.bounded(255));
        bytes.append(char(b >= '\n' ? b + 1 : b));
    }
    if (lf)
        bytes.append('\n');
    return bytes;
}

void Simulator::answer(Controller &c, const QString &payload)
{
    const Faults f = faultsOf(c);
    std::optional<Garbage> garbage;
    for (const int key : {AddressIndex(c.address()), AnyController}) {
        if (const auto it = m_garbageOnce.find(key); !garbage && it != m_garbageOnce.end()) {
            garbage = it->second;
            m_garbageOnce.erase(it);
        }
    }
    if (!garbage && f.garbage > 0)
        garbage = Garbage{f.garbage, f.garbageLf};

    Output out{Output::Kind::Send, {}, {}, f.lateMs};
    if (garbage) {
        out.bytes = randomBytes(garbage->bytes, garbage->lf);
        out.text = QStringLiteral("[garbage %1] %2").arg(garbage->bytes).arg(QString::fromLatin1(out.bytes.toHex(' ')));
    } else {
        out.text = FrameTelegram(payload);
        if (f.badCrc) {
            // One more than the right sum: wrong, and still two hex digits.
            const int right = out.text.right(2).toInt(nullptr, 16);
            out.text = out.text.chopped(2) + PadLeft(QString::number((right + 1) % 256, 16).toUpper(), 2, u'0');
        }
        out.bytes = out.text.toLatin1() + '\n';
    }
    m_output.append(out);
}

void Simulator::handlePoll(Controller &c)
{
    advance(c);
    answer(c, c.statusPayload(divisor(), dateTimeField(), now()));
}

void Simulator::handleRelease(Controller &c, const QString &line)
{
    const QChar flag = line.size() > 14 ? line.at(14) : QChar();
    if (line.indexOf(QLatin1Char('<')) != ReleaseFrameEnd || (flag != u'0' && flag != u'1')) {
        report(QStringLiteral("WARN malformed release telegram: ") + line);
        return;
    }
    const QString order = line.mid(3, 11);
    const QString position = line.mid(15, 4);
    bool known = false;
    for (DispensingPoint &p : c.points()) {
        if (p.phase() == Phase::Idle || p.order() != order || p.position() != position)
            continue;
        known = true;
        if (p.phase() != Phase::Requesting)
            continue; // a repeat of an answer already taken
        const QString fields = pointFields(c.address(), p);
        if (flag == u'1') {
            p.release();
            report(QStringLiteral("RELEASED ") + fields);
        } else {
            p.withdraw();
            report(QStringLiteral("REFUSED ") + fields);
        }
        break;
    }
    if (!known)
        report(QStringLiteral("WARN release for no keyed order: %1 %2 %3").arg(c.address()).arg(order, position));
    answer(c, QString(c.address()) + QLatin1Char('f'));
}

void Simulator::handleDelete(Controller &c, const QString &line)
{
    if (line.indexOf(QLatin1Char('<')) != ReleaseFrameEnd) {
        report(QStringLiteral("WARN malformed delete telegram: ") + line);
        return;
    }
    const QString order = line.mid(3, 11);
    const QString position = line.mid(15, 4);
    bool matched = false;
    advance(c);
    for (DispensingPoint &p : c.points()) {
        if (p.phase() == Phase::Ended && p.order() == order && p.position() == position) {
            report(QStringLiteral("DELETED ") + pointFields(c.address(), p));
            p.clear();
            matched = true;
        }
    }
    // The stored order is bookkeeping of ours, matched by the number as the
    // PC means it: it pads with spaces or zeros as configured.
    for (const StoredOrder &o : c.orders()) {
        if (NormalisedOrder(o.order) == NormalisedOrder(order) && o.position == position) {
            report(QStringLiteral("DELETED %1 - %2 %3").arg(c.address()).arg(o.order, o.position));
            matched = true;
        }
    }
    c.removeOrder(order, position);
    if (!matched)
        report(QStringLiteral("WARN delete for no known order: %1 %2 %3").arg(c.address()).arg(order, position));
    answer(c, QString(c.address()) + QLatin1Char('l'));
}

void Simulator::handleNewOrder(Controller &c, const QString &line)
{
    if (line.indexOf(QLatin1Char('<')) != NewOrderFrameEnd) {
        report(QStringLiteral("WARN malformed order telegram: ") + line);
        return;
    }
    StoredOrder o;
    o.order = line.mid(3, 11);
    o.product = line.mid(76, 1) + line.mid(14, 1);
    o.preset = line.mid(15, 5);
    o.position = line.mid(20, 4);
    qsizetype textEnd = 76;
    while (textEnd > 36 && line.at(textEnd - 1) == u' ')
        --textEnd;
    o.text = line.mid(36, textEnd - 36);
    c.storeOrder(o);
    report(QStringLiteral("ORDER %1 ").arg(c.address()) + orderFields(o, presetLitres(o)));
    answer(c, QString(c.address()) + QLatin1Char('v'));
}

DispensingPoint *Simulator::point(QChar address, int number, QString *error)
{
    Controller *c = controller(address);
    if (!c) {
        *error = QStringLiteral("no controller %1").arg(address);
        return nullptr;
    }
    DispensingPoint *p = c->point(number);
    if (!p) {
        *error = QStringLiteral("controller %1 has no point %2").arg(address).arg(number);
        return nullptr;
    }
    advance(*c);
    return p;
}

QString Simulator::key(
    QChar address, int number, const QString &order, const QString &position, std::optional<double> quantity)
{
    QString error;
    DispensingPoint *p = point(address, number, &error);
    if (!p)
        return error;
    if (order.size() > 11)
        return QStringLiteral("order number longer than 11 characters: ") + order;
    if (position.size() > 4)
        return QStringLiteral("order position longer than 4 characters: ") + position;
    if (p->phase() != Phase::Idle)
        return QStringLiteral("point %1 %2 is busy").arg(address).arg(number);

    const Controller &c = *controller(address);
    const bool positions = c.kind() == StatusKind::Blocks;
    const StoredOrder *stored = c.findOrder(order, positions ? position : QString());
    // An order the PC sent is keyed as the PC wrote it, padding included, so
    // the PC finds its own number in the request.
    const QString raw = stored ? stored->order : PadLeft(order, 11, u'0');
    QString pos = QStringLiteral("0000");
    if (positions)
        pos = !position.isEmpty() ? PadLeft(position, 4, u'0') : stored ? stored->position : pos;
    const double requested = quantity ? *quantity : stored ? presetLitres(*stored) : 0.0;
    p->key(raw, pos, requested);
    report(QStringLiteral("KEYED ") + pointFields(address, *p) + QLatin1Char(' ') + Litres(requested));
    return {};
}

QString Simulator::end(QChar address, int number, int code, const QString &operatorNo)
{
    QString error;
    DispensingPoint *p = point(address, number, &error);
    if (!p)
        return error;
    if (code < 3 || code > 6)
        return QStringLiteral("end code must be 3..6, not %1").arg(code);
    if (!p->end(code, operatorNo))
        return QStringLiteral("point %1 %2 has no order keyed in or running").arg(address).arg(number);
    reportEnd(address, *p);
    return {};
}

QString Simulator::stop(QChar address, int number)
{
    QString error;
    DispensingPoint *p = point(address, number, &error);
    if (!p)
        return error;
    if (p->phase() != Phase::Running)
        return QStringLiteral("point %1 %2 is not running").arg(address).arg(number);
    return end(address, number, p->plan().endCode, p->plan().operatorNo);
}

QString Simulator::cancel(QChar address, int number)
{
    QString error;
    DispensingPoint *p = point(address, number, &error);
    if (!p)
        return error;
    const QString fields = pointFields(address, *p);
    if (!p->withdraw())
        return QStringLiteral("point %1 %2 is not waiting for a release").arg(address).arg(number);
    report(QStringLiteral("CANCELLED ") + fields);
    return {};
}

} // namespace qv::sim
