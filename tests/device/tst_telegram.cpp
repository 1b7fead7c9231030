// The telegram codec (frame, checksum, padding) and the decoder of received
// telegrams: what it hands on, what it logs and what it keeps per address.

#include "device/Telegram.h"
#include "device/TelegramDecoder.h"

#include <QtTest>

#include <functional>
#include <stdexcept>

using namespace qv::device;

namespace {

// What decoding led to, in the order it happened.
class RecordingEvents : public TelegramEvents {
public:
    explicit RecordingEvents(const LinkState &state) : m_state(state) { }

    bool debugActive = true;
    bool writeLog = false;
    QStringList debugLines;
    QMap<int, QString> panels;
    QStringList logged; // communication log, received lines
    int acknowledgements = 0;
    QList<PointReport> reports;
    // The stored digit of the point at the moment its report was handed on.
    QList<int> previousDigits;
    // Throws for a report when set and returning true.
    std::function<bool(const PointReport &)> failReport;
    bool failLog = false;

    bool DebugMonitorActive() const override { return debugActive; }
    void DebugLog(const QString &line) override { debugLines << line; }
    void StatusPanel(int position, const QString &value) override { panels[position] = value; }
    bool WriteLog() const override { return writeLog; }
    void LogReceived(const QString &line) override
    {
        if (failLog)
            throw std::runtime_error("log directory missing");
        logged << line;
    }
    void Acknowledge() override { ++acknowledgements; }
    void HandlePointReport(const PointReport &report) override
    {
        reports << report;
        previousDigits << m_state.VRK[std::size_t(report.addressIndex)].PointStatus[std::size_t(report.point)];
        if (failReport && failReport(report))
            throw std::runtime_error("database error");
    }

private:
    const LinkState &m_state;
};

// One block of status telegram 2: status, order number (11), quantity (5),
// operator (3).
QString block2(char status, const QString &order = QStringLiteral("00000000000"),
    const QString &quantity = QStringLiteral("00000"), const QString &op = QStringLiteral("000"))
{
    return QChar::fromLatin1(status) + order + quantity + op;
}

QString statusTelegram2(QChar address, const QStringList &blocks, const QString &date = QStringLiteral("150324"),
    const QString &time = QStringLiteral("1405"))
{
    return FrameTelegram(QString(address) + QLatin1Char('t') + blocks.join(QString()) + date + time);
}

QString zeroBlocks2()
{
    return QString(block2('0')).repeated(4);
}

// One block of status telegram 3: point, status, order (11), position (4),
// quantity (6), operator (4).
QString block3(QChar point, char status, const QString &order = QStringLiteral("00000012345"),
    const QString &position = QStringLiteral("0001"), const QString &quantity = QStringLiteral("001250"),
    const QString &op = QStringLiteral("0007"))
{
    return QString(point) + QChar::fromLatin1(status) + order + position + quantity + op;
}

QString statusTelegram3(QChar address, const QStringList &blocks, const QString &date = QStringLiteral("150324"),
    const QString &time = QStringLiteral("1405"))
{
    return FrameTelegram(
        QString(address) + QLatin1Char('i') + QString::number(blocks.size()) + blocks.join(QString()) + date + time);
}

// The same text with its two checksum digits replaced by a wrong pair.
QString withWrongChecksum(const QString &frame)
{
    const QString good = frame.right(2);
    return frame.left(frame.size() - 2) + (good == QLatin1String("00") ? QStringLiteral("01") : QStringLiteral("00"));
}

QList<int> digitsOf(const TVrkState &vrk)
{
    QList<int> digits;
    for (int p = 1; p <= PointCount; ++p)
        digits << vrk.PointStatus[std::size_t(p)];
    return digits;
}

struct Decoding {
    LinkState state;
    RecordingEvents events{state};
    TelegramDecoder decoder{state, events};
};

} // namespace

class TestTelegram : public QObject {
    Q_OBJECT

private slots:
    // --- codec
    void pollFrames_data();
    void pollFrames();
    void releaseFrame();
    void checksumValid_data();
    void checksumValid();
    void padding_data();
    void padding();
    void addressAndPointCharacters();

    // --- decoder
    void errorLines_data();
    void errorLines();
    void checksumFailureChangesNothing();
    void normalising_data();
    void normalising();
    void reportFieldsComeFromTheirPositions();
    void digitZeroCarriesOnlyThePoint();
    void statusTelegram2HandsOnChangesAndRunning();
    void statusTelegram2KeepsDigitsWhenHandlerThrows();
    void statusTelegram3CountZeroClears_data();
    void statusTelegram3CountZeroClears();
    void statusTelegram3HandedOnEveryTime();
    void statusTelegram3BadPointEndsDecode();
    void unknownKindStillMarksOnline();
    void validTelegramRevivesAddress();
    void acknowledgements_data();
    void acknowledgements();
    void failingLogEndsDecode();
    void statusTelegram2LoggedOnceWhenHandedOn();
};

// --- codec -------------------------------------------------------------------------

void TestTelegram::pollFrames_data()
{
    QTest::addColumn<QChar>("address");
    QTest::addColumn<QString>("frame");
    QTest::newRow("0") << QChar('0') << ">0T<FE";
    QTest::newRow("3") << QChar('3') << ">3T<01";
    QTest::newRow("A") << QChar('A') << ">AT<0F";
    QTest::newRow("Z") << QChar('Z') << ">ZT<28";
}

void TestTelegram::pollFrames()
{
    QFETCH(QChar, address);
    QFETCH(QString, frame);
    QCOMPARE(FrameTelegram(QString(address) + QLatin1Char('T')), frame);
    QCOMPARE(TelegramChecksum(frame.left(4)), frame.right(2));
    QVERIFY(TelegramChecksumValid(frame));
}

void TestTelegram::releaseFrame()
{
    const QString payload = QStringLiteral("1F") + PadLeft(QStringLiteral("12345"), 11, QLatin1Char('0'))
        + QLatin1Char('1') + QStringLiteral("0001");
    QCOMPARE(FrameTelegram(payload), QStringLiteral(">1F0000001234510001<02"));
}

void TestTelegram::checksumValid_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("valid");

    QTest::newRow("valid") << ">0T<FE" << true;
    QTest::newRow("valid, long") << statusTelegram2('3', {block2('1'), block2('2'), block2('3'), block2('0')}) << true;
    QTest::newRow("lower-case hex") << ">AT<0f" << true;
    QTest::newRow("lower-case letters both") << ">1T<ff" << true;
    QTest::newRow("wrong digits") << ">0T<FF" << false;
    QTest::newRow("digits swapped") << ">3T<10" << false;
    QTest::newRow("missing <") << ">0TFE" << false;
    QTest::newRow("missing >") << "0T<FE" << false;
    QTest::newRow("one checksum character") << ">0T<F" << false;
    QTest::newRow("no checksum") << ">0T<" << false;
    QTest::newRow("non-hex") << ">0T<FG" << false;
    QTest::newRow("non-hex first") << ">0T<XE" << false;
    QTest::newRow("blank in checksum") << ">0T< E" << false;
    QTest::newRow("empty") << "" << false;
    // Position 1 is not examined: the sum runs from the first ">".
    QTest::newRow("text before >") << "xy>0T<FE" << true;
    QTest::newRow("text after the checksum") << ">0T<FExyz" << true;

    // The 16-bit accumulator: ">" and "<" are 122, 73 "z" and 467 "y" make
    // up the rest of exactly 65535. With one "y" exchanged for a "z" the sum
    // is 65536 and overflows, although its low byte matches.
    const QString top
        = QLatin1Char('>') + QString(73, QLatin1Char('z')) + QString(467, QLatin1Char('y')) + QLatin1Char('<');
    QTest::newRow("sum 65535") << top + TelegramChecksum(top) << true;
    const QString over
        = QLatin1Char('>') + QString(74, QLatin1Char('z')) + QString(466, QLatin1Char('y')) + QLatin1Char('<');
    QTest::newRow("sum 65536 overflows") << over + TelegramChecksum(over) << false;
    const QString veryLong = QLatin1Char('>') + QString(5000, QLatin1Char('9')) + QLatin1Char('<');
    QTest::newRow("very long frame") << veryLong + TelegramChecksum(veryLong) << false;
}

void TestTelegram::checksumValid()
{
    QFETCH(QString, line);
    QFETCH(bool, valid);
    QCOMPARE(TelegramChecksumValid(line), valid);
}

void TestTelegram::padding_data()
{
    QTest::addColumn<bool>("left");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QChar>("fill");
    QTest::addColumn<QString>("expected");

    QTest::newRow("left, zeros") << true << "12345" << 11 << QChar('0') << "00000012345";
    QTest::newRow("left, spaces") << true << "12345" << 11 << QChar(' ') << "      12345";
    QTest::newRow("left, empty") << true << "" << 3 << QChar('0') << "000";
    QTest::newRow("left, exact") << true << "007" << 3 << QChar('0') << "007";
    QTest::newRow("left, never cut") << true << "123456789012" << 11 << QChar('0') << "123456789012";
    QTest::newRow("left, width 0") << true << "abc" << 0 << QChar('0') << "abc";
    QTest::newRow("right, spaces") << false << "Motoroel" << 12 << QChar(' ') << "Motoroel    ";
    QTest::newRow("right, empty") << false << "" << 4 << QChar(' ') << "    ";
    QTest::newRow("right, exact") << false << "abcd" << 4 << QChar(' ') << "abcd";
    QTest::newRow("right, never cut") << false << QString(45, 'x') << 40 << QChar(' ') << QString(45, 'x');
    QTest::newRow("right, negative width") << false << "ab" << -1 << QChar(' ') << "ab";
}

void TestTelegram::padding()
{
    QFETCH(bool, left);
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QChar, fill);
    QFETCH(QString, expected);
    QCOMPARE(left ? PadLeft(text, width, fill) : PadRight(text, width, fill), expected);
}

void TestTelegram::addressAndPointCharacters()
{
    QCOMPARE(AddressIndex('0'), 0);
    QCOMPARE(AddressIndex('9'), 9);
    QCOMPARE(AddressIndex('A'), 10);
    QCOMPARE(AddressIndex('Z'), 35);
    QCOMPARE(AddressIndex('a'), -1); // only upper case letters are addresses
    QCOMPARE(AddressIndex('>'), -1);
    QCOMPARE(PointNumber('1'), 1);
    QCOMPARE(PointNumber('A'), 10);
    QCOMPARE(PointNumber('0'), 0);
    QCOMPARE(PointNumber('B'), 0);
    QCOMPARE(PointChar(10), QChar('A'));
}

// --- decoder: error lines ------------------------------------------------------------

void TestTelegram::errorLines_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("expected"); // after "<- " + line, unless a CRC error

    const QString good
        = statusTelegram2('3', {block2('1', "00000012345", "01250", "007"), block2('0'), block2('0'), block2('0')});
    QTest::newRow("CRC error") << withWrongChecksum(good)
                               << QStringList{QStringLiteral("<- ** CRC error ** ") + withWrongChecksum(good)};
    QTest::newRow("address not an address")
        << FrameTelegram(QStringLiteral("at")) << QStringList{"<- ** Telegram error **"};
    QTest::newRow("text before the frame")
        << QStringLiteral("x") + FrameTelegram(QStringLiteral("3T")) << QStringList{"<- ** Telegram error **"};
    QTest::newRow("no kind letter") << FrameTelegram(QStringLiteral("3")) << QStringList{"<- ** Protocol error **"};
    QTest::newRow("kind letter unknown") << FrameTelegram(QStringLiteral("3X"))
                                         << QStringList{"<- ** Protocol error **"};
    QTest::newRow("poll kind is not an answer")
        << FrameTelegram(QStringLiteral("3T")) << QStringList{"<- ** Protocol error **"};
    QTest::newRow("status 2: status not a digit")
        << statusTelegram2('3', {block2('0'), block2('x'), block2('0'), block2('0')})
        << QStringList{"<- ** Telegram error **"};
    QTest::newRow("status 2: too short") << FrameTelegram(QStringLiteral("3t0"))
                                         << QStringList{"<- ** Telegram error **"};
    QTest::newRow("status 2: quantity not a number")
        << statusTelegram2('3', {block2('3', "00000012345", "12x45", "007"), block2('0'), block2('0'), block2('0')})
        << QStringList{"<- ** Error Status Telegram 2**"};
    QTest::newRow("status 2: quantity with a sign")
        << statusTelegram2('3', {block2('3', "00000012345", "-0125", "007"), block2('0'), block2('0'), block2('0')})
        << QStringList{"<- ** Error Status Telegram 2**"};
    QTest::newRow("status 3: quantity with a blank")
        << statusTelegram3('3', {block3('1', '3', "00000012345", "0001", " 01250")})
        << QStringList{"<- ** Error Status Telegram 3 **"};
    QTest::newRow("status 3: quantity not a number")
        << statusTelegram3('3', {block3('1', '3', "00000012345", "0001", "1.2500")})
        << QStringList{"<- ** Error Status Telegram 3 **"};
    QTest::newRow("status 3: status not a digit") << statusTelegram3(
        '3', {block3('1', '?')}) << QStringList{"<- ** Error Status Telegram 3 **", "<- ** Telegram error **"};
    QTest::newRow("status 3: block cut short")
        << FrameTelegram(QStringLiteral("3i2") + block3('1', '0') + QStringLiteral("4"))
        << QStringList{"<- ** Error Status Telegram 3 **", "<- ** Telegram error **"};
}

void TestTelegram::errorLines()
{
    QFETCH(QString, line);
    QFETCH(QStringList, expected);

    {
        Decoding d;
        d.decoder.ProcessTelegram(line);
        QStringList all = expected;
        if (!expected.first().startsWith(QLatin1String("<- ** CRC error")))
            all.prepend(QStringLiteral("<- ") + line);
        QCOMPARE(d.events.debugLines, all);
    }
    {
        // The same telegram with the debug monitor off leaves no line at all.
        Decoding d;
        d.events.debugActive = false;
        d.decoder.ProcessTelegram(line);
        QCOMPARE(d.events.debugLines, QStringList());
    }
}

void TestTelegram::checksumFailureChangesNothing()
{
    Decoding d;
    d.state.ConnectionStatusCounter = -1;
    d.state.VRK[3].TimeoutCounter = 2;
    d.events.writeLog = true;
    d.decoder.ProcessTelegram(withWrongChecksum(statusTelegram3('3', {block3('1', '1')})));
    QVERIFY(!d.state.VRK[3].Online);
    QCOMPARE(d.state.VRK[3].TimeoutCounter, 2);
    QCOMPARE(d.state.ConnectionStatusCounter, -1);
    QCOMPARE(d.events.reports.size(), 0);
    QCOMPARE(d.events.logged, QStringList());
    QCOMPARE(digitsOf(d.state.VRK[3]), QList<int>(10, 0));
}

// --- decoder: normalising --------------------------------------------------------------

void TestTelegram::normalising_data()
{
    QTest::addColumn<int>("kind"); // 2 or 3
    QTest::addColumn<int>("divisor");
    QTest::addColumn<QString>("order"); // 11 characters
    QTest::addColumn<QString>("quantity"); // 5 (kind 2) or 6 (kind 3) characters
    QTest::addColumn<QString>("op"); // 3 (kind 2) or 4 (kind 3) characters
    QTest::addColumn<QString>("orderNumber");
    QTest::addColumn<double>("litres");
    QTest::addColumn<QString>("operatorNumber");

    QTest::newRow("all-zero order is empty") << 2 << 1000 << "00000000000"
                                             << "01250"
                                             << "007"
                                             << "" << 1.25 << "7";
    QTest::newRow("leading blanks trimmed") << 2 << 1000 << "    0001234"
                                            << "01250"
                                            << "007"
                                            << "1234" << 1.25 << "7";
    QTest::newRow("trailing blanks trimmed") << 2 << 1000 << "0001234    "
                                             << "01250"
                                             << "007"
                                             << "1234" << 1.25 << "7";
    QTest::newRow("inner zeros kept") << 2 << 1000 << "00010203000"
                                      << "01250"
                                      << "007"
                                      << "10203000" << 1.25 << "7";
    QTest::newRow("zero after blanks") << 2 << 1000 << "  0 1234567"
                                       << "01250"
                                       << "007"
                                       << " 1234567" << 1.25 << "7";
    QTest::newRow("operator __3") << 2 << 1000 << "00000012345"
                                  << "01250"
                                  << "__3"
                                  << "12345" << 1.25 << "0";
    QTest::newRow("operator 007") << 2 << 1000 << "00000012345"
                                  << "01250"
                                  << "007"
                                  << "12345" << 1.25 << "7";
    QTest::newRow("operator abc") << 2 << 1000 << "00000012345"
                                  << "01250"
                                  << "abc"
                                  << "12345" << 1.25 << "0";
    QTest::newRow("operator with a sign") << 2 << 1000 << "00000012345"
                                          << "01250"
                                          << "+07"
                                          << "12345" << 1.25 << "0";
    QTest::newRow("operator 120") << 2 << 1000 << "00000012345"
                                  << "01250"
                                  << "120"
                                  << "12345" << 1.25 << "120";
    QTest::newRow("gateway divisor 100") << 2 << 100 << "00000012345"
                                         << "01250"
                                         << "007"
                                         << "12345" << 12.5 << "7";
    QTest::newRow("divisor 1000") << 2 << 1000 << "00000012345"
                                  << "01250"
                                  << "007"
                                  << "12345" << 1.25 << "7";
    QTest::newRow("largest quantity") << 2 << 1000 << "00000012345"
                                      << "99999"
                                      << "007"
                                      << "12345" << 99.999 << "7";
    QTest::newRow("status 3, divisor 1000") << 3 << 1000 << "00000012345"
                                            << "001250"
                                            << "0007"
                                            << "12345" << 1.25 << "7";
    QTest::newRow("status 3 ignores divisor 100") << 3 << 100 << "00000012345"
                                                  << "001250"
                                                  << "0007"
                                                  << "12345" << 1.25 << "7";
    QTest::newRow("status 3, operator _012") << 3 << 1000 << "00000012345"
                                             << "001250"
                                             << "_012"
                                             << "12345" << 1.25 << "0";
    QTest::newRow("status 3, operator 0100") << 3 << 1000 << "00000012345"
                                             << "123456"
                                             << "0100"
                                             << "12345" << 123.456 << "100";
}

void TestTelegram::normalising()
{
    QFETCH(int, kind);
    QFETCH(int, divisor);
    QFETCH(QString, order);
    QFETCH(QString, quantity);
    QFETCH(QString, op);
    QFETCH(QString, orderNumber);
    QFETCH(double, litres);
    QFETCH(QString, operatorNumber);

    Decoding d;
    d.state.PelvorDivisor = divisor;
    const QString line = kind == 2
        ? statusTelegram2('B', {block2('3', order, quantity, op), block2('0'), block2('0'), block2('0')})
        : statusTelegram3('B', {block3('2', '3', order, "0002", quantity, op)});
    QCOMPARE(line.size(), kind == 2 ? 96 : 27 + 17);
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.reports.size(), 1);
    const PointReport &r = d.events.reports.first();
    QCOMPARE(r.rawOrderNumber, order);
    QCOMPARE(r.orderNumber, orderNumber);
    QCOMPARE(r.quantity, litres);
    QCOMPARE(r.operatorNumber, operatorNumber);
    QCOMPARE(d.events.debugLines, QStringList{QStringLiteral("<- ") + line});
}

void TestTelegram::reportFieldsComeFromTheirPositions()
{
    // Every field distinct, so a field read one position off shows.
    Decoding d;
    const QString st2 = statusTelegram2(
        'Z', {block2('0'), block2('0'), block2('1', "98765432101", "04321", "042"), block2('0')}, "311224", "2359");
    d.decoder.ProcessTelegram(st2);
    QCOMPARE(d.events.reports.size(), 1);
    PointReport r = d.events.reports.first();
    QCOMPARE(r.kind, TelegramKind::StatusTelegram2);
    QCOMPARE(r.addressIndex, 35);
    QCOMPARE(r.point, 3);
    QCOMPARE(r.statusDigit, 1);
    QCOMPARE(r.rawOrderNumber, QStringLiteral("98765432101"));
    QCOMPARE(r.orderNumber, QStringLiteral("98765432101"));
    QCOMPARE(r.orderPosition, QStringLiteral("0000"));
    QCOMPARE(r.quantity, 4.321);
    QCOMPARE(r.operatorNumber, QStringLiteral("42"));
    QCOMPARE(r.date, QStringLiteral("311224"));
    QCOMPARE(r.time, QStringLiteral("2359"));

    d.events.reports.clear();
    const QString st3 = statusTelegram3('4',
        {block3('9', '2', "00000011111", "0003", "000500", "0001"),
            block3('A', '5', "00000022222", "0017", "012345", "0321")},
        "010125", "0007");
    QCOMPARE(st3.size(), 2 * 27 + 17);
    d.decoder.ProcessTelegram(st3);
    QCOMPARE(d.events.reports.size(), 2);
    r = d.events.reports.at(1);
    QCOMPARE(r.kind, TelegramKind::StatusTelegram3);
    QCOMPARE(r.addressIndex, 4);
    QCOMPARE(r.point, 10);
    QCOMPARE(r.statusDigit, 5);
    QCOMPARE(r.rawOrderNumber, QStringLiteral("00000022222"));
    QCOMPARE(r.orderNumber, QStringLiteral("22222"));
    QCOMPARE(r.orderPosition, QStringLiteral("0017"));
    QCOMPARE(r.quantity, 12.345);
    QCOMPARE(r.operatorNumber, QStringLiteral("321"));
    QCOMPARE(r.date, QStringLiteral("010125"));
    QCOMPARE(r.time, QStringLiteral("0007"));
    QCOMPARE(d.events.reports.at(0).point, 9);
    QCOMPARE(d.events.reports.at(0).orderPosition, QStringLiteral("0003"));
    QCOMPARE(d.events.reports.at(0).quantity, 0.5);
    QCOMPARE(digitsOf(d.state.VRK[4]), (QList<int>{0, 0, 0, 0, 0, 0, 0, 0, 2, 5}));
}

void TestTelegram::digitZeroCarriesOnlyThePoint()
{
    // A point going back to 0 is handed on without its fields being read:
    // a quantity that is not a number does not make it fail.
    Decoding d;
    d.decoder.ProcessTelegram(statusTelegram2('1', {block2('3'), block2('0'), block2('0'), block2('0')}));
    d.events.reports.clear();
    d.events.previousDigits.clear();
    d.events.debugLines.clear();
    const QString line
        = statusTelegram2('1', {block2('0', "00000012345", "ab de", "x_y"), block2('0'), block2('0'), block2('0')});
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.debugLines, QStringList{QStringLiteral("<- ") + line});
    QCOMPARE(d.events.reports.size(), 1);
    const PointReport &r = d.events.reports.first();
    QCOMPARE(r.statusDigit, 0);
    QCOMPARE(r.addressIndex, 1);
    QCOMPARE(r.point, 1);
    QCOMPARE(r.rawOrderNumber, QStringLiteral("00000012345"));
    QCOMPARE(d.events.previousDigits, QList<int>{3});
}

// --- decoder: status telegram 2 ---------------------------------------------------------

void TestTelegram::statusTelegram2HandsOnChangesAndRunning()
{
    Decoding d;
    const QString line = statusTelegram2('7',
        {block2('1', "00000000001", "00000", "001"), block2('2', "00000000002", "00100", "002"),
            block2('3', "00000000003", "00200", "003"), block2('0')});
    d.decoder.ProcessTelegram(line);
    QList<int> points;
    for (const PointReport &r : d.events.reports)
        points << r.point;
    QCOMPARE(points, (QList<int>{1, 2, 3}));
    // The handler sees the digit stored before this telegram.
    QCOMPARE(d.events.previousDigits, (QList<int>{0, 0, 0}));
    QCOMPARE(digitsOf(d.state.VRK[7]).mid(0, 4), (QList<int>{1, 2, 3, 0}));

    d.events.reports.clear();
    d.events.previousDigits.clear();
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.reports.size(), 1);
    QCOMPARE(d.events.reports.first().point, 2);
    QCOMPARE(d.events.reports.first().statusDigit, 2);
    QCOMPARE(d.events.previousDigits, QList<int>{2});
    QCOMPARE(digitsOf(d.state.VRK[7]).mid(0, 4), (QList<int>{1, 2, 3, 0}));
    // Other addresses are untouched.
    QCOMPARE(digitsOf(d.state.VRK[6]), QList<int>(10, 0));
}

void TestTelegram::statusTelegram2KeepsDigitsWhenHandlerThrows()
{
    Decoding d;
    d.events.failReport = [](const PointReport &r) { return r.point != 3; };
    const QString line = statusTelegram2('2', {block2('1'), block2('4'), block2('6'), block2('9')});
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.reports.size(), 4);
    QCOMPARE(d.events.debugLines,
        (QStringList{QStringLiteral("<- ") + line, "<- ** Error Status Telegram 2**", "<- ** Error Status Telegram 2**",
            "<- ** Error Status Telegram 2**"}));
    QCOMPARE(digitsOf(d.state.VRK[2]).mid(0, 4), (QList<int>{1, 4, 6, 9}));
    // Stored although the handling failed: the same telegram again is no change.
    d.events.reports.clear();
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.reports.size(), 0);
}

void TestTelegram::statusTelegram2LoggedOnceWhenHandedOn()
{
    Decoding d;
    d.events.writeLog = true;
    const QString zeros = statusTelegram2('5', {zeroBlocks2()});
    d.decoder.ProcessTelegram(zeros);
    QCOMPARE(d.events.logged, QStringList()); // nothing handed on, nothing logged
    QVERIFY(d.state.VRK[5].Online);

    const QString two = statusTelegram2('5', {block2('1'), block2('3'), block2('0'), block2('0')});
    d.decoder.ProcessTelegram(two);
    QCOMPARE(d.events.reports.size(), 2);
    QCOMPARE(d.events.logged, QStringList{two});

    // Logged also when the handling of the point failed.
    d.events.failReport = [](const PointReport &) { return true; };
    const QString running = statusTelegram2('5', {block2('2'), block2('3'), block2('0'), block2('0')});
    d.decoder.ProcessTelegram(running);
    QCOMPARE(d.events.logged, (QStringList{two, running}));
}

// --- decoder: status telegram 3 ---------------------------------------------------------

void TestTelegram::statusTelegram3CountZeroClears_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("count 0") << FrameTelegram(QStringLiteral("8i0") + "150324" + "1405");
    QTest::newRow("count not a digit") << FrameTelegram(QStringLiteral("8i-") + "150324" + "1405");
    QTest::newRow("count only") << FrameTelegram(QStringLiteral("8i0"));
}

void TestTelegram::statusTelegram3CountZeroClears()
{
    QFETCH(QString, line);
    Decoding d;
    d.decoder.ProcessTelegram(statusTelegram3('8', {block3('1', '2'), block3('5', '3'), block3('A', '9')}));
    QCOMPARE(digitsOf(d.state.VRK[8]), (QList<int>{2, 0, 0, 0, 3, 0, 0, 0, 0, 9}));
    d.state.VRK[9].PointStatus[1] = 4;
    d.events.panels[3] = QStringLiteral("dispensing");
    d.events.reports.clear();
    d.events.writeLog = true;

    d.decoder.ProcessTelegram(line);
    QCOMPARE(digitsOf(d.state.VRK[8]), QList<int>(10, 0));
    QCOMPARE(d.state.VRK[9].PointStatus[1], quint8(4));
    QVERIFY(d.events.panels.contains(3));
    QCOMPARE(d.events.panels.value(3), QString());
    QCOMPARE(d.events.reports.size(), 0);
    QCOMPARE(d.events.logged, QStringList());
    QCOMPARE(d.events.debugLines.last(), QStringLiteral("<- ") + line);
}

void TestTelegram::statusTelegram3HandedOnEveryTime()
{
    Decoding d;
    d.events.writeLog = true;
    const QString line = statusTelegram3('C', {block3('3', '0'), block3('4', '2'), block3('6', '3')});
    for (int round = 1; round <= 2; ++round) {
        d.events.reports.clear();
        d.events.logged.clear();
        d.decoder.ProcessTelegram(line);
        QList<int> points;
        for (const PointReport &r : d.events.reports)
            points << r.point;
        QCOMPARE(points, (QList<int>{3, 4, 6}));
        // The log line is written once per block.
        QCOMPARE(d.events.logged, (QStringList{line, line, line}));
    }
    QCOMPARE(digitsOf(d.state.VRK[12]), (QList<int>{0, 0, 0, 2, 0, 3, 0, 0, 0, 0}));
    // The handler errors are caught per block.
    d.events.failReport = [](const PointReport &r) { return r.point == 4; };
    d.events.reports.clear();
    d.events.debugLines.clear();
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.reports.size(), 3);
    QCOMPARE(d.events.debugLines, (QStringList{QStringLiteral("<- ") + line, "<- ** Error Status Telegram 3 **"}));
}

void TestTelegram::statusTelegram3BadPointEndsDecode()
{
    Decoding d;
    d.events.writeLog = true;
    const QString line = statusTelegram3('D', {block3('1', '2'), block3('B', '3'), block3('3', '3')});
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.reports.size(), 1);
    QCOMPARE(d.events.reports.first().point, 1);
    QCOMPARE(d.events.debugLines,
        (QStringList{QStringLiteral("<- ") + line, "<- ** Error Status Telegram 3 **", "<- ** Telegram error **"}));
    QCOMPARE(digitsOf(d.state.VRK[13]), (QList<int>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    QCOMPARE(d.events.logged, QStringList{line});
    // The effects made before the error stay.
    QVERIFY(d.state.VRK[13].Online);
    QCOMPARE(d.state.ConnectionStatusCounter, 2);
}

// --- decoder: address state ---------------------------------------------------------------

void TestTelegram::unknownKindStillMarksOnline()
{
    Decoding d;
    d.state.VRK[10].TimeoutCounter = 3;
    d.decoder.ProcessTelegram(FrameTelegram(QStringLiteral("AQ123")));
    QVERIFY(d.state.VRK[10].Online);
    QCOMPARE(d.state.VRK[10].TimeoutCounter, 0);
    QCOMPARE(d.state.ConnectionStatusCounter, 2);
    QCOMPARE(d.events.debugLines.last(), QStringLiteral("<- ** Protocol error **"));
    for (int i = 0; i < VrkCount; ++i)
        QCOMPARE(d.state.VRK[std::size_t(i)].Online, i == 10);
}

void TestTelegram::validTelegramRevivesAddress()
{
    // Any valid telegram of the address, whatever its kind, resets its
    // time-out count and sets the link counter to 2.
    const QStringList lines = {statusTelegram2('Y', {zeroBlocks2()}), FrameTelegram(QStringLiteral("Yi0")),
        FrameTelegram(QStringLiteral("Yf")), FrameTelegram(QStringLiteral("Yv"))};
    for (const QString &line : lines) {
        Decoding d;
        d.state.ConnectionStatusCounter = -1;
        d.state.VRK[34].TimeoutCounter = 3;
        d.decoder.ProcessTelegram(line);
        QVERIFY2(d.state.VRK[34].Online, qPrintable(line));
        QCOMPARE(d.state.VRK[34].TimeoutCounter, 0);
        QCOMPARE(d.state.ConnectionStatusCounter, 2);
    }
}

void TestTelegram::acknowledgements_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("logged");
    QTest::newRow("f") << FrameTelegram(QStringLiteral("1f0000001234510001")) << true;
    QTest::newRow("l") << FrameTelegram(QStringLiteral("1l000000123450")) << true;
    QTest::newRow("v") << FrameTelegram(QStringLiteral("1v")) << false;
    QTest::newRow("f, nothing after it") << FrameTelegram(QStringLiteral("1f")) << true;
}

void TestTelegram::acknowledgements()
{
    QFETCH(QString, line);
    QFETCH(bool, logged);
    Decoding d;
    d.events.writeLog = true;
    d.decoder.ProcessTelegram(line);
    QCOMPARE(d.events.acknowledgements, 1);
    QCOMPARE(d.events.logged, logged ? QStringList{line} : QStringList());
    QCOMPARE(d.events.debugLines, QStringList{QStringLiteral("<- ") + line});
    QVERIFY(d.state.VRK[1].Online);

    // With the log switched off nothing is logged, the acknowledgement counts.
    Decoding off;
    off.decoder.ProcessTelegram(line);
    QCOMPARE(off.events.acknowledgements, 1);
    QCOMPARE(off.events.logged, QStringList());
}

void TestTelegram::failingLogEndsDecode()
{
    // A log that cannot be written ends the decode as a fault in the frame.
    Decoding d;
    d.events.writeLog = true;
    d.events.failLog = true;
    const QString ack = FrameTelegram(QStringLiteral("2f"));
    d.decoder.ProcessTelegram(ack);
    QCOMPARE(d.events.acknowledgements, 1);
    QCOMPARE(d.events.debugLines, (QStringList{QStringLiteral("<- ") + ack, "<- ** Telegram error **"}));

    d.events.debugLines.clear();
    const QString st3 = statusTelegram3('2', {block3('1', '2'), block3('2', '3')});
    d.decoder.ProcessTelegram(st3);
    QCOMPARE(d.events.reports.size(), 1);
    QCOMPARE(d.events.debugLines, (QStringList{QStringLiteral("<- ") + st3, "<- ** Telegram error **"}));
    QCOMPARE(digitsOf(d.state.VRK[2]).mid(0, 2), (QList<int>{2, 0}));
}

QTEST_GUILESS_MAIN(TestTelegram)
#include "tst_telegram.moc"
