#include "SimCommands.h"

#include "Simulator.h"
#include "device/Telegram.h"

#include <algorithm>

namespace qv::sim {

namespace {

struct UsageError {
    QString text;
};

[[noreturn]] void fail(const QString &text)
{
    throw UsageError{text};
}

void needCount(const QStringList &args, int least, int most, const char *usage)
{
    if (args.size() - 1 < least || args.size() - 1 > most)
        fail(QStringLiteral("usage: ") + QLatin1String(usage));
}

QChar addressArg(const QString &word)
{
    if (word.size() != 1 || device::AddressIndex(word.at(0)) < 0)
        fail(QStringLiteral("not a controller address (0-9, A-Z): ") + word);
    return word.at(0);
}

// nullopt for "*", every controller.
std::optional<QChar> addressOrAllArg(const QString &word)
{
    if (word == QLatin1String("*"))
        return std::nullopt;
    return addressArg(word);
}

int intArg(const QString &word, int least, int most, const char *what)
{
    bool ok = false;
    const int value = word.toInt(&ok);
    if (!ok || value < least || value > most)
        fail(QStringLiteral("%1 must be a number %2..%3: %4").arg(QLatin1String(what)).arg(least).arg(most).arg(word));
    return value;
}

double litresArg(const QString &word, const char *what)
{
    bool ok = false;
    const double value = word.toDouble(&ok);
    if (!ok || value < 0)
        fail(QStringLiteral("%1 must be litres, 0 or more: %2").arg(QLatin1String(what), word));
    return value;
}

bool onOffArg(const QString &word)
{
    if (word == QLatin1String("on"))
        return true;
    if (word == QLatin1String("off"))
        return false;
    fail(QStringLiteral("on or off expected: ") + word);
}

void check(const QString &error)
{
    if (!error.isEmpty())
        fail(error);
}

} // namespace

std::optional<QStringList> SplitCommand(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (const QChar c : line) {
        if (quoted) {
            if (c == u'"')
                quoted = false;
            else
                word += c;
        } else if (c == u'"') {
            quoted = true;
            inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << std::exchange(word, QString());
            inWord = false;
        } else if (c == u'#' && !inWord) {
            break;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inWord)
        words << word;
    return words;
}

QStringList CommandInterpreter::help()
{
    return {
        QStringLiteral("controller A t|i|off          configure address A (status telegram t or i) or remove it"),
        QStringLiteral("key A P ORDER [POS|-] [QTY]   key an order in at point P: digit 1, waits for the release"),
        QStringLiteral("flow A P RATE [TARGET [CODE [OPERATOR]]]  l/s, litres to end at, end code, operator"),
        QStringLiteral("end A P CODE OPERATOR         end the dispensing now with code 3..6"),
        QStringLiteral("stop A P                      end the running dispensing with its planned code"),
        QStringLiteral("cancel A P                    withdraw a keyed order that waits for its release"),
        QStringLiteral("fault A|* silence|badcrc|echo [off]   fault A|* late MS   fault A|* garbage N [lf]"),
        QStringLiteral("fault A|* none                clear the faults of A (of the whole line with *)"),
        QStringLiteral("garbage A|* N [lf]            the next answer becomes N random bytes"),
        QStringLiteral("gateway on|off                quantities of t and the V preset in 1/100 l"),
        QStringLiteral("clock DDMMYY HHMM | clock local"),
        QStringLiteral("demo on|off                   random dispensings on the configured controllers"),
        QStringLiteral("orders | status | wait MS | quit | help"),
    };
}

CommandInterpreter::Result CommandInterpreter::execute(const QString &line)
{
    Result result;
    try {
        const std::optional<QStringList> split = SplitCommand(line);
        if (!split)
            fail(QStringLiteral("unclosed quote"));
        const QStringList &args = *split;
        if (args.isEmpty())
            return result;
        const QString &command = args.first();
        if (command == QLatin1String("controller")) {
            controllerCommand(args);
        } else if (command == QLatin1String("key")) {
            keyCommand(args);
        } else if (command == QLatin1String("flow")) {
            flowCommand(args);
        } else if (command == QLatin1String("end") || command == QLatin1String("stop")
            || command == QLatin1String("cancel")) {
            pointCommand(args);
        } else if (command == QLatin1String("fault")) {
            faultCommand(args);
        } else if (command == QLatin1String("garbage")) {
            garbageCommand(args);
        } else if (command == QLatin1String("gateway") || command == QLatin1String("demo")) {
            switchCommand(args);
        } else if (command == QLatin1String("clock")) {
            clockCommand(args);
        } else if (command == QLatin1String("orders")) {
            needCount(args, 0, 0, "orders");
            listOrders();
        } else if (command == QLatin1String("status")) {
            needCount(args, 0, 0, "status");
            listStatus();
        } else if (command == QLatin1String("wait")) {
            needCount(args, 1, 1, "wait MS");
            result.action = Result::Action::Wait;
            result.waitMs = intArg(args.at(1), 0, 24 * 3600 * 1000, "MS");
        } else if (command == QLatin1String("quit")) {
            needCount(args, 0, 0, "quit");
            result.action = Result::Action::Quit;
        } else if (command == QLatin1String("help")) {
            for (const QString &h : help())
                m_sim.report(QStringLiteral("  ") + h);
        } else {
            fail(QStringLiteral("unknown command: ") + command + QStringLiteral(" (try help)"));
        }
    } catch (const UsageError &e) {
        m_sim.report(QStringLiteral("ERROR ") + e.text + QStringLiteral(" (in: ") + line.trimmed() + QLatin1Char(')'));
        result = Result{};
        result.ok = false;
    }
    return result;
}

void CommandInterpreter::controllerCommand(const QStringList &args)
{
    needCount(args, 2, 2, "controller A t|i|off");
    const QChar address = addressArg(args.at(1));
    if (args.at(2) == QLatin1String("off")) {
        if (!m_sim.removeController(address))
            fail(QStringLiteral("no controller ") + address);
        return;
    }
    const std::optional<StatusKind> kind = KindFromLetter(args.at(2));
    if (!kind)
        fail(QStringLiteral("kind must be t or i: ") + args.at(2));
    m_sim.addController(address, *kind);
}

void CommandInterpreter::keyCommand(const QStringList &args)
{
    needCount(args, 3, 5, "key A P ORDER [POS|-] [QTY]");
    const QString position = args.size() > 4 && args.at(4) != QLatin1String("-") ? args.at(4) : QString();
    std::optional<double> quantity;
    if (args.size() > 5)
        quantity = litresArg(args.at(5), "QTY");
    check(m_sim.key(addressArg(args.at(1)), intArg(args.at(2), 1, 10, "P"), args.at(3), position, quantity));
}

void CommandInterpreter::flowCommand(const QStringList &args)
{
    needCount(args, 3, 6, "flow A P RATE [TARGET [CODE [OPERATOR]]]");
    QString error;
    DispensingPoint *p = m_sim.point(addressArg(args.at(1)), intArg(args.at(2), 1, 10, "P"), &error);
    check(error);
    FlowPlan plan = p->plan();
    plan.rate = litresArg(args.at(3), "RATE");
    if (args.size() > 4)
        plan.target = litresArg(args.at(4), "TARGET");
    if (args.size() > 5)
        plan.endCode = intArg(args.at(5), 3, 6, "CODE");
    if (args.size() > 6)
        plan.operatorNo = args.at(6);
    p->plan() = plan;
}

void CommandInterpreter::pointCommand(const QStringList &args)
{
    const QString &command = args.first();
    if (command == QLatin1String("end")) {
        needCount(args, 4, 4, "end A P CODE OPERATOR");
        check(m_sim.end(
            addressArg(args.at(1)), intArg(args.at(2), 1, 10, "P"), intArg(args.at(3), 3, 6, "CODE"), args.at(4)));
    } else if (command == QLatin1String("stop")) {
        needCount(args, 2, 2, "stop A P");
        check(m_sim.stop(addressArg(args.at(1)), intArg(args.at(2), 1, 10, "P")));
    } else {
        needCount(args, 2, 2, "cancel A P");
        check(m_sim.cancel(addressArg(args.at(1)), intArg(args.at(2), 1, 10, "P")));
    }
}

void CommandInterpreter::faultCommand(const QStringList &args)
{
    needCount(args, 2, 4, "fault A|* silence|badcrc|echo [off] | late MS | garbage N [lf] | none");
    const std::optional<QChar> address = addressOrAllArg(args.at(1));
    Faults *faults = &m_sim.globalFaults();
    if (address) {
        Controller *c = m_sim.controller(*address);
        if (!c)
            fail(QStringLiteral("no controller ") + *address);
        faults = &c->faults();
    }
    const QString &kind = args.at(2);
    const QString option = args.size() > 3 ? args.at(3) : QString();
    if (kind == QLatin1String("none")) {
        needCount(args, 2, 2, "fault A|* none");
        *faults = Faults{};
    } else if (kind == QLatin1String("silence") || kind == QLatin1String("badcrc") || kind == QLatin1String("echo")) {
        needCount(args, 2, 3, "fault A|* silence|badcrc|echo [off]");
        const bool on = option.isEmpty() || onOffArg(option);
        bool &flag = kind == QLatin1String("silence") ? faults->silence
            : kind == QLatin1String("badcrc")         ? faults->badCrc
                                                      : faults->echo;
        flag = on;
    } else if (kind == QLatin1String("late")) {
        needCount(args, 3, 3, "fault A|* late MS");
        faults->lateMs = intArg(option, 0, 60000, "MS");
    } else if (kind == QLatin1String("garbage")) {
        needCount(args, 3, 4, "fault A|* garbage N [lf]");
        faults->garbage = intArg(option, 0, 4096, "N");
        faults->garbageLf = args.size() > 4 && args.at(4) == QLatin1String("lf");
        if (args.size() > 4 && !faults->garbageLf)
            fail(QStringLiteral("lf expected: ") + args.at(4));
    } else {
        fail(QStringLiteral("unknown fault: ") + kind);
    }
}

void CommandInterpreter::garbageCommand(const QStringList &args)
{
    needCount(args, 2, 3, "garbage A|* N [lf]");
    const std::optional<QChar> address = addressOrAllArg(args.at(1));
    if (address && !m_sim.controller(*address))
        fail(QStringLiteral("no controller ") + *address);
    const int bytes = intArg(args.at(2), 1, 4096, "N");
    if (args.size() > 3 && args.at(3) != QLatin1String("lf"))
        fail(QStringLiteral("lf expected: ") + args.at(3));
    m_sim.garbageOnce(address, bytes, args.size() > 3);
}

void CommandInterpreter::clockCommand(const QStringList &args)
{
    if (args.size() == 2 && args.at(1) == QLatin1String("local")) {
        m_sim.setFixedDateTime({}, {});
        return;
    }
    needCount(args, 2, 2, "clock DDMMYY HHMM | clock local");
    // Any six and four digits are taken, also an impossible date, since
    // how the PC copes with one is worth trying.
    const QString &date = args.at(1);
    const QString &time = args.at(2);
    const auto digits = [](const QString &s, int n) {
        return s.size() == n && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); });
    };
    if (!digits(date, 6) || !digits(time, 4))
        fail(QStringLiteral("clock wants DDMMYY HHMM digits: ") + date + QLatin1Char(' ') + time);
    m_sim.setFixedDateTime(date, time);
}

void CommandInterpreter::switchCommand(const QStringList &args)
{
    needCount(args, 1, 1, "gateway on|off  /  demo on|off");
    const bool on = onOffArg(args.at(1));
    if (args.first() == QLatin1String("gateway"))
        m_sim.setGateway(on);
    else
        m_sim.setDemo(on);
}

void CommandInterpreter::listOrders()
{
    int count = 0;
    for (const Controller *c : m_sim.controllers())
        count += int(c->orders().size());
    m_sim.report(QStringLiteral("ORDERS %1").arg(count));
    for (const Controller *c : m_sim.controllers()) {
        for (const StoredOrder &o : c->orders())
            m_sim.report(QStringLiteral("  %1 %2 %3 %4 %5 \"%6\"")
                             .arg(c->address())
                             .arg(o.order, o.position, o.product, Litres(m_sim.presetLitres(o)), o.text));
    }
}

void CommandInterpreter::listStatus()
{
    m_sim.tick();
    m_sim.report(QStringLiteral("STATUS gateway=%1 clock=%2 demo=%3 faults=%4")
                     .arg(m_sim.gateway() ? QStringLiteral("on") : QStringLiteral("off"), m_sim.dateTimeField(),
                         m_sim.demo() ? QStringLiteral("on") : QStringLiteral("off"), m_sim.globalFaults().describe()));
    for (const Controller *c : m_sim.controllers()) {
        m_sim.report(QStringLiteral("STATUS %1 %2 faults=%3 orders=%4")
                         .arg(c->address())
                         .arg(KindLetter(c->kind()))
                         .arg(c->faults().describe())
                         .arg(c->orders().size()));
        for (const DispensingPoint &p : c->points()) {
            const FlowPlan &plan = p.plan();
            m_sim.report(QStringLiteral("  %1 %2 %3 %4 %5 %6 operator=%7 rate=%8 target=%9 end=%10/%11")
                             .arg(QString(c->address()), QString::number(p.number()), QString::number(p.digit()),
                                 p.order(), p.position(), Litres(p.quantity()),
                                 p.operatorNo().isEmpty() ? QStringLiteral("-") : p.operatorNo(), Litres(plan.rate),
                                 Litres(p.target()), QString::number(plan.endCode), plan.operatorNo));
        }
    }
}

} // namespace qv::sim
