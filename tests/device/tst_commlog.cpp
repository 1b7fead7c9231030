// The communication log: file name, line format and encoding, one file per
// day, failures thrown to the caller; and what the polling link writes to
// it, on a pseudo-terminal, with the switch on and off.

#include "DbTest.h"
#include "PtyPeer.h"
#include "RecordingHost.h"

#include "app/Clock.h"
#include "app/IniFile.h"
#include "device/CommunicationLog.h"
#include "device/TFormConnection.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/file.h>

#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace qv;
using namespace qv::device;
using namespace qv::test;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QStringList logFiles(const QString &dir)
{
    return QDir(dir).entryList({QStringLiteral("log-*")}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// The texts of the lines, stamp and " # " removed.
QStringList texts(const QByteArray &content)
{
    QStringList list;
    for (const QString &line : QString::fromUtf8(content).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        list << line.section(QStringLiteral(" # "), 1);
    return list;
}

QString poll(QChar address)
{
    return FrameTelegram(QString(address) + QLatin1Char('T'));
}

QString orderPayload(const QString &number)
{
    return QStringLiteral("V") + PadLeft(number, 11, QLatin1Char('0')) + QStringLiteral("5") + QStringLiteral("01250")
        + QStringLiteral("0000") + QString(12, QLatin1Char(' '))
        + PadRight(QStringLiteral("Motoroel"), 40, QLatin1Char(' ')) + QStringLiteral("1");
}

// Status telegrams whose points carry the digits 7..9, which the link hands
// on but nothing acts on, so no database row is needed.
QString ignoredStatus2(QChar address)
{
    return FrameTelegram(QString(address) + QStringLiteral("t") + QStringLiteral("7") + QString(19, '0')
        + QString(60, '0') + QStringLiteral("150324") + QStringLiteral("1000"));
}

QString ignoredStatus3(QChar address)
{
    const QString block1 = QStringLiteral("28") + QString(25, '0');
    const QString block2 = QStringLiteral("59") + QString(25, '0');
    return FrameTelegram(
        QString(address) + QStringLiteral("i2") + block1 + block2 + QStringLiteral("150324") + QStringLiteral("1000"));
}

// A link on a database copy with controller 0 online, and its peer.
struct LinkFixture {
    ProgramDataDir dir;
    db::FbConnection db;
    RecordingHost host;
    PtyPeer peer;
    std::unique_ptr<TFormConnection> link;

    LinkFixture()
    {
        app::IniWriteString(dir.settingsIni(), QStringLiteral("Online"), QStringLiteral("0"), QStringLiteral("On"));
        attachFile(db, dir.databaseFile());
        link = std::make_unique<TFormConnection>(host, db, dir.settingsDir(), 0.2);
    }
    QString logFile() const { return dir.settingsDir() + QStringLiteral("log-15-03-2024.txt"); }
};

} // namespace

class TestCommLog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lineFormat_data();
    void lineFormat();
    void appendsToTheFileOfTheDay();
    void linesAroundMidnightGoToTwoFiles();
    void timeSeparatorOfTheLocale();
    void missingDirectoryThrows();
    void fileHeldByAnotherThrows();

    void linkWritesNothingWhileSwitchedOff();
    void linkLogsWhatItExchanges();
    void logFailureKeepsTheTelegramOffTheLine();
};

void TestCommLog::init()
{
    app::Clock::setFixed(QDateTime(QDate(2024, 3, 15), QTime(10, 0, 0)));
}

void TestCommLog::cleanup()
{
    app::Clock::reset();
    QLocale::setDefault(QLocale::c());
}

void TestCommLog::lineFormat_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("line");

    QTest::newRow("sent") << QDateTime(QDate(2024, 12, 9), QTime(14, 5, 9)) << true << ">1F0000001234510001<02"
                          << "log-09-12-2024.txt"
                          << "09.12.2024 - 14:05:09 # -> >1F0000001234510001<02";
    QTest::newRow("received") << QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)) << false << ">1f<33"
                              << "log-02-01-2024.txt"
                              << "02.01.2024 - 03:04:05 # <- >1f<33";
    QTest::newRow("afternoon, 24 hours") << QDateTime(QDate(2025, 11, 30), QTime(23, 59, 59)) << true
                                         << "ADR[3][1] = released"
                                         << "log-30-11-2025.txt"
                                         << "30.11.2025 - 23:59:59 # -> ADR[3][1] = released";
    QTest::newRow("non-ASCII") << QDateTime(QDate(2024, 6, 1), QTime(0, 0, 0)) << true
                               << QStringLiteral("ADR[1][2] = Öl für Müller – 5 € 油") << "log-01-06-2024.txt"
                               << QStringLiteral("01.06.2024 - 00:00:00 # -> ADR[1][2] = Öl für Müller – 5 € 油");
    QTest::newRow("empty text") << QDateTime(QDate(2024, 6, 1), QTime(12, 0, 0)) << false << ""
                                << "log-01-06-2024.txt"
                                << "01.06.2024 - 12:00:00 # <- ";
}

void TestCommLog::lineFormat()
{
    QFETCH(QDateTime, time);
    QFETCH(bool, sent);
    QFETCH(QString, text);
    QFETCH(QString, file);
    QFETCH(QString, line);

    QTemporaryDir dir;
    app::Clock::setFixed(time);
    CommunicationLog log(dir.path() + QLatin1Char('/'));
    QCOMPARE(log.currentFileName(), dir.path() + QLatin1Char('/') + file);
    log.WriteCommunicationLog(text, sent);
    QCOMPARE(logFiles(dir.path()), QStringList{file});
    // UTF-8, no byte-order mark, CR LF.
    QCOMPARE(readFile(dir.filePath(file)), (line + QStringLiteral("\r\n")).toUtf8());
}

void TestCommLog::appendsToTheFileOfTheDay()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log-15-03-2024.txt"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("written yesterday\r\n");
    }
    CommunicationLog log(dir.path() + QLatin1Char('/'));
    log.WriteCommunicationLog(QStringLiteral("first"), true);
    app::Clock::setFixed(QDateTime(QDate(2024, 3, 15), QTime(10, 0, 1)));
    log.WriteCommunicationLog(QStringLiteral("second"), false);
    QCOMPARE(readFile(path),
        QByteArray("written yesterday\r\n"
                   "15.03.2024 - 10:00:00 # -> first\r\n"
                   "15.03.2024 - 10:00:01 # <- second\r\n"));
}

void TestCommLog::linesAroundMidnightGoToTwoFiles()
{
    QTemporaryDir dir;
    CommunicationLog log(dir.path() + QLatin1Char('/'));
    app::Clock::setFixed(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)));
    log.WriteCommunicationLog(QStringLiteral("before"), true);
    app::Clock::setFixed(QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0)));
    log.WriteCommunicationLog(QStringLiteral("after"), false);
    QCOMPARE(logFiles(dir.path()), (QStringList{"log-01-01-2025.txt", "log-31-12-2024.txt"}));
    QCOMPARE(readFile(dir.filePath("log-31-12-2024.txt")), QByteArray("31.12.2024 - 23:59:59 # -> before\r\n"));
    QCOMPARE(readFile(dir.filePath("log-01-01-2025.txt")), QByteArray("01.01.2025 - 00:00:00 # <- after\r\n"));
}

void TestCommLog::timeSeparatorOfTheLocale()
{
    // Where the system writes times as 14.05, so does the log.
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
    QVERIFY(QLocale().timeFormat(QLocale::ShortFormat).contains(QLatin1Char('.')));
    QTemporaryDir dir;
    CommunicationLog log(dir.path() + QLatin1Char('/'));
    app::Clock::setFixed(QDateTime(QDate(2024, 12, 9), QTime(14, 5, 9)));
    log.WriteCommunicationLog(QStringLiteral("x"), true);
    QCOMPARE(readFile(dir.filePath("log-09-12-2024.txt")), QByteArray("09.12.2024 - 14.05.09 # -> x\r\n"));

    // A twelve-hour locale still gets 24-hour stamps.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    app::Clock::setFixed(QDateTime(QDate(2024, 12, 9), QTime(15, 0, 0)));
    log.WriteCommunicationLog(QStringLiteral("y"), true);
    QCOMPARE(texts(readFile(dir.filePath("log-09-12-2024.txt"))), (QStringList{"-> x", "-> y"}));
    QVERIFY(readFile(dir.filePath("log-09-12-2024.txt")).endsWith("09.12.2024 - 15:00:00 # -> y\r\n"));
}

void TestCommLog::missingDirectoryThrows()
{
    QTemporaryDir dir;
    CommunicationLog log(dir.path() + QStringLiteral("/gone/"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, log.WriteCommunicationLog(QStringLiteral("x"), true));
    QVERIFY(!QDir(dir.filePath("gone")).exists());
    QVERIFY(logFiles(dir.path()).isEmpty());
}

void TestCommLog::fileHeldByAnotherThrows()
{
    QTemporaryDir dir;
    CommunicationLog log(dir.path() + QLatin1Char('/'));
    log.WriteCommunicationLog(QStringLiteral("one"), true);
    const QByteArray path = QFile::encodeName(log.currentFileName());
    const int fd = ::open(path.constData(), O_RDWR);
    QVERIFY(fd >= 0);
    QCOMPARE(::flock(fd, LOCK_EX), 0);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, log.WriteCommunicationLog(QStringLiteral("two"), true));
    ::close(fd);
    log.WriteCommunicationLog(QStringLiteral("three"), true);
    QCOMPARE(texts(readFile(log.currentFileName())), (QStringList{"-> one", "-> three"}));
}

// --- through the link -------------------------------------------------------------------

namespace {

// Controller 0 acknowledges a "V" with "v" and an "L" with "l", answers its
// polls with a status telegram 2 (twice the same), then status telegram 3,
// then status telegram 3 without points.
void playController(LinkFixture &f, int &polls)
{
    f.peer.onLine = [&f, &polls](const QString &line) {
        if (line.startsWith(QLatin1String(">0V")))
            f.peer.writeLine(FrameTelegram(QStringLiteral("0v")));
        else if (line.startsWith(QLatin1String(">0L")))
            f.peer.writeLine(FrameTelegram(QStringLiteral("0l0000000012300000")));
        else if (line == poll('0')) {
            ++polls;
            if (polls <= 2)
                f.peer.writeLine(ignoredStatus2('0'));
            else if (polls == 3)
                f.peer.writeLine(ignoredStatus3('0'));
            else
                f.peer.writeLine(FrameTelegram(QStringLiteral("0i0150324") + QStringLiteral("1000")));
        }
    };
}

} // namespace

void TestCommLog::linkWritesNothingWhileSwitchedOff()
{
    LinkFixture f;
    QVERIFY(!f.link->WriteLog());
    int polls = 0;
    playController(f, polls);
    f.link->NewOrderData(orderPayload(QStringLiteral("123")));
    f.link->NewOrderData(QStringLiteral("L0000000012300000"));
    f.link->ConnectToDevicePort(f.peer.slavePath(), 9600);
    QTRY_VERIFY_WITH_TIMEOUT(polls >= 5, 20000);
    QVERIFY(f.host.debugLines.contains(QStringLiteral("<- ") + ignoredStatus3('0')));
    QCOMPARE(logFiles(f.dir.settingsDir()), QStringList());
    QVERIFY(f.host.exceptions.isEmpty());
}

void TestCommLog::linkLogsWhatItExchanges()
{
    LinkFixture f;
    f.link->SetWriteLog(true);
    int polls = 0;
    playController(f, polls);
    const QString order = orderPayload(QStringLiteral("123"));
    f.link->NewOrderData(order);
    f.link->NewOrderData(QStringLiteral("L0000000012300000"));
    f.link->ConnectToDevicePort(f.peer.slavePath(), 9600);
    QTRY_VERIFY_WITH_TIMEOUT(polls >= 5, 20000);
    QCOMPARE(logFiles(f.dir.settingsDir()), QStringList{"log-15-03-2024.txt"});
    // Polls, "v" acknowledgements, unchanged status telegrams 2 and empty
    // status telegrams 3 are not logged; a status telegram 3 once per block.
    const QByteArray content = readFile(f.logFile());
    QCOMPARE(texts(content),
        (QStringList{"-> " + FrameTelegram("0" + order), "-> " + FrameTelegram("0L0000000012300000"),
            "<- " + FrameTelegram("0l0000000012300000"), "<- " + ignoredStatus2('0'), "<- " + ignoredStatus3('0'),
            "<- " + ignoredStatus3('0')}));
    QVERIFY(content.startsWith("15.03.2024 - 10:00:00 # -> >0V"));

    // Switched off, the exchange goes on without a line more.
    f.link->SetWriteLog(false);
    const int before = polls;
    f.link->NewOrderData(QStringLiteral("L0000000045600000"));
    QTRY_VERIFY_WITH_TIMEOUT(polls >= before + 2, 20000);
    QCOMPARE(readFile(f.logFile()), content);
}

void TestCommLog::logFailureKeepsTheTelegramOffTheLine()
{
    // The day's log file cannot be opened (a folder stands in its place).
    LinkFixture f;
    QVERIFY(QDir().mkpath(f.logFile()));
    f.link->SetWriteLog(true);
    bool answered = false;
    f.peer.onLine = [&](const QString &line) {
        if (line == poll('0') && !answered) {
            answered = true;
            f.peer.writeLine(ignoredStatus3('0'));
        }
    };
    const QString order = orderPayload(QStringLiteral("9"));
    f.link->NewOrderData(order);
    f.link->ConnectToDevicePort(f.peer.slavePath(), 9600);
    QTRY_VERIFY_WITH_TIMEOUT(answered && f.host.debugLines.contains(QStringLiteral("<- ** Telegram error **")), 20000);

    // Each of the three attempts failed before the port: the frame never went
    // out and no answer was waited for.
    for (const QString &line : f.peer.lines)
        QVERIFY2(line.size() == 6 && line.at(2) == QLatin1Char('T'), qPrintable(line));
    QCOMPARE(f.host.exceptions.size(), 3);
    QVERIFY2(
        f.host.exceptions.first().startsWith(QLatin1String("TimerPolling: ")), qPrintable(f.host.exceptions.first()));
    QCOMPARE(f.host.debugLines.count(QStringLiteral("-> ") + FrameTelegram(QStringLiteral("0") + order)), 3);
    const qsizetype firstPoll = f.host.debugLines.indexOf(QRegularExpression(QStringLiteral("-> >.T<[0-9A-F]{2}")));
    QVERIFY(firstPoll > 0);
    for (qsizetype i = 0; i < firstPoll; ++i)
        QVERIFY2(!f.host.debugLines.at(i).contains(QLatin1String("TIME OUT")), qPrintable(f.host.debugLines.at(i)));
    QVERIFY(f.link->SendeListe().isEmpty());
    // The decoder's log line failed too: that ends the decode, the first
    // block is handed on and stored, the second not.
    QCOMPARE(f.link->VRK()[0].PointStatus[2], quint8(8));
    QCOMPARE(f.link->VRK()[0].PointStatus[5], quint8(0));
    QVERIFY(f.link->isOpen());
}

QTEST_GUILESS_MAIN(TestCommLog)
#include "tst_commlog.moc"
