// The whole device link against the controller simulator: the real
// TFormConnection on a pseudo-terminal, vrk-sim on the other end, and a real
// embedded database. An order is keyed in at a point, released, runs and
// ends, and the controller is told to drop it; a dispensing without an order
// is kept once as a row of its own.

#include "DbTest.h"
#include "RecordingHost.h"

#include "device/TFormConnection.h"

#include <QProcess>
#include <QTest>

using namespace qv;

namespace {

// vrk-sim as a child process: commands go to its standard input, every line
// it prints is kept.
class Simulator {
public:
    explicit Simulator(const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral(VRK_SIM));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine())
                lines << QString::fromLatin1(m_process.readLine()).trimmed();
        });
        m_process.start();
    }
    ~Simulator()
    {
        command(QStringLiteral("quit"));
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    void command(const QString &line) { m_process.write(line.toLatin1() + '\n'); }

    // The first line it printed that starts with prefix, waiting for it.
    QString waitFor(const QString &prefix, int timeoutMs = 15000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            for (const QString &l : std::as_const(lines))
                if (l.startsWith(prefix))
                    return l;
            QTest::qWait(10);
        }
        return {};
    }
    int countOf(const QString &prefix) const
    {
        return int(std::count_if(lines.begin(), lines.end(), [&](const QString &l) { return l.startsWith(prefix); }));
    }
    QString ptyPath()
    {
        const QString first = waitFor(QStringLiteral("PTY "), 5000);
        return first.mid(4);
    }

    QStringList lines;

private:
    QProcess m_process;
};

struct Rig {
    test::ProgramDataDir dir;
    db::FbConnection db;
    test::RecordingHost host;
    std::unique_ptr<device::TFormConnection> link;

    Rig()
    {
        test::attachFile(db, dir.databaseFile());
        // The point's product and the operator get names the row must carry.
        test::run(db, QStringLiteral("UPDATE QUALITYNAME SET QUALITYNAME = 'Engine oil 5W-30' WHERE QUALITY = '011'"));
        test::run(db, QStringLiteral("UPDATE USERNAME SET USERNAME = 'Miller' WHERE USERNUMBER = 17"));
        host.debugActive = true;
        link = std::make_unique<device::TFormConnection>(host, db, dir.settingsDir(), 0.5);
    }
    QVariant value(const QString &sql) { return test::scalar(db, sql); }
};

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void anOrderFromKeyInToTheStoredResult()
    {
        Rig rig;
        rig.host.username.OrderCheckValue = 0; // check every request
        test::run(rig.db, QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, ORDERPOSITION, QUALITY, STATUS, "
                                         "SOLL, IST, ACTUAL, ADDITIONAL) VALUES ('12345', '0000', '011', 0, 2, 0, 0, "
                                         "'brake service')"));
        Simulator sim({QStringLiteral("--controller"), QStringLiteral("0:t"), QStringLiteral("--clock"),
                       QStringLiteral("111226 1530")});
        const QString pty = sim.ptyPath();
        QVERIFY2(!pty.isEmpty(), qPrintable(sim.lines.join('\n')));

        rig.link->ConnectToDevicePort(pty, 19200);
        QVERIFY2(rig.link->isOpen(), qPrintable(rig.host.portErrors.join('\n')));
        // The offline rotation finds the controller.
        QTRY_VERIFY_WITH_TIMEOUT(rig.link->VRK()[0].Online, 15000);

        // The mechanic keys the order in and dispenses 2 litres at 1 l/s,
        // ending with code 3 and operator 17.
        sim.command(QStringLiteral("flow 0 1 1 2 3 17"));
        sim.command(QStringLiteral("key 0 1 12345"));
        const QString released = sim.waitFor(QStringLiteral("RELEASED 0 1"));
        QVERIFY2(!released.isEmpty(), qPrintable(sim.lines.join('\n')));
        QVERIFY2(sim.lines.contains(QStringLiteral("<- ") + device::FrameTelegram(QStringLiteral("0F0000001234510000"))),
                 qPrintable(sim.lines.join('\n')));

        // Running: status 2 and the running quantity follow the controller.
        QTRY_COMPARE_WITH_TIMEOUT(rig.value("SELECT STATUS FROM DISPENSINGDATA WHERE ORDERNUMBER = '12345'").toInt(),
                                  2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            rig.value("SELECT ACTUAL FROM DISPENSINGDATA WHERE ORDERNUMBER = '12345'").toDouble() > 0, 10000);
        QCOMPARE(rig.value("SELECT VRK FROM DISPENSINGDATA WHERE ORDERNUMBER = '12345'").toInt(), 0);
        QCOMPARE(rig.value("SELECT POINT FROM DISPENSINGDATA WHERE ORDERNUMBER = '12345'").toInt(), 1);

        // Ended: 2 litres reach the preset, so the order is finished (6).
        QVERIFY2(!sim.waitFor(QStringLiteral("END 0 1 3")).isEmpty(), qPrintable(sim.lines.join('\n')));
        QTRY_COMPARE_WITH_TIMEOUT(rig.value("SELECT STATUS FROM DISPENSINGDATA WHERE ORDERNUMBER = '12345'").toInt(),
                                  6, 10000);
        const QString row = QStringLiteral("FROM DISPENSINGDATA WHERE ORDERNUMBER = '12345'");
        QCOMPARE(rig.value("SELECT IST " + row).toDouble(), 2.0);
        QCOMPARE(rig.value("SELECT ACTUAL " + row).toDouble(), 0.0);
        QCOMPARE(rig.value("SELECT USERNUMBER " + row).toInt(), 17);
        QCOMPARE(rig.value("SELECT USERNAME " + row).toString(), QStringLiteral("Miller"));
        QCOMPARE(rig.value("SELECT QUALITYNAME " + row).toString(), QStringLiteral("Engine oil 5W-30"));
        QCOMPARE(rig.value("SELECT DISPENSINGDATETIME " + row).toDateTime(), QDateTime(QDate(2026, 12, 11), QTime(15, 30)));
        QCOMPARE(rig.value("SELECT ADDITIONAL " + row).toString(), QStringLiteral("brake service"));

        // The controller is told to drop the order, and does.
        QVERIFY2(!sim.waitFor(QStringLiteral("DELETED 0 1 00000012345")).isEmpty(), qPrintable(sim.lines.join('\n')));
        QVERIFY(sim.lines.contains(QStringLiteral("<- ") + device::FrameTelegram(QStringLiteral("0L0000001234500000"))));
        QCOMPARE(test::count(rig.db, QStringLiteral("DISPENSINGDATA WHERE ORDERNUMBER = '12345'")), 1);
        // The views were asked to follow: the release and the result.
        QVERIFY(rig.host.actualizeCalls.contains(QStringLiteral("1,0")));
        QVERIFY(rig.host.refreshOpenOrdersCalls > 0);
    }

    void aDispensingWithoutOrderIsStoredOnce()
    {
        Rig rig;
        rig.host.username.OrderCheckValue = 1; // allow all
        Simulator sim({QStringLiteral("--controller"), QStringLiteral("3:i"), QStringLiteral("--clock"),
                       QStringLiteral("111226 0815")});
        const QString pty = sim.ptyPath();
        QVERIFY(!pty.isEmpty());
        rig.link->ConnectToDevicePort(pty, 19200);
        QTRY_VERIFY_WITH_TIMEOUT(rig.link->VRK()[3].Online, 15000);

        sim.command(QStringLiteral("flow 3 2 1 1.5 3 8"));
        sim.command(QStringLiteral("key 3 2 777 - 1.5"));
        QVERIFY2(!sim.waitFor(QStringLiteral("RELEASED 3 2")).isEmpty(), qPrintable(sim.lines.join('\n')));
        QVERIFY2(!sim.waitFor(QStringLiteral("DELETED 3 2")).isEmpty(), qPrintable(sim.lines.join('\n')));
        const QString where = QStringLiteral("DISPENSINGDATA WHERE ORDERNUMBER = '777'");
        QTRY_COMPARE_WITH_TIMEOUT(test::count(rig.db, where), 1, 5000);
        // Status telegram 3 reports the ended point at every poll until the
        // controller has dropped it; a few more cycles must not add a row.
        QTest::qWait(1500);
        QCOMPARE(test::count(rig.db, where), 1);
        const QString row = QStringLiteral(" FROM ") + where;
        QCOMPARE(rig.value("SELECT ADDITIONAL" + row).toString(), QStringLiteral("auto stored value"));
        QCOMPARE(rig.value("SELECT STATUS" + row).toInt(), 6);
        QCOMPARE(rig.value("SELECT SOLL" + row).toDouble(), 0.0);
        QCOMPARE(rig.value("SELECT IST" + row).toDouble(), 1.5);
        QCOMPARE(rig.value("SELECT VRK" + row).toInt(), 3);
        QCOMPARE(rig.value("SELECT POINT" + row).toInt(), 2);
        QCOMPARE(rig.value("SELECT QUALITY" + row).toString(), QStringLiteral("012"));
        QCOMPARE(rig.value("SELECT USERNAME" + row).toString(), QStringLiteral("008"));
    }

    void theLinePollsOnThroughFaultsAndAVanishingController()
    {
        Rig rig;
        rig.host.username.OrderCheckValue = 1; // allow all
        Simulator sim({QStringLiteral("--controller"), QStringLiteral("1:t"), QStringLiteral("--controller"),
                       QStringLiteral("2:i")});
        const QString pty = sim.ptyPath();
        rig.link->ConnectToDevicePort(pty, 19200);
        QTRY_VERIFY_WITH_TIMEOUT(rig.link->VRK()[1].Online && rig.link->VRK()[2].Online, 20000);

        // Noise of every kind on the line, then controller 2 switched off in
        // the middle of a dispensing.
        sim.command(QStringLiteral("garbage * 3000"));
        sim.command(QStringLiteral("fault 1 badcrc"));
        sim.command(QStringLiteral("fault 2 echo"));
        QTest::qWait(1000);
        sim.command(QStringLiteral("garbage * 200 lf"));
        sim.command(QStringLiteral("fault * none"));
        sim.command(QStringLiteral("fault 1 none"));
        sim.command(QStringLiteral("fault 2 none"));
        sim.command(QStringLiteral("flow 2 1 0.5 50"));
        sim.command(QStringLiteral("key 2 1 4711 - 5"));
        QVERIFY(!sim.waitFor(QStringLiteral("RELEASED 2 1")).isEmpty());
        sim.command(QStringLiteral("fault 2 silence"));

        // The silent controller is lost after its fourth time-out; the other
        // one is still polled and answers.
        QTRY_VERIFY_WITH_TIMEOUT(!rig.link->VRK()[2].Online, 20000);
        QVERIFY(rig.host.debugLines.contains(QString(31, '-') + QStringLiteral(" Device [2] lost")));
        QVERIFY(std::any_of(rig.host.debugLines.begin(), rig.host.debugLines.end(),
                            [](const QString &l) { return l.contains(QStringLiteral("Receive buffer overflow")); }));
        const int polls = sim.countOf(QStringLiteral("<- >1T<"));
        QTRY_VERIFY_WITH_TIMEOUT(sim.countOf(QStringLiteral("<- >1T<")) > polls + 2, 10000);
        QVERIFY(rig.link->VRK()[1].Online);
        QVERIFY(rig.link->timerPolling().isActive());
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
