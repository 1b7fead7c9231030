// Connecting the data module: a wrong file never raises, a good one opens,
// and the information text names what is open.

#include "DbTest.h"

#include "db/TDatenmodul.h"

#include <QFile>
#include <QtTest>

using namespace qv::db;
using namespace qv::test;

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    void connectFailsWithoutRaising_data();
    void connectFailsWithoutRaising();
    void connectsToTheDeliveredDatabase();
    void informationTextIsLowerCase();
    void connectStringForServers_data();
    void connectStringForServers();
    void reconnectingWorks();
    void secondConnectionOnTheSameFile();
};

void TestConnection::connectFailsWithoutRaising_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("messagePart");

    QTest::newRow("missing file") << "database/oil.fdb" << QByteArray() << "No such file";
    QTest::newRow("short text file") << "database/oil.fdb" << QByteArray("[Database]\nnot a database\n")
                                     << "oil.fdb";
    QTest::newRow("long text file") << "database/oil.fdb" << QByteArray("[Database]\nnot a database\n").repeated(2000)
                                    << "not a valid database";
    QTest::newRow("missing folder") << "nowhere/oil.fdb" << QByteArray() << "No such file";
}

void TestConnection::connectFailsWithoutRaising()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, messagePart);

    ProgramDataDir dir(ProgramDataDir::Database::None);
    const QString path = dir.path() + fileName;
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    TDatenmodul dm;
    bool connected = true;
    try {
        connected = dm.ConnectToDatabase(QString(), path, QString(), 3050);
    } catch (...) {
        QFAIL("ConnectToDatabase raised");
    }
    QVERIFY(!connected);
    QVERIFY(!dm.isConnected());
    QVERIFY2(dm.lastConnectError().contains(messagePart), qPrintable(dm.lastConnectError()));
    // The attempt neither creates nor touches the file.
    QCOMPARE(QFile::exists(path), !content.isEmpty());
    if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content);
    }
}

void TestConnection::connectsToTheDeliveredDatabase()
{
    ProgramDataDir dir;
    TDatenmodul dm;
    QVERIFY2(dm.ConnectToDatabase(QString(), dir.databaseFile(), QStringLiteral("/opt/quorvane/"), 3050),
             qPrintable(dm.lastConnectError()));
    QVERIFY(dm.isConnected());
    QVERIFY(dm.lastConnectError().isEmpty());
    QCOMPARE(dm.databaseInformation(), QStringLiteral("database=oil.fdb"));
    QCOMPARE(count(dm.connection(), QStringLiteral("ADMINISTRATION WHERE ID = 1")), 1);

    // A later failing connect leaves nothing connected, and says why.
    QVERIFY(!dm.ConnectToDatabase(QString(), dir.path() + QStringLiteral("database/gone.fdb"), QString(), 3050));
    QVERIFY(!dm.isConnected());
    QVERIFY(!dm.lastConnectError().isEmpty());

    // Unreachable server: no server listens on this port.
    QVERIFY(!dm.ConnectToDatabase(QStringLiteral("127.0.0.1"), QStringLiteral("oil"), QString(), 1));
    QVERIFY(!dm.isConnected());
    QVERIFY(!dm.lastConnectError().isEmpty());
}

void TestConnection::informationTextIsLowerCase()
{
    ProgramDataDir dir(ProgramDataDir::Database::None);
    const QString path = dir.path() + QStringLiteral("database/Oil_Main.FDB");
    QVERIFY(copyTemplateDatabase(path));
    TDatenmodul dm;
    QVERIFY2(dm.ConnectToDatabase(QString(), path, QString(), 3050), qPrintable(dm.lastConnectError()));
    // Only the file name, without its folder, in lower case.
    QCOMPARE(dm.databaseInformation(), QStringLiteral("database=oil_main.fdb"));
}

void TestConnection::connectStringForServers_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("expected");

    QTest::newRow("local file") << "" << 3050 << "/var/lib/quorvane/database/oil.fdb"
                                << "/var/lib/quorvane/database/oil.fdb";
    QTest::newRow("server, standard port") << "WERKSTATT-SRV" << 3050 << "oil" << "WERKSTATT-SRV:oil";
    QTest::newRow("server, own port") << "10.0.0.5" << 3051 << "oil" << "10.0.0.5/3051:oil";
    QTest::newRow("server, no port") << "srv" << 0 << "/data/oil.fdb" << "srv:/data/oil.fdb";
}

void TestConnection::connectStringForServers()
{
    QFETCH(QString, server);
    QFETCH(int, port);
    QFETCH(QString, database);
    QFETCH(QString, expected);
    FbConnectionParams p;
    p.server = server;
    p.port = port;
    p.database = database;
    QCOMPARE(p.connectString(), expected);
}

void TestConnection::reconnectingWorks()
{
    ProgramDataDir dir;
    TDatenmodul dm;
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(dm.ConnectToDatabase(QString(), dir.databaseFile(), QString(), 3050),
                 qPrintable(dm.lastConnectError()));
        // Each attachment writes and reads; what the previous one wrote is there.
        run(dm.connection(), QStringLiteral("UPDATE USERNAME SET USERNAME = 'round %1' WHERE USERNUMBER = %1").arg(i));
        QCOMPARE(count(dm.connection(), QStringLiteral("USERNAME WHERE USERNAME LIKE 'round %'")), i + 1);
    }
    dm.Disconnect();
    QVERIFY(!dm.isConnected());
    QVERIFY(dm.ConnectToDatabase(QString(), dir.databaseFile(), QString(), 3050));
    QCOMPARE(count(dm.connection(), QStringLiteral("USERNAME WHERE USERNAME LIKE 'round %'")), 3);
}

void TestConnection::secondConnectionOnTheSameFile()
{
    ProgramDataDir dir;
    TDatenmodul dm;
    QVERIFY(dm.ConnectToDatabase(QString(), dir.databaseFile(), QString(), 3050));

    FbConnection second;
    attachFile(second, dir.databaseFile());
    QVERIFY(second.isAttached());

    // Each sees what the other committed.
    run(dm.connection(), QStringLiteral("UPDATE USERNAME SET USERNAME = 'Meier' WHERE USERNUMBER = 7"));
    QCOMPARE(scalar(second, QStringLiteral("SELECT USERNAME FROM USERNAME WHERE USERNUMBER = 7")).toString(),
             QStringLiteral("Meier"));
    run(second, QStringLiteral("UPDATE USERNAME SET USERNAME = 'Schulz' WHERE USERNUMBER = 8"));
    QCOMPARE(dm.GetUsernameForNumber(8), QStringLiteral("Schulz"));

    second.detach();
    QVERIFY(!second.isAttached());
    QCOMPARE(dm.GetUsernameForNumber(7), QStringLiteral("Meier"));
}

QTEST_GUILESS_MAIN(TestConnection)
#include "tst_connection.moc"
