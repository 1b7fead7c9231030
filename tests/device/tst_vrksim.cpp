// The controller simulator: its telegrams field by field, the mechanic at a
// point from key-in to the delete, its faults and commands, and the program
// on a pseudo-terminal.

#include "SimCommands.h"
#include "Simulator.h"
#include "device/Telegram.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

using namespace qv::sim;
using qv::device::FrameTelegram;
using qv::device::PadRight;
using qv::device::PointNumber;
using qv::device::TelegramChecksumValid;

namespace {

// One simulated line with the test as the PC: its own clock, a fixed date,
// and everything the simulator says collected.
class Line {
public:
    Line()
    {
        sim.setClock([this] { return clockMs; });
        sim.setWallClock([] { return QDateTime(QDate(2025, 3, 7), QTime(8, 5)); });
        sim.setFixedDateTime(QStringLiteral("311224"), QStringLiteral("2359"));
        sim.setSeed(7);
    }

    // One step per line: ">payload" comes from the PC (framed here), "+MS"
    // lets time pass, anything else is a command. False at a rejected command.
    bool run(const QString &steps)
    {
        for (const QString &raw : steps.split(QLatin1Char('\n'))) {
            const QString step = raw.trimmed();
            if (step.startsWith(QLatin1Char('>'))) {
                exchange(step.mid(1));
            } else if (step.startsWith(QLatin1Char('+'))) {
                clockMs += step.mid(1).toInt();
                sim.tick();
                collect();
            } else if (!step.isEmpty()) {
                const bool ok = commands.execute(step).ok;
                collect();
                if (!ok)
                    return false;
            }
        }
        return true;
    }

    // What the simulator sends back to one telegram from the PC.
    QList<Output> exchange(const QString &payload)
    {
        return exchangeRaw((FrameTelegram(payload) + QStringLiteral("\r\n")).toLatin1());
    }

    QList<Output> exchangeRaw(const QByteArray &line)
    {
        sim.receiveLine(line);
        return collect();
    }

    // The one answer to a poll; empty for none.
    QString poll(QChar address)
    {
        const QList<Output> sends = exchange(QString(address) + QLatin1Char('T'));
        return sends.size() == 1 ? sends.first().text : QString();
    }

    bool sawEvent(const QString &line) const { return events.contains(line); }
    bool sawEventStarting(const QString &prefix) const
    {
        return std::any_of(events.begin(), events.end(), [&](const QString &e) { return e.startsWith(prefix); });
    }

    Simulator sim;
    CommandInterpreter commands{sim};
    qint64 clockMs = 0;
    QStringList events;

private:
    QList<Output> collect()
    {
        QList<Output> sends;
        for (const Output &out : sim.takeOutput()) {
            if (out.kind == Output::Kind::Event)
                events << out.text;
            else
                sends << out;
        }
        return sends;
    }
};

// The fields of one point in a status telegram of either kind, read by the
// positions the PC reads; digit -1 when the telegram does not list the point.
struct PointView {
    int digit = -1;
    QString order;
    QString position;
    QString quantity;
    QString operatorNo;
};

PointView pointIn(const QString &frame, int point)
{
    if (frame.size() > 3 && frame.at(2) == u't') {
        const int s = 20 * point - 17;
        return {frame.at(s).digitValue(), frame.mid(s + 1, 11), QStringLiteral("0000"), frame.mid(s + 12, 5),
            frame.mid(s + 17, 3)};
    }
    const int count = frame.size() > 4 ? frame.at(3).digitValue() : 0;
    for (int k = 0; k < count; ++k) {
        const int s = 4 + 27 * k;
        if (PointNumber(frame.at(s)) == point)
            return {frame.at(s + 1).digitValue(), frame.mid(s + 2, 11), frame.mid(s + 13, 4), frame.mid(s + 17, 6),
                frame.mid(s + 23, 4)};
    }
    return {};
}

// The payload of a new-order telegram as the PC builds it.
QString newOrder(QChar address, const QString &order, const QString &product, const QString &preset,
    const QString &position, const QString &text)
{
    return QString(address) + QLatin1Char('V') + order + product.at(2) + preset + position + QString(12, u' ')
        + PadRight(text, 40, u' ') + product.at(1);
}

} // namespace

class TestVrkSim : public QObject {
    Q_OBJECT

private slots:
    // Only configured addresses answer, each telegram with its own kind;
    // anything broken or for nobody stays unanswered, so the PC times out.
    void answersOnlyConfiguredAddresses_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("answer"); // the answer's start, empty for none

        const auto frame = [](const char *payload) {
            return (FrameTelegram(QLatin1String(payload)) + QStringLiteral("\r\n")).toLatin1();
        };
        QTest::newRow("poll t") << "controller 0 t" << frame("0T") << ">0t";
        QTest::newRow("poll i") << "controller 5 i" << frame("5T") << ">5i";
        QTest::newRow("letter address") << "controller 0 t\ncontroller Z i" << frame("ZT") << ">Zi";
        QTest::newRow("other address") << "controller 0 t" << frame("1T") << "";
        QTest::newRow("removed controller") << "controller 0 t\ncontroller 0 off" << frame("0T") << "";
        QTest::newRow("wrong checksum") << "controller 0 t" << QByteArray(">0T<FF\r\n") << "";
        QTest::newRow("no frame") << "controller 0 t" << QByteArray("0T<FE\r\n") << "";
        QTest::newRow("unknown kind") << "controller 0 t" << frame("0X") << "";
        QTest::newRow("release ack") << "controller 0 t" << frame("0F0000001234510000") << ">0f<";
        QTest::newRow("delete ack") << "controller 0 i" << frame("0L0000001234500001") << ">0l<";
        QTest::newRow("order ack") << "controller 0 t"
                                   << (FrameTelegram(
                                           newOrder(u'0', QStringLiteral("00000012345"), QStringLiteral("023"),
                                               QStringLiteral("01000"), QStringLiteral("0000"), QString()))
                                          + QStringLiteral("\r\n"))
                                          .toLatin1()
                                   << ">0v<";
        QTest::newRow("release for another address") << "controller 0 t" << frame("1F0000001234510000") << "";
        QTest::newRow("release cut short") << "controller 0 t" << frame("0F000000123451") << "";
    }

    void answersOnlyConfiguredAddresses()
    {
        QFETCH(QString, setup);
        QFETCH(QByteArray, line);
        QFETCH(QString, answer);

        Line l;
        QVERIFY(l.run(setup));
        const QList<Output> sends = l.exchangeRaw(line);
        QCOMPARE(sends.size(), answer.isEmpty() ? 0 : 1);
        QVERIFY(l.sawEvent(QStringLiteral("<- ") + QString::fromLatin1(line).trimmed()));
        if (answer.isEmpty())
            return;
        const Output &out = sends.first();
        QVERIFY2(out.text.startsWith(answer), qPrintable(out.text));
        QVERIFY(TelegramChecksumValid(out.text));
        QCOMPARE(out.bytes, out.text.toLatin1() + '\n');
        QCOMPARE(out.delayMs, 0);
        // An acknowledgement is the bare frame.
        if (answer.endsWith(u'<'))
            QCOMPARE(out.text, FrameTelegram(answer.mid(1, 2)));
    }

    // Status telegram 2: four blocks of 20 at 20j - 16, then date and time;
    // 96 characters whatever the points show.
    void fourPointTelegramLayout()
    {
        Line l;
        QVERIFY(l.run(QStringLiteral("controller 3 t\n"
                                     "key 3 2 12345 - 2.5\n"
                                     "flow 3 4 1.0\n"
                                     "key 3 4 678\n"
                                     ">3F0000000067810000\n"
                                     ">3T\n"
                                     "+1500\n"
                                     "end 3 4 5 42")));
        const QString t = l.poll(u'3');
        QCOMPARE(t.size(), 96);
        QVERIFY(TelegramChecksumValid(t));
        QCOMPARE(t.left(3), QStringLiteral(">3t"));
        const QStringList blocks = {
            QStringLiteral("0") + QStringLiteral("00000000000") + QStringLiteral("00000") + QStringLiteral("000"),
            QStringLiteral("1") + QStringLiteral("00000012345") + QStringLiteral("02500") + QStringLiteral("000"),
            QStringLiteral("0") + QStringLiteral("00000000000") + QStringLiteral("00000") + QStringLiteral("000"),
            QStringLiteral("5") + QStringLiteral("00000000678") + QStringLiteral("01500") + QStringLiteral("042"),
        };
        for (int j = 1; j <= 4; ++j)
            QCOMPARE(t.mid(20 * j - 17, 20), blocks.at(j - 1));
        QCOMPARE(t.mid(83, 6), QStringLiteral("311224"));
        QCOMPARE(t.mid(89, 4), QStringLiteral("2359"));
        QCOMPARE(t.at(93), u'<');
    }

    // Status telegram 3: the count, 27 characters per busy point in point
    // order, then date and time; 17 + 27n characters.
    void blockTelegramLayout_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("blocks");

        QTest::newRow("no busy point") << "" << QStringList();
        QTest::newRow("one request") << "key 7 9 4711 0003 12.5"
                                     << QStringList{QStringLiteral("91000000047110003012500") + QStringLiteral("0000")};
        QTest::newRow("three points")
            << "key 7 5 22222222222 0010 0.75\n"
               "key 7 1 1\n"
               "key 7 8 99 1 1\n"
               "end 7 5 6 1234"
            << QStringList{QStringLiteral("1100000000001") + QStringLiteral("0000000000") + QStringLiteral("0000"),
                   QStringLiteral("5622222222222") + QStringLiteral("0010000000") + QStringLiteral("1234"),
                   QStringLiteral("8100000000099") + QStringLiteral("0001001000") + QStringLiteral("0000")};
    }

    void blockTelegramLayout()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, blocks);

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 7 i\n") + setup));
        const QString t = l.poll(u'7');
        const int n = int(blocks.size());
        QCOMPARE(t.size(), 17 + 27 * n);
        QVERIFY(TelegramChecksumValid(t));
        QCOMPARE(t.left(4), QStringLiteral(">7i") + QString::number(n));
        for (int k = 0; k < n; ++k)
            QCOMPARE(t.mid(4 + 27 * k, 27), blocks.at(k));
        QCOMPARE(t.mid(4 + 27 * n, 10), QStringLiteral("3112242359"));
        QCOMPARE(t.at(14 + 27 * n), u'<');
    }

    // The mechanic's whole way: key-in (1), release (2, starting at 0 l and
    // growing with time), target reached (end code and operator), the end
    // kept until the PC deletes the order, then idle again.
    void releasedDispensingRunsToItsEnd_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("position"); // as the point reports it
        QTest::addColumn<int>("divisor");
        QTest::newRow("t") << "t"
                           << "0000" << 1000;
        QTest::newRow("i") << "i"
                           << "0001" << 1000;
    }

    void releasedDispensingRunsToItsEnd()
    {
        QFETCH(QString, kind);
        QFETCH(QString, position);
        QFETCH(int, divisor);
        const auto litres = [&](const PointView &v) { return v.quantity.toInt() / double(divisor); };

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 %1\nflow 0 2 0.4 2 3 17\nkey 0 2 12345 0001").arg(kind)));
        PointView v = pointIn(l.poll(u'0'), 2);
        QCOMPARE(v.digit, 1);
        QCOMPARE(v.order, QStringLiteral("00000012345"));
        QCOMPARE(v.position, position);

        const QList<Output> ack = l.exchange(QStringLiteral("0F00000012345") + QLatin1Char('1') + position);
        QCOMPARE(ack.size(), 1);
        QCOMPARE(ack.first().text, FrameTelegram(QStringLiteral("0f")));
        QVERIFY(l.sawEvent(QStringLiteral("RELEASED 0 2 00000012345 ") + position));

        v = pointIn(l.poll(u'0'), 2);
        QCOMPARE(v.digit, 2);
        QCOMPARE(litres(v), 0.0);
        l.clockMs += 2000;
        v = pointIn(l.poll(u'0'), 2);
        QCOMPARE(v.digit, 2);
        QCOMPARE(litres(v), 0.8);
        QCOMPARE(v.operatorNo.toInt(), 0);

        l.clockMs += 3000;
        v = pointIn(l.poll(u'0'), 2);
        QCOMPARE(v.digit, 3);
        QCOMPARE(litres(v), 2.0);
        QCOMPARE(v.operatorNo.toInt(), 17);
        QVERIFY(l.sawEvent(QStringLiteral("END 0 2 3 00000012345 %1 2.000 17").arg(position)));

        l.clockMs += 60000;
        v = pointIn(l.poll(u'0'), 2);
        QCOMPARE(v.digit, 3);
        QCOMPARE(litres(v), 2.0);

        const QList<Output> deleted = l.exchange(QStringLiteral("0L00000012345") + QLatin1Char('0') + position);
        QCOMPARE(deleted.size(), 1);
        QCOMPARE(deleted.first().text, FrameTelegram(QStringLiteral("0l")));
        QVERIFY(l.sawEvent(QStringLiteral("DELETED 0 2 00000012345 ") + position));
        v = pointIn(l.poll(u'0'), 2);
        QCOMPARE(v.digit, 0);
        QCOMPARE(v.order, QStringLiteral("00000000000"));
        QCOMPARE(litres(v), 0.0);
        // Telegram 3 showed the idle point once; from then on it lists nothing.
        if (kind == QLatin1String("i"))
            QCOMPARE(l.poll(u'0').mid(3, 1), QStringLiteral("0"));
    }

    // A release answer moves only the point whose request it names exactly;
    // every well-formed one is acknowledged.
    void releaseAnswers_data()
    {
        QTest::addColumn<QString>("answer"); // order, flag, position
        QTest::addColumn<int>("digit");
        QTest::addColumn<QString>("event");

        QTest::newRow("released") << "00000012345"
                                     "1"
                                     "0002"
                                  << 2 << "RELEASED 0 3 00000012345 0002";
        QTest::newRow("refused") << "00000012345"
                                    "0"
                                    "0002"
                                 << 0 << "REFUSED 0 3 00000012345 0002";
        QTest::newRow("other order") << "00000012346"
                                        "1"
                                        "0002"
                                     << 1 << "WARN";
        QTest::newRow("other position") << "00000012345"
                                           "1"
                                           "0001"
                                        << 1 << "WARN";
        QTest::newRow("number padded otherwise") << "      12345"
                                                    "1"
                                                    "0002"
                                                 << 1 << "WARN";
    }

    void releaseAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(int, digit);
        QFETCH(QString, event);

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 i\nkey 0 3 12345 0002")));
        const QList<Output> ack = l.exchange(QStringLiteral("0F") + answer);
        QCOMPARE(ack.size(), 1);
        QCOMPARE(ack.first().text, FrameTelegram(QStringLiteral("0f")));
        QVERIFY2(l.sawEventStarting(event), qPrintable(l.events.join(QLatin1Char('\n'))));
        const PointView v = pointIn(l.poll(u'0'), 3);
        QCOMPARE(v.digit, digit);
        if (digit == 0)
            QCOMPARE(v.order, QStringLiteral("00000000000"));
    }

    // How a dispensing ends: at its target, by stop with the planned code,
    // by end with a code of its own, or not at all without a target.
    void dispensingEnds_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("digit");
        QTest::addColumn<double>("litres");
        QTest::addColumn<int>("operatorNo");

        const QString released = QStringLiteral("key 0 1 555\n>0F0000000055510000\n>0T\n");
        QTest::newRow("stop with the planned code")
            << "flow 0 1 1 0 4 9\n" + released + "+1000\nstop 0 1" << 4 << 1.0 << 9;
        QTest::newRow("end with its own code") << released + "+3000\nend 0 1 6 123" << 6 << 1.5 << 123;
        QTest::newRow("end before the release") << "key 0 1 555 - 3\nend 0 1 4 5" << 4 << 0.0 << 5;
        QTest::newRow("keyed quantity as target") << "flow 0 1 0.5\nkey 0 1 555 - 1.2\n>0F0000000055510000\n>0T\n"
                                                     "+10000"
                                                  << 3 << 1.2 << 1;
        QTest::newRow("open-ended keeps running") << released + "+30000" << 2 << 15.0 << 0;
        QTest::newRow("rate changed while running") << released + "+2000\nflow 0 1 0.25\n+4000" << 2 << 2.0 << 0;
        QTest::newRow("withdrawn request") << "key 0 1 555\ncancel 0 1" << 0 << 0.0 << 0;
    }

    void dispensingEnds()
    {
        QFETCH(QString, steps);
        QFETCH(int, digit);
        QFETCH(double, litres);
        QFETCH(int, operatorNo);

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 t\n") + steps));
        const PointView v = pointIn(l.poll(u'0'), 1);
        QCOMPARE(v.digit, digit);
        QCOMPARE(v.quantity.toInt() / 1000.0, litres);
        QCOMPARE(v.operatorNo.toInt(), operatorNo);
        if (digit >= 3)
            QVERIFY(l.sawEvent(
                QStringLiteral("END 0 1 %1 00000000555 0000 %2 %3").arg(digit).arg(Litres(litres)).arg(operatorNo)));
    }

    // The order number a point shows: zero-padded as keyed, or exactly as
    // the PC wrote it in an order it sent.
    void keyedOrderNumbers_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("keyed");
        QTest::addColumn<QString>("shown");

        QTest::newRow("short number") << ""
                                      << "12345"
                                      << "00000012345";
        QTest::newRow("full width") << ""
                                    << "98765432101"
                                    << "98765432101";
        QTest::newRow("quoted spaces") << ""
                                       << "\"      12345\""
                                       << "      12345";
        QTest::newRow("as the PC sent it") << ">"
                + newOrder(u'0', QStringLiteral("        777"), QStringLiteral("011"), QStringLiteral("00000"),
                    QStringLiteral("0000"), QString())
                                           << "777"
                                           << "        777";
    }

    void keyedOrderNumbers()
    {
        QFETCH(QString, setup);
        QFETCH(QString, keyed);
        QFETCH(QString, shown);

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 t\n") + setup + QStringLiteral("\nkey 0 4 ") + keyed));
        QCOMPARE(pointIn(l.poll(u'0'), 4).order, shown);
    }

    // Orders from "V" telegrams are kept per controller with their fields,
    // replaced by a repeat, dropped by a delete, and give a key-in its
    // quantity and position.
    void newOrdersAreKept()
    {
        Line l;
        QVERIFY(l.run(QStringLiteral("controller 2 i\ncontroller 4 t")));
        const QString oil = newOrder(u'2', QStringLiteral("00000012345"), QStringLiteral("023"),
            QStringLiteral("12500"), QStringLiteral("0004"), QStringLiteral("5W-30 Audi"));
        QCOMPARE(FrameTelegram(oil).size(), 80);
        const QList<Output> ack = l.exchange(oil);
        QCOMPARE(ack.size(), 1);
        QCOMPARE(ack.first().text, FrameTelegram(QStringLiteral("2v")));
        QVERIFY(l.sawEvent(QStringLiteral("ORDER 2 00000012345 0004 23 12.500 \"5W-30 Audi\"")));

        // The same order again replaces it; another position is another order.
        l.exchange(newOrder(u'2', QStringLiteral("00000012345"), QStringLiteral("023"), QStringLiteral("02000"),
            QStringLiteral("0004"), QStringLiteral("5W-30 Audi, 2 l")));
        l.exchange(newOrder(u'2', QStringLiteral("00000012345"), QStringLiteral("010"), QStringLiteral("00000"),
            QStringLiteral("0005"), QString()));
        l.events.clear();
        QVERIFY(l.run(QStringLiteral("orders")));
        QCOMPARE(l.events,
            (QStringList{QStringLiteral("ORDERS 2"),
                QStringLiteral("  2 00000012345 0004 23 2.000 \"5W-30 Audi, 2 l\""),
                QStringLiteral("  2 00000012345 0005 10 0.000 \"\"")}));
        QCOMPARE(l.sim.controller(u'4')->orders().size(), 0);

        // Keyed in by its number alone, the point takes the stored position
        // and preset.
        QVERIFY(l.run(QStringLiteral("key 2 1 12345")));
        PointView v = pointIn(l.poll(u'2'), 1);
        QCOMPARE(v.position, QStringLiteral("0004"));
        QCOMPARE(v.quantity, QStringLiteral("002000"));

        // With the gateway the preset is in hundredths.
        QVERIFY(l.run(QStringLiteral("cancel 2 1\ngateway on\nkey 2 1 12345 0004")));
        QCOMPARE(pointIn(l.poll(u'2'), 1).quantity, QStringLiteral("020000"));

        l.exchange(QStringLiteral("2L00000012345") + QLatin1Char('0') + QStringLiteral("0005"));
        QVERIFY(l.sawEvent(QStringLiteral("DELETED 2 - 00000012345 0005")));
        QCOMPARE(l.sim.controller(u'2')->orders().size(), 1);
        QCOMPARE(l.sim.controller(u'2')->orders().first().position, QStringLiteral("0004"));
    }

    // Telegram 2 counts in 1/1000 litre, or 1/100 with the gateway;
    // telegram 3 always in 1/1000.
    void gatewayDivisor_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("gateway");
        QTest::addColumn<QString>("field");
        QTest::newRow("t") << "t"
                           << "off"
                           << "01250";
        QTest::newRow("t gateway") << "t"
                                   << "on"
                                   << "00125";
        QTest::newRow("i") << "i"
                           << "off"
                           << "001250";
        QTest::newRow("i gateway") << "i"
                                   << "on"
                                   << "001250";
    }

    void gatewayDivisor()
    {
        QFETCH(QString, kind);
        QFETCH(QString, gateway);
        QFETCH(QString, field);

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 %1\ngateway %2\nflow 0 1 0.25\nkey 0 1 8\n"
                                     ">0F0000000000810000\n>0T\n+5000")
                          .arg(kind, gateway)));
        const PointView v = pointIn(l.poll(u'0'), 1);
        QCOMPARE(v.digit, 2);
        QCOMPARE(v.quantity, field);
    }

    // Each fault as the PC meets it on the line, per controller or for all.
    void faults_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QChar>("polled");
        QTest::addColumn<int>("polls");
        QTest::addColumn<QStringList>("sends"); // over all polls: frame, badcrc, echo, garbage N, garbage N lf
        QTest::addColumn<int>("delayMs");

        const QString two = QStringLiteral("controller 0 t\ncontroller 1 i\n");
        QTest::newRow("silence") << two + "fault 0 silence" << QChar(u'0') << 1 << QStringList() << 0;
        QTest::newRow("silence for all") << two + "fault * silence" << QChar(u'1') << 1 << QStringList() << 0;
        QTest::newRow("silence of another") << two + "fault 1 silence" << QChar(u'0') << 1 << QStringList{"frame"} << 0;
        QTest::newRow("badcrc") << two + "fault 0 badcrc" << QChar(u'0') << 2 << QStringList{"badcrc", "badcrc"} << 0;
        QTest::newRow("badcrc off again")
            << two + "fault 0 badcrc\nfault 0 badcrc off" << QChar(u'0') << 1 << QStringList{"frame"} << 0;
        QTest::newRow("echo") << two + "fault 1 echo" << QChar(u'1') << 1 << QStringList{"echo", "frame"} << 0;
        QTest::newRow("echo for nobody") << two + "fault * echo" << QChar(u'7') << 1 << QStringList{"echo"} << 0;
        QTest::newRow("late") << two + "fault 0 late 250" << QChar(u'0') << 1 << QStringList{"frame"} << 250;
        QTest::newRow("late for all") << two + "fault * late 400\nfault 1 late 100" << QChar(u'1') << 1
                                      << QStringList{"frame"} << 400;
        QTest::newRow("garbage") << two + "fault 0 garbage 12" << QChar(u'0') << 2
                                 << QStringList{"garbage 12", "garbage 12"} << 0;
        QTest::newRow("garbage with line feed")
            << two + "fault * garbage 30 lf" << QChar(u'1') << 1 << QStringList{"garbage 30 lf"} << 0;
        QTest::newRow("garbage once") << two + "garbage 0 5" << QChar(u'0') << 2 << QStringList{"garbage 5", "frame"}
                                      << 0;
        QTest::newRow("garbage once for any")
            << two + "garbage * 3 lf" << QChar(u'1') << 2 << QStringList{"garbage 3 lf", "frame"} << 0;
        QTest::newRow("none clears") << two + "fault 0 badcrc\nfault 0 late 100\nfault 0 echo\nfault 0 none"
                                     << QChar(u'0') << 1 << QStringList{"frame"} << 0;
    }

    void faults()
    {
        QFETCH(QString, setup);
        QFETCH(QChar, polled);
        QFETCH(int, polls);
        QFETCH(QStringList, sends);
        QFETCH(int, delayMs);

        Line l;
        QVERIFY(l.run(setup));
        const QByteArray pollLine
            = (FrameTelegram(QString(polled) + QLatin1Char('T')) + QStringLiteral("\r\n")).toLatin1();
        QList<Output> all;
        for (int i = 0; i < polls; ++i)
            all += l.exchangeRaw(pollLine);
        QCOMPARE(all.size(), sends.size());
        for (int i = 0; i < sends.size(); ++i) {
            const Output &out = all.at(i);
            const QString &what = sends.at(i);
            if (what == QLatin1String("echo")) {
                QCOMPARE(out.bytes, pollLine);
                QCOMPARE(out.delayMs, 0);
                continue;
            }
            QCOMPARE(out.delayMs, delayMs);
            if (what.startsWith(QLatin1String("garbage"))) {
                const QStringList words = what.split(u' ');
                const bool lf = words.size() > 2;
                QCOMPARE(out.bytes.size(), words.at(1).toInt() + (lf ? 1 : 0));
                QCOMPARE(out.bytes.count('\n'), lf ? 1 : 0);
                QCOMPARE(out.bytes.endsWith('\n'), lf);
                continue;
            }
            QVERIFY2(out.text.startsWith(QStringLiteral(">%1").arg(polled)), qPrintable(out.text));
            QCOMPARE(out.bytes, out.text.toLatin1() + '\n');
            const QString payload = out.text.mid(1, out.text.indexOf(u'<') - 1);
            QCOMPARE(TelegramChecksumValid(out.text), what == QLatin1String("frame"));
            QCOMPARE(FrameTelegram(payload) == out.text, what == QLatin1String("frame"));
        }
    }

    // A silent controller is as good as switched off: what the PC sends
    // meanwhile never reaches it.
    void silentControllerHearsNothing()
    {
        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 t\nkey 0 1 42\nfault 0 silence\n>0F0000000004210000\n"
                                     "fault 0 none")));
        QCOMPARE(pointIn(l.poll(u'0'), 1).digit, 1);
    }

    void dateAndTime_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("field");
        QTest::newRow("fixed") << "clock 010199 0007"
                               << "0101990007";
        QTest::newRow("local clock") << "clock local"
                                     << "0703250805";
    }

    void dateAndTime()
    {
        QFETCH(QString, command);
        QFETCH(QString, field);

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 t\ncontroller 1 i\n") + command));
        QCOMPARE(l.poll(u'0').mid(83, 10), field);
        QCOMPARE(l.poll(u'1').mid(4, 10), field);
    }

    // Rejected command lines change nothing and say why.
    void badCommandsAreRejected_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("unknown") << "open 0";
        QTest::newRow("too few words") << "key 0 1";
        QTest::newRow("lower-case address") << "key a 1 12";
        QTest::newRow("no such controller") << "key 9 1 12";
        QTest::newRow("no such point") << "key 0 5 12";
        QTest::newRow("order too long") << "key 0 1 123456789012";
        QTest::newRow("unclosed quote") << "key 0 1 \"12";
        QTest::newRow("point busy") << "key 0 2 7";
        QTest::newRow("end code") << "end 0 2 2 5";
        QTest::newRow("stop while requesting") << "stop 0 2";
        QTest::newRow("cancel while idle") << "cancel 0 1";
        QTest::newRow("rate") << "flow 0 1 fast";
        QTest::newRow("fault") << "fault 0 loud";
        QTest::newRow("fault of nobody") << "fault 9 badcrc";
        QTest::newRow("garbage of nothing") << "garbage 0 0";
        QTest::newRow("clock") << "clock 3112 2359";
        QTest::newRow("gateway") << "gateway maybe";
        QTest::newRow("kind") << "controller 0 x";
        QTest::newRow("wait") << "wait soon";
    }

    void badCommandsAreRejected()
    {
        QFETCH(QString, line);

        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 t\nkey 0 2 7")));
        const QString before = l.poll(u'0');
        l.events.clear();
        const CommandInterpreter::Result result = l.commands.execute(line);
        QVERIFY(!result.ok);
        QCOMPARE(result.action, CommandInterpreter::Result::Action::Continue);
        QCOMPARE(l.sim.takeOutput().size(), 1);
        QCOMPARE(l.poll(u'0'), before);
    }

    void scriptControl()
    {
        Line l;
        using Action = CommandInterpreter::Result::Action;
        QCOMPARE(l.commands.execute(QStringLiteral("   # a comment")).action, Action::Continue);
        QCOMPARE(l.commands.execute(QString()).ok, true);
        QCOMPARE(l.commands.execute(QStringLiteral("controller 0 t # the first one")).ok, true);
        QVERIFY(l.sim.controller(u'0'));
        const CommandInterpreter::Result wait = l.commands.execute(QStringLiteral("wait 250"));
        QCOMPARE(wait.action, Action::Wait);
        QCOMPARE(wait.waitMs, 250);
        QCOMPARE(l.commands.execute(QStringLiteral("quit")).action, Action::Quit);
        QVERIFY(l.sim.takeOutput().isEmpty());
    }

    // The demo, with the test answering as a PC that releases everything:
    // the order the PC sent is keyed first, every dispensing flows at
    // 0.2..0.6 l/s, ends with 3 or 4, and mostly with 3.
    void demoDispensesLikeAWorkshop()
    {
        Line l;
        QVERIFY(l.run(QStringLiteral("controller 0 t\ndemo on")));
        l.exchange(newOrder(u'0', QStringLiteral("00000012345"), QStringLiteral("023"), QStringLiteral("01500"),
            QStringLiteral("0000"), QString()));

        QStringList firstOrders;
        int normal = 0;
        int aborted = 0;
        double lastLitres[5] = {};
        qint64 lastRunning[5] = {};
        for (int step = 0; step < 6000; ++step) {
            l.clockMs += 100;
            l.sim.tick();
            const QString t = l.poll(u'0');
            QCOMPARE(t.size(), 96);
            for (int p = 1; p <= 4; ++p) {
                const PointView v = pointIn(t, p);
                const double litres = v.quantity.toInt() / 1000.0;
                if (v.digit == 1) {
                    if (firstOrders.size() < 2)
                        firstOrders << v.order;
                    l.exchange(QStringLiteral("0F") + v.order + QLatin1Char('1') + v.position);
                } else if (v.digit == 2) {
                    if (lastRunning[p] > 0 && litres > lastLitres[p]) {
                        const double rate = (litres - lastLitres[p]) * 1000.0 / double(l.clockMs - lastRunning[p]);
                        QVERIFY2(rate > 0.19 && rate < 0.61, qPrintable(QString::number(rate)));
                    }
                    lastLitres[p] = litres;
                    lastRunning[p] = l.clockMs;
                } else if (v.digit >= 3) {
                    QVERIFY2(v.digit == 3 || v.digit == 4, qPrintable(t));
                    if (v.order == QLatin1String("00000012345") && v.digit == 3)
                        QCOMPARE(litres, 1.5);
                    (v.digit == 3 ? normal : aborted) += 1;
                    lastRunning[p] = 0;
                    l.exchange(QStringLiteral("0L") + v.order + QLatin1Char('0') + v.position);
                }
            }
        }
        QCOMPARE(firstOrders.value(0), QStringLiteral("00000012345"));
        QVERIFY(firstOrders.value(1) != firstOrders.value(0));
        QVERIFY2(normal + aborted >= 20, qPrintable(QString::number(normal + aborted)));
        QVERIFY(normal > aborted);
        QVERIFY(aborted > 0);
        QVERIFY(l.sim.controller(u'0')->orders().isEmpty());
    }

    // The program itself: a pseudo-terminal that a PC opens like a serial
    // port, answering a poll, also after the port was closed and reopened.
    void programServesAPseudoTerminal()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("vrk"));
        QProcess program;
        program.start(QStringLiteral(VRK_SIM),
            {QStringLiteral("--controller"), QStringLiteral("0:t"), QStringLiteral("--clock"),
                QStringLiteral("311224 2359"), QStringLiteral("--link"), link});
        QVERIFY(program.waitForStarted());
        while (!program.canReadLine())
            QVERIFY2(program.waitForReadyRead(5000), "the program names its pseudo-terminal");
        const QString first = QString::fromUtf8(program.readLine()).trimmed();
        QVERIFY2(first.startsWith(QLatin1String("PTY /dev/")), qPrintable(first));
        const QString pty = first.mid(4);
        QCOMPARE(QFileInfo(link).symLinkTarget(), pty);

        for (const QString &name : {pty, link}) {
            QSerialPort port(name);
            port.setBaudRate(9600);
            QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
            port.write(">0T<FE\r\n");
            QByteArray answer;
            while (!answer.contains('\n') && port.waitForReadyRead(3000))
                answer += port.readAll();
            QVERIFY2(answer.endsWith('\n'), answer.constData());
            const QString frame = QString::fromLatin1(answer).trimmed();
            QCOMPARE(frame.size(), 96);
            QVERIFY(frame.startsWith(QLatin1String(">0t0")));
            QVERIFY(TelegramChecksumValid(frame));
            QCOMPARE(frame.mid(83, 10), QStringLiteral("3112242359"));
            port.close();
        }

        program.write("quit\n");
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString log = QString::fromUtf8(program.readAllStandardOutput());
        QCOMPARE(log.count(QRegularExpression(
                     QStringLiteral("^<- >0T<FE\n-> >0t[0-9]{90}<[0-9A-F]{2}$"), QRegularExpression::MultilineOption)),
            2);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestVrkSim)
#include "tst_vrksim.moc"
