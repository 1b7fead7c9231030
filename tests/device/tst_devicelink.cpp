// The polling link on a real pseudo-terminal: a small peer on the master
// side plays the controllers, the link opens the slave as its serial port.
// Intervals are shortened five times; every wait is a QTRY_ with room to
// spare, no test depends on how fast the machine is.

#include "DbTest.h"
#include "PtyPeer.h"
#include "RecordingHost.h"

#include "app/IniFile.h"
#include "device/TFormConnection.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <memory>
#include <optional>

using namespace qv;
using namespace qv::device;
using namespace qv::test;

namespace {

constexpr double kScale = 0.2; // poll 200 ms, gap 4 ms, answer time-out 100 ms
constexpr int kWait = 20000;

const QString TimeOutLine = QString(54, QLatin1Char('-')) + QStringLiteral(" TIME OUT");
QString lostLine(QChar address)
{
    return QString(31, QLatin1Char('-')) + QStringLiteral(" Device [") + address + QStringLiteral("] lost");
}

QString poll(QChar address)
{
    return FrameTelegram(QString(address) + QLatin1Char('T'));
}

bool isPoll(const QString &frame)
{
    return frame.size() == 6 && frame.at(2) == QLatin1Char('T');
}

// Status telegram 2 with all four points at 0.
QString idleStatus(QChar address)
{
    return FrameTelegram(QString(address) + QLatin1Char('t') + QString(80, QLatin1Char('0')) + QStringLiteral("150324")
        + QStringLiteral("1405"));
}

// A new-order payload (kind letter and fields), 75 characters.
QString orderPayload(const QString &number)
{
    return QStringLiteral("V") + PadLeft(number, 11, QLatin1Char('0')) + QStringLiteral("5") + QStringLiteral("01250")
        + QStringLiteral("0000") + QString(12, QLatin1Char(' '))
        + PadRight(QStringLiteral("Motoroel 5W30"), 40, QLatin1Char(' ')) + QStringLiteral("1");
}

// The window as the link sees it, with one timeline of debug lines and
// panel-1 texts, so their order can be checked.
class Host : public RecordingHost {
public:
    QStringList timeline;
    void DebugAnzeigeLog(const QString &value, bool clock) override
    {
        RecordingHost::DebugAnzeigeLog(value, clock);
        timeline << QStringLiteral("dbg:") + value;
    }
    void StatusAnzeige(int position, const QString &value) override
    {
        RecordingHost::StatusAnzeige(position, value);
        if (position == 1)
            timeline << QStringLiteral("p1:") + value;
    }
};

// A link on a database copy, with its settings folder, and the peer.
struct Fixture {
    ProgramDataDir dir;
    db::FbConnection db;
    Host host;
    PtyPeer peer;
    std::unique_ptr<TFormConnection> link;

    explicit Fixture(const QList<int> &online = {})
    {
        for (int i : online)
            app::IniWriteString(dir.settingsIni(), QStringLiteral("Online"), QString::number(i), QStringLiteral("On"));
        attachFile(db, dir.databaseFile());
        create();
    }
    void create() { link = std::make_unique<TFormConnection>(host, db, dir.settingsDir(), kScale); }
    void open() { link->ConnectToDevicePort(peer.slavePath(), 9600); }

    QStringList framesFrom(qsizetype index) const { return peer.lines.mid(index); }
    QList<int> onlineAddresses() const
    {
        QList<int> list;
        for (int i = 0; i < VrkCount; ++i)
            if (link->VRK()[std::size_t(i)].Online)
                list << i;
        return list;
    }
};

} // namespace

class TestDeviceLink : public QObject {
    Q_OBJECT

private slots:
    void listedBaudRatesOpen_data();
    void listedBaudRatesOpen();
    void pollFramesArriveWithCrLf();
    void answeringControllerIsPolledEveryCycle();
    void onlineControllerLostAtFourthTimeout();
    void notConnectedAfterTwoTimeouts();
    void echoIsIgnored();
    void newOrderDataForOnlineAddressesOnly();
    void queuedTelegramUnansweredSentThreeTimes();
    void queuedTelegramAcknowledgedSentOnce();
    void queuedTimeoutChargedToItsAddress();
    void closingStopsTimersAndKeepsQueue();
    void pausedLinkStaysQuiet();
    void onlineListWrittenAndReadBack();
    void garbageAndLongInputAreSurvived();
    void missingPortShowsError();
    void vanishingPortIsClosed();
};

void TestDeviceLink::listedBaudRatesOpen_data()
{
    QTest::addColumn<int>("baudrate");
    for (int rate : {2400, 4800, 9600, 14400, 19200})
        QTest::addRow("%d", rate) << rate;
}

void TestDeviceLink::listedBaudRatesOpen()
{
    QFETCH(int, baudrate);
    Fixture f;
    f.link->ConnectToDevicePort(f.peer.slavePath(), baudrate);
    QVERIFY2(f.host.portErrors.isEmpty(), qPrintable(f.host.portErrors.join(' ')));
    QVERIFY(f.link->isOpen());
    QCOMPARE(f.link->port().baudRate(), baudrate);
    QCOMPARE(f.link->port().dataBits(), QSerialPort::Data8);
    QCOMPARE(f.link->port().parity(), QSerialPort::NoParity);
    QCOMPARE(f.link->port().stopBits(), QSerialPort::OneStop);
    QCOMPARE(f.link->port().flowControl(), QSerialPort::NoFlowControl);
    QTRY_VERIFY_WITH_TIMEOUT(!f.peer.lines.isEmpty(), kWait);
    QCOMPARE(f.peer.lines.first(), poll('1'));
}

void TestDeviceLink::pollFramesArriveWithCrLf()
{
    Fixture f;
    QVERIFY(f.peer.isValid());
    f.open();
    QVERIFY(f.link->isOpen());
    QCOMPARE(f.host.portStatus, QList<bool>{true});
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= 3, kWait);
    // Nobody answers: one offline address after the other, from index 1.
    QVERIFY2(f.peer.received.startsWith(">1T<FF\r\n>2T<00\r\n>3T<01\r\n"), f.peer.received.constData());
    QVERIFY(f.host.debugLines.contains(QStringLiteral("-> >1T<FF")));
    QVERIFY(f.host.debugLines.contains(TimeOutLine));
    QVERIFY(f.onlineAddresses().isEmpty());
    QVERIFY(f.host.panels.value(2).startsWith(QLatin1String("ADR ")));
    QCOMPARE(f.host.panels.value(1), QStringLiteral("NOT CONNECTED"));
}

void TestDeviceLink::answeringControllerIsPolledEveryCycle()
{
    Fixture f;
    f.peer.onLine = [&](const QString &line) {
        if (line == poll('3'))
            f.peer.writeLine(idleStatus('3'));
    };
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(f.link->VRK()[3].Online, kWait);
    QCOMPARE(f.link->ConnectionStatusCounter(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(f.host.panels.value(1), QStringLiteral("CONNECTED"), kWait);

    const qsizetype from = f.peer.lines.size();
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= from + 12, kWait);
    // From now on every cycle is address 3 and then one offline address.
    const QStringList frames = f.framesFrom(from);
    for (qsizetype i = 1; i < frames.size(); ++i) {
        QVERIFY(isPoll(frames.at(i)));
        QVERIFY2((frames.at(i) == poll('3')) != (frames.at(i - 1) == poll('3')), qPrintable(frames.join(' ')));
    }
    QCOMPARE(f.onlineAddresses(), QList<int>{3});
    QCOMPARE(f.link->VRK()[3].TimeoutCounter, 0);
    QVERIFY(!f.host.debugLines.contains(lostLine('3')));
}

void TestDeviceLink::onlineControllerLostAtFourthTimeout()
{
    // Online from the last run, silent now.
    Fixture f({7});
    QVERIFY(f.link->VRK()[7].Online);
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(!f.link->VRK()[7].Online, kWait);
    QCOMPARE(f.link->VRK()[7].TimeoutCounter, 0);

    // What followed each poll of 7: three time-outs, then the loss.
    QStringList after7;
    const QStringList &lines = f.host.debugLines;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i) != QStringLiteral("-> ") + poll('7'))
            continue;
        for (qsizetype j = i + 1; j < lines.size(); ++j) {
            if (lines.at(j) == TimeOutLine || lines.at(j).endsWith(QLatin1String("lost"))) {
                after7 << lines.at(j);
                break;
            }
        }
    }
    QCOMPARE(after7, (QStringList{TimeOutLine, TimeOutLine, TimeOutLine, lostLine('7')}));
    QCOMPARE(lines.count(lostLine('7')), 1);

    // Now 7 is one of the offline addresses, polled in their rotation only:
    // once in a run of eight polls rather than every other one.
    const qsizetype from = f.peer.lines.size();
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= from + 8, kWait);
    QVERIFY2(f.framesFrom(from).mid(0, 8).count(poll('7')) <= 1, qPrintable(f.framesFrom(from).join(' ')));
}

void TestDeviceLink::notConnectedAfterTwoTimeouts()
{
    // Address 3 answers its first poll and then falls silent.
    Fixture f;
    bool answered = false;
    f.peer.onLine = [&](const QString &line) {
        if (line == poll('3') && !answered) {
            answered = true;
            f.peer.writeLine(idleStatus('3'));
        }
    };
    f.open();
    const QString answer = QStringLiteral("dbg:<- ") + idleStatus('3');
    QTRY_VERIFY_WITH_TIMEOUT(f.host.timeline.contains(answer), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(
        f.host.timeline.lastIndexOf(QStringLiteral("p1:NOT CONNECTED")) > f.host.timeline.indexOf(answer), kWait);
    QStringList after;
    for (qsizetype i = f.host.timeline.indexOf(answer) + 1; i < f.host.timeline.size() && after.size() < 5; ++i) {
        const QString &e = f.host.timeline.at(i);
        if (e.startsWith(QLatin1String("p1:")) || e == QStringLiteral("dbg:") + TimeOutLine)
            after << e;
    }
    QCOMPARE(after,
        (QStringList{"p1:CONNECTED", "dbg:" + TimeOutLine, "p1:CONNECTED", "dbg:" + TimeOutLine, "p1:NOT CONNECTED"}));
    QTRY_COMPARE_WITH_TIMEOUT(f.link->ConnectionStatusCounter(), -1, kWait);
}

void TestDeviceLink::echoIsIgnored()
{
    // The line hands every frame straight back, as a two-wire bus does.
    Fixture f;
    f.peer.onLine = [&](const QString &line) { f.peer.writeLine(line); };
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(f.host.debugLines.count(TimeOutLine) >= 4, kWait);
    // No echo was taken for an answer: nothing received, nobody online, and
    // each poll still ran into its time-out.
    for (const QString &line : f.host.debugLines)
        QVERIFY2(!line.startsWith(QLatin1String("<- ")), qPrintable(line));
    QVERIFY(f.onlineAddresses().isEmpty());
    QVERIFY(f.link->ConnectionStatusCounter() <= 0);
    QStringList order;
    for (const QString &line : f.host.debugLines)
        if (line == TimeOutLine || line.startsWith(QLatin1String("-> ")))
            order << (line == TimeOutLine ? QStringLiteral("t") : QStringLiteral("p"));
    QVERIFY2(order.join(QString()).startsWith(QStringLiteral("ptptptpt")), qPrintable(order.join(QString())));

    // An answer after the echo is still taken.
    f.peer.onLine = [&](const QString &line) {
        f.peer.writeLine(line);
        if (line == poll('5'))
            f.peer.writeLine(idleStatus('5'));
    };
    QTRY_VERIFY_WITH_TIMEOUT(f.link->VRK()[5].Online, kWait);
}

void TestDeviceLink::newOrderDataForOnlineAddressesOnly()
{
    Fixture f({0, 5, 35});
    const QString order = orderPayload(QStringLiteral("12345"));
    f.link->NewOrderData(order);
    QCOMPARE(f.link->SendeListe().entries(),
        (QStringList{QStringLiteral("00") + order, QStringLiteral("05") + order, QStringLiteral("0Z") + order}));
    // Nothing goes out before the port is open.
    QTest::qWait(300);
    QVERIFY(f.peer.received.isEmpty());
}

void TestDeviceLink::queuedTelegramUnansweredSentThreeTimes()
{
    Fixture f({0, 5});
    const QString order = orderPayload(QStringLiteral("12345"));
    f.link->NewOrderData(order);
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= 8, kWait);
    const QString to0 = FrameTelegram(QStringLiteral("0") + order);
    const QString to5 = FrameTelegram(QStringLiteral("5") + order);
    QCOMPARE(to0.size(), 80);
    // Interleaved, three times each, then polling again.
    QCOMPARE(f.peer.lines.mid(0, 6), (QStringList{to0, to5, to0, to5, to0, to5}));
    QVERIFY(isPoll(f.peer.lines.at(6)));
    QVERIFY(f.peer.received.startsWith((to0 + QStringLiteral("\r\n") + to5 + QStringLiteral("\r\n")).toLatin1()));
    QVERIFY(f.link->SendeListe().isEmpty());
    QCOMPARE(f.peer.lines.count(to0), 3);
}

void TestDeviceLink::queuedTelegramAcknowledgedSentOnce()
{
    Fixture f({0, 5});
    const QString order = orderPayload(QStringLiteral("777"));
    // The acknowledgement's kind letter is not compared with what was sent.
    f.peer.onLine = [&](const QString &line) {
        if (line.startsWith(QLatin1String(">0V")))
            f.peer.writeLine(FrameTelegram(QStringLiteral("0v")));
        else if (line.startsWith(QLatin1String(">5V")))
            f.peer.writeLine(FrameTelegram(QStringLiteral("5l")));
    };
    f.link->NewOrderData(order);
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= 6, kWait);
    QCOMPARE(f.peer.lines.mid(0, 2),
        (QStringList{FrameTelegram(QStringLiteral("0") + order), FrameTelegram(QStringLiteral("5") + order)}));
    for (const QString &frame : f.peer.lines.mid(2))
        QVERIFY2(isPoll(frame), qPrintable(frame));
    QVERIFY(f.link->SendeListe().isEmpty());
    // No time-out before polling began again.
    const qsizetype firstTimeOut = f.host.debugLines.indexOf(TimeOutLine);
    QVERIFY(firstTimeOut < 0 || firstTimeOut > f.host.debugLines.indexOf(QStringLiteral("-> ") + f.peer.lines.at(2)));
}

void TestDeviceLink::queuedTimeoutChargedToItsAddress()
{
    // Each controller is charged the time-outs of the telegrams sent to it:
    // after three unanswered transmissions each, both stand at 3 and are
    // lost at their next unanswered poll.
    Fixture f({0, 5});
    QList<int> countersAtFirstPoll;
    f.peer.onLine = [&](const QString &line) {
        if (isPoll(line) && countersAtFirstPoll.isEmpty())
            countersAtFirstPoll = {f.link->VRK()[0].TimeoutCounter, f.link->VRK()[5].TimeoutCounter,
                int(f.link->VRK()[0].Online), int(f.link->VRK()[5].Online)};
    };
    f.link->NewOrderData(orderPayload(QStringLiteral("1")));
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(!countersAtFirstPoll.isEmpty(), kWait);
    QCOMPARE(countersAtFirstPoll, (QList<int>{3, 3, 1, 1}));
    QTRY_VERIFY_WITH_TIMEOUT(f.onlineAddresses().isEmpty(), kWait);
    QCOMPARE(f.host.debugLines.count(lostLine('0')), 1);
    QCOMPARE(f.host.debugLines.count(lostLine('5')), 1);
    // Lost at their polls, not during the queued transmissions.
    QCOMPARE(f.host.debugLines.at(f.host.debugLines.indexOf(lostLine('0')) - 1), QStringLiteral("-> ") + poll('0'));
    QCOMPARE(f.host.debugLines.at(f.host.debugLines.indexOf(lostLine('5')) - 1), QStringLiteral("-> ") + poll('5'));
}

void TestDeviceLink::closingStopsTimersAndKeepsQueue()
{
    Fixture f({0});
    const QString order = orderPayload(QStringLiteral("4711"));
    const QString frame = FrameTelegram(QStringLiteral("0") + order);
    bool closed = false;
    bool waitingForAnswer = false;
    f.peer.onLine = [&](const QString &line) {
        // Closed while the telegram waits for its answer.
        if (line == frame && !closed) {
            closed = true;
            waitingForAnswer = f.link->timerTimeout().isActive();
            f.link->DisconnectFromDevicePort();
        }
    };
    f.link->NewOrderData(order);
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(closed, kWait);
    QVERIFY(waitingForAnswer);
    QVERIFY(!f.link->isOpen());
    QVERIFY(!f.link->timerPolling().isActive());
    QVERIFY(!f.link->timerTimeout().isActive());
    QCOMPARE(f.host.portStatus, (QList<bool>{true, false}));
    QCOMPARE(f.link->SendeListe().entries(), QStringList{QStringLiteral("10") + order});

    const qsizetype debugCount = f.host.debugLines.size();
    QTest::qWait(1000); // five fall-back ticks, ten answer windows
    QCOMPARE(f.peer.lines, QStringList{frame});
    QCOMPARE(f.host.debugLines.size(), debugCount);
    QVERIFY(!f.link->VRK()[0].TimeoutCounter);

    // Reopened, the cycle goes on with the queue as it was.
    f.open();
    QVERIFY(f.link->isOpen());
    QCOMPARE(f.host.portStatus, (QList<bool>{true, false, true}));
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= 4, kWait);
    QCOMPARE(f.peer.lines.mid(0, 3), (QStringList{frame, frame, frame}));
    QVERIFY(isPoll(f.peer.lines.at(3)));
}

void TestDeviceLink::pausedLinkStaysQuiet()
{
    // The line is paused while a poll waits for its answer, and the answer
    // comes in during the pause: it is taken, but nothing more is sent until
    // the pause ends.
    Fixture f({3});
    std::optional<TFormConnection::Pause> pause;
    f.peer.onLine = [&](const QString &line) {
        if (line == poll('3') && !pause) {
            pause = f.link->pausePolling();
            QTimer::singleShot(30, [&] { f.peer.writeLine(idleStatus('3')); });
        } else if (line == poll('3')) {
            f.peer.writeLine(idleStatus('3'));
        }
    };
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(pause.has_value(), kWait);
    QVERIFY(pause->pollingWasActive);
    QTRY_VERIFY_WITH_TIMEOUT(f.host.debugLines.contains(QStringLiteral("<- ") + idleStatus('3')), kWait);
    const QStringList sent = f.peer.lines;
    QTest::qWait(1000);
    QCOMPARE(f.peer.lines, sent);
    QVERIFY(!f.link->timerPolling().isActive());
    QVERIFY(!f.link->timerTimeout().isActive());

    f.link->resumePolling(*pause);
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.count(poll('3')) >= 3, kWait);
    QVERIFY(f.link->VRK()[3].Online);

    // A pause taken while the link is closed leaves it closed.
    f.link->DisconnectFromDevicePort();
    const TFormConnection::Pause closedPause = f.link->pausePolling();
    QVERIFY(!closedPause.pollingWasActive);
    f.link->resumePolling(closedPause);
    QVERIFY(!f.link->timerPolling().isActive());
}

void TestDeviceLink::onlineListWrittenAndReadBack()
{
    Fixture f({7, 12});
    app::IniWriteString(f.dir.settingsIni(), QStringLiteral("COM"), QStringLiteral("Port"), QStringLiteral("/dev/x"));
    f.link.reset();
    f.create();
    QCOMPARE(f.onlineAddresses(), (QList<int>{7, 12}));

    // 0 and 5 answer, 7 and 12 are gone by the end.
    f.link->VRK()[7].Online = false;
    f.link->VRK()[12].Online = false;
    f.link->VRK()[0].Online = true;
    f.link->VRK()[5].Online = true;
    f.link.reset();

    QFile file(f.dir.settingsIni());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList section;
    bool inOnline = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inOnline = line.compare(QLatin1String("[Online]"), Qt::CaseInsensitive) == 0;
        else if (inOnline && !line.isEmpty())
            section << line;
    }
    QCOMPARE(section, (QStringList{"0=On", "5=On"}));
    // Other sections stay.
    QCOMPARE(app::IniReadString(f.dir.settingsIni(), "COM", "Port", QString()), QStringLiteral("/dev/x"));

    f.create();
    QCOMPARE(f.onlineAddresses(), (QList<int>{0, 5}));
    // Only "On" counts.
    app::IniWriteString(f.dir.settingsIni(), "Online", "9", "on");
    app::IniWriteString(f.dir.settingsIni(), "Online", "10", "1");
    f.link.reset();
    f.create();
    QCOMPARE(f.onlineAddresses(), (QList<int>{0, 5}));
}

void TestDeviceLink::garbageAndLongInputAreSurvived()
{
    Fixture f;
    int phase = 0;
    f.peer.onLine = [&](const QString &line) {
        if (!isPoll(line))
            return;
        if (phase == 0) {
            phase = 1;
            f.peer.write(QByteArray("\x01\xff#garbage<<>>", 14) + QByteArray("\r\n"));
            f.peer.write(QByteArray(20000, 'x'));
        } else if (phase == 2 && line == poll('3')) {
            f.peer.writeLine(idleStatus('3'));
        }
    };
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(phase == 1 && f.peer.allWritten(), kWait);
    // What the overflow lines report as dropped, in bytes.
    const auto dropped = [&] {
        QList<int> counts;
        const QRegularExpression re(QStringLiteral("Receive buffer overflow: (\\d+) bytes"));
        for (const QString &l : f.host.debugLines)
            if (const auto m = re.match(l); m.hasMatch())
                counts << m.captured(1).toInt();
        return counts;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!dropped().isEmpty(), kWait);
    QTest::qWait(200);
    // The buffer went each time: no more is reported dropped than was sent,
    // and each time more than the limit.
    int total = 0;
    for (int n : dropped()) {
        QVERIFY(n > TFormConnection::ReceiveBufferLimit);
        total += n;
    }
    QVERIFY2(total <= 20000, qPrintable(QString::number(total)));
    // The control character in front is trimmed off before the check.
    QVERIFY(f.host.debugLines.contains(
        QStringLiteral("<- ** CRC error ** ") + QString::fromLatin1(QByteArray("\xff#garbage<<>>", 13))));
    // Polling goes on.
    const qsizetype from = f.peer.lines.size();
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= from + 3, kWait);
    // The rest of the noise ends at the next line feed; then answers count again.
    f.peer.write("\n");
    phase = 2;
    QTRY_VERIFY_WITH_TIMEOUT(f.link->VRK()[3].Online, kWait);
    QVERIFY(f.link->isOpen());
    QVERIFY(f.host.exceptions.isEmpty());
}

void TestDeviceLink::missingPortShowsError()
{
    Fixture f;
    f.link->ConnectToDevicePort(QStringLiteral("/dev/qv-no-such-port"), 9600);
    QCOMPARE(f.host.portErrors.size(), 1);
    QVERIFY2(f.host.portErrors.first().contains(QLatin1String("/dev/qv-no-such-port")),
        qPrintable(f.host.portErrors.first()));
    QVERIFY(f.host.portStatus.isEmpty());
    QVERIFY(!f.link->isOpen());
    QVERIFY(!f.link->timerPolling().isActive());
    QTest::qWait(300);
    QVERIFY(!f.link->timerTimeout().isActive());
    QVERIFY(f.host.debugLines.isEmpty());
    // The link can still be opened on a real port afterwards.
    f.open();
    QCOMPARE(f.host.portStatus, QList<bool>{true});
    QTRY_VERIFY_WITH_TIMEOUT(!f.peer.lines.isEmpty(), kWait);
}

void TestDeviceLink::vanishingPortIsClosed()
{
    Fixture f;
    f.open();
    QTRY_VERIFY_WITH_TIMEOUT(f.peer.lines.size() >= 2, kWait);
    f.peer.hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(!f.link->isOpen(), kWait);
    QCOMPARE(f.host.portStatus, (QList<bool>{true, false}));
    QVERIFY(!f.link->timerPolling().isActive());
    QVERIFY(!f.link->timerTimeout().isActive());
    QVERIFY(f.host.exceptions.isEmpty());
}

QTEST_GUILESS_MAIN(TestDeviceLink)
#include "tst_devicelink.moc"
