// The controller port box on the administration page, driven as a user
// would: connecting to a typed device path (a pseudo-terminal here),
// disconnecting, what settings.ini keeps, and restoring the connection at
// the next start.

#include "ProgramFixture.h"
#include "PseudoTerminal.h"

#include "app/IniFile.h"
#include "app/UserInteraction.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace qv;
using test::Program;

namespace {
QString ini(const Program &p, const QString &section, const QString &key)
{
    return app::IniReadString(p.dir.settingsIni(), section, key, QStringLiteral("<absent>"));
}
} // namespace

class TestPortBox : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        app::UserInteraction::clearQueued();
        app::UserInteraction::takeShownMessages();
    }

    void connectAndDisconnectByTheButton()
    {
        test::PseudoTerminal pty;
        QVERIFY(pty.isValid());
        Program p;
        p.timeScale = 0.2;
        p.start();
        p.window->ToggleDebugMonitor();
        auto *com = p.find<QComboBox>("ComboBoxCOM");
        auto *baud = p.find<QComboBox>("ComboBoxBaudrate");
        auto *button = p.find<QPushButton>("ButtonConnectToDevice");
        QCOMPARE(baud->currentText(), QStringLiteral("9600"));
        QCOMPARE(button->text(), p.window->Texts().TEXT_CONNECT);

        com->setEditText(pty.slavePath());
        baud->setCurrentText(QStringLiteral("19200"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(p.connection->isOpen());
        QCOMPARE(p.connection->port().baudRate(), 19200);
        QCOMPARE(button->text(), p.window->Texts().TEXT_DISCONNECT);
        QVERIFY(!com->isEnabled());
        QVERIFY(!baud->isEnabled());
        QCOMPARE(ini(p, "COM", "Connect"), QStringLiteral("1"));
        QCOMPARE(ini(p, "COM", "Port"), pty.slavePath());
        QCOMPARE(ini(p, "COM", "Baudrate"), QStringLiteral("19200"));
        const QString monitor = p.find<QPlainTextEdit>("MemoDEBUG")->toPlainText();
        QVERIFY2(monitor.contains(pty.slavePath() + QStringLiteral(" OPEN")), qPrintable(monitor));

        // The link polls: the first poll goes to address 1 (the rotation
        // starts one past 0) and further ones follow the time-outs.
        const QString poll = pty.readUntil([](const QString &l) { return l.endsWith(QStringLiteral("T<") + l.right(2)); });
        QVERIFY2(!poll.isEmpty(), qPrintable(pty.seen.join('|')));

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!p.connection->isOpen());
        QVERIFY(!p.connection->timerPolling().isActive());
        QCOMPARE(button->text(), p.window->Texts().TEXT_CONNECT);
        QVERIFY(com->isEnabled());
        QCOMPARE(ini(p, "COM", "Connect"), QStringLiteral("0"));
        QCOMPARE(ini(p, "COM", "Port"), pty.slavePath());
        QVERIFY(p.find<QPlainTextEdit>("MemoDEBUG")->toPlainText().contains(pty.slavePath() +
                                                                            QStringLiteral(" CLOSE")));
        QCOMPARE(p.window->StatusText(1), QString());
        QCOMPARE(p.window->StatusText(2), QString());
    }

    void aPortThatCannotBeOpenedIsReported()
    {
        Program p;
        p.start();
        p.find<QComboBox>("ComboBoxCOM")->setEditText(QStringLiteral("/dev/no-such-port"));
        QTest::mouseClick(p.find<QPushButton>("ButtonConnectToDevice"), Qt::LeftButton);
        QVERIFY(!p.connection->isOpen());
        const QStringList shown = app::UserInteraction::takeShownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("/dev/no-such-port")), qPrintable(shown.first()));
        QCOMPARE(p.find<QPushButton>("ButtonConnectToDevice")->text(), p.window->Texts().TEXT_CONNECT);
        QCOMPARE(ini(p, "COM", "Connect"), QStringLiteral("<absent>"));
    }

    void restoringAtStartUp_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<bool>("portExists");
        QTest::addColumn<bool>("opened");
        QTest::newRow("connected last time") << true << true << true;
        QTest::newRow("port gone since") << true << false << false;
        QTest::newRow("closed last time") << false << true << false;
    }
    void restoringAtStartUp()
    {
        QFETCH(bool, connect);
        QFETCH(bool, portExists);
        QFETCH(bool, opened);
        test::PseudoTerminal pty;
        Program p;
        const QString port = portExists ? pty.slavePath() : QStringLiteral("/dev/pts/no-such");
        app::IniWriteBool(p.dir.settingsIni(), "COM", "Connect", connect);
        app::IniWriteString(p.dir.settingsIni(), "COM", "Port", port);
        app::IniWriteString(p.dir.settingsIni(), "COM", "Baudrate", "4800");
        p.start();
        auto *com = p.find<QComboBox>("ComboBoxCOM");
        QCOMPARE(p.connection->isOpen(), opened);
        QVERIFY(app::UserInteraction::takeShownMessages().isEmpty());
        if (connect) {
            QCOMPARE(p.find<QComboBox>("ComboBoxBaudrate")->currentText(), QStringLiteral("4800"));
            QCOMPARE(com->currentText(), portExists ? port : QString());
        }
        if (opened) {
            QCOMPARE(p.connection->port().baudRate(), 4800);
            // Ending the program with the port open keeps "connect" for the
            // next start.
            p.connection.reset();
            QCOMPARE(ini(p, "COM", "Connect"), QStringLiteral("1"));
        }
    }

    void theOnlineListSurvivesARestart()
    {
        Program p;
        app::IniWriteString(p.dir.settingsIni(), "Online", "7", "On");
        p.create();
        QVERIFY(p.connection->VRK()[7].Online);
        QVERIFY(!p.connection->VRK()[0].Online);
        p.connection->VRK()[0].Online = true;
        p.connection->VRK()[5].Online = true;
        p.connection->VRK()[7].Online = false;
        p.connection.reset();
        QCOMPARE(ini(p, "Online", "0"), QStringLiteral("On"));
        QCOMPARE(ini(p, "Online", "5"), QStringLiteral("On"));
        QCOMPARE(ini(p, "Online", "7"), QStringLiteral("<absent>"));
    }
};

QTEST_MAIN(TestPortBox)
#include "tst_portbox.moc"
