// Recording of running and ended dispensings in the orders table, on a copy
// of the delivered database: start, progress, result status, rows for
// dispensings without order, repeated end reports, failed stores and the
// lines for the status monitor and the communication log.

#include "DbTest.h"
#include "DispensingFixture.h"
#include "RecordingHost.h"

#include "app/Clock.h"
#include "db/FbError.h"
#include "device/DispensingRecorder.h"
#include "device/ReleaseDecision.h"

#include <QRegularExpression>
#include <QtTest>

#include <memory>

using namespace qv;
using namespace qv::device;
using namespace qv::test;

namespace {

// Address 3, point 2 throughout; product 023 "Hydraulic" is connected there
// and operator 7 is "Miller".
constexpr int Address = 3;
constexpr int Point = 2;
const QDateTime TelegramTime(QDate(2024, 12, 9), QTime(14, 5));
const QDateTime EarlierTime(QDate(2024, 1, 1), QTime(8, 0));

PointReport reportOf(int digit, double quantity, const QString &position = QStringLiteral("0000"))
{
    PointReport r;
    r.kind = position == QLatin1String("0000") ? TelegramKind::StatusTelegram2 : TelegramKind::StatusTelegram3;
    r.addressIndex = Address;
    r.point = Point;
    r.statusDigit = digit;
    r.rawOrderNumber = QStringLiteral("00000012345");
    r.orderNumber = QStringLiteral("12345");
    r.orderPosition = position;
    r.quantity = quantity;
    r.operatorNumber = QStringLiteral("7");
    r.date = QStringLiteral("091224");
    r.time = QStringLiteral("1405");
    return r;
}

} // namespace

class TestRecording : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void resultStatus_data();
    void resultStatus();
    void endPicksTheRunningRow();

    void running_data();
    void running();
    void progressInDisplayUnit_data();
    void progressInDisplayUnit();
    void startAndProgressErrorsAreCaught_data();
    void startAndProgressErrorsAreCaught();

    void dispensingWithoutOrderGetsItsOwnRow_data();
    void dispensingWithoutOrderGetsItsOwnRow();
    void namesAtTheEnd_data();
    void namesAtTheEnd();
    void telegramDateTime_data();
    void telegramDateTime();

    void repeatedEndReport_data();
    void repeatedEndReport();
    void failedStoreIsStoredWhenRepeated_data();
    void failedStoreIsStoredWhenRepeated();

    void linesGoWhereSwitchedOn_data();
    void linesGoWhereSwitchedOn();

private:
    qint64 insertOrder(int status, double soll, double ist, int point = Point, double actual = 0);
    QVariantMap rowOf(qint64 id);
    int autoRows();
    QStringList deleteTelegrams() const;
    quint8 &pointStatus() { return m_fx->vrk[Address].PointStatus[Point]; }
    void refuseWrites();

    std::unique_ptr<DispensingFixture> m_fx;
    std::unique_ptr<DispensingRecorder> m_recorder;
};

void TestRecording::initTestCase()
{
    // A decimal comma shows that quantities follow the system's format.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void TestRecording::init()
{
    m_fx = std::make_unique<DispensingFixture>();
    QVERIFY(m_fx->dir.isValid());
    run(m_fx->db,
        QStringLiteral("UPDATE QUALITY SET QUALITY = '023' WHERE VRK = %1 AND POINT = %2").arg(Address).arg(Point));
    run(m_fx->db, QStringLiteral("UPDATE QUALITYNAME SET QUALITYNAME = 'Hydraulic' WHERE QUALITY = '023'"));
    run(m_fx->db, QStringLiteral("UPDATE USERNAME SET USERNAME = 'Miller' WHERE USERNUMBER = 7"));

    m_recorder = std::make_unique<DispensingRecorder>(m_fx->context());
}

void TestRecording::cleanup()
{
    app::Clock::reset();
    m_recorder.reset();
    m_fx.reset();
}

// An order row of number 12345 released at the test's address.
qint64 TestRecording::insertOrder(int status, double soll, double ist, int point, double actual)
{
    db::SqlQuery q(m_fx->db,
        QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, ORDERPOSITION, QUALITY, VRK, POINT, "
                       "STATUS, SOLL, IST, ACTUAL, DISPENSINGDATETIME) VALUES ('12345', '0000', "
                       "'000', :VRK, :POINT, :STATUS, :SOLL, :IST, :ACTUAL, :T) RETURNING DISPENSING"));
    q.bind(QStringLiteral("VRK"), Address)
        .bind(QStringLiteral("POINT"), point)
        .bind(QStringLiteral("STATUS"), status)
        .bind(QStringLiteral("SOLL"), soll)
        .bind(QStringLiteral("IST"), ist)
        .bind(QStringLiteral("ACTUAL"), actual)
        .bind(QStringLiteral("T"), EarlierTime);
    q.exec();
    return q.value(0).toLongLong();
}

QVariantMap TestRecording::rowOf(qint64 id)
{
    db::SqlQuery q(m_fx->db, QStringLiteral("SELECT * FROM DISPENSINGDATA WHERE DISPENSING = %1").arg(id));
    q.exec();
    QVariantMap row;
    if (q.next()) {
        for (const QString &column : q.columnNames())
            row[column] = q.value(column);
    }
    return row;
}

int TestRecording::autoRows()
{
    return count(m_fx->db, QStringLiteral("DISPENSINGDATA WHERE ADDITIONAL = 'auto stored value'"));
}

QStringList TestRecording::deleteTelegrams() const
{
    return m_fx->queue.entries().filter(QRegularExpression(QStringLiteral("^03L")));
}

// Every insert and update of an order row fails from now on.
void TestRecording::refuseWrites()
{
    m_fx->db.executeImmediate(QStringLiteral("CREATE EXCEPTION E_REFUSE 'refused by the test'"));
    m_fx->db.executeImmediate(QStringLiteral("CREATE TRIGGER T_REFUSE FOR DISPENSINGDATA ACTIVE BEFORE INSERT OR UPDATE "
                                          "AS BEGIN EXCEPTION E_REFUSE; END"));
}

void TestRecording::resultStatus_data()
{
    QTest::addColumn<int>("digit");
    QTest::addColumn<double>("quantity");
    QTest::addColumn<double>("soll");
    QTest::addColumn<double>("istBefore");
    QTest::addColumn<int>("status");
    QTest::addColumn<double>("ist");

    QTest::newRow("0.4 l ending with 3") << 3 << 0.4 << 0.0 << 0.0 << 4 << 0.4;
    QTest::newRow("0.4 l ending with 4") << 4 << 0.4 << 0.0 << 0.0 << 5 << 0.4;
    QTest::newRow("12 l ending with 4, preset reached") << 4 << 12.0 << 10.0 << 0.0 << 5 << 12.0;
    QTest::newRow("0.5 l ending with 5") << 5 << 0.5 << 0.0 << 0.0 << 3 << 0.5;
    QTest::newRow("0.49 l ending with 6") << 6 << 0.49 << 0.0 << 0.0 << 4 << 0.49;
    QTest::newRow("9.95 of 10") << 3 << 9.95 << 10.0 << 0.0 << 6 << 9.95;
    QTest::newRow("9.85 of 10") << 3 << 9.85 << 10.0 << 0.0 << 3 << 9.85;
    QTest::newRow("no preset, 2 l") << 3 << 2.0 << 0.0 << 0.0 << 3 << 2.0;
    QTest::newRow("second run reaches the preset") << 3 << 4.95 << 10.0 << 5.0 << 6 << 9.95;
    QTest::newRow("second run under 0.5 l past the preset") << 3 << 0.3 << 10.0 << 9.8 << 4 << 10.1;
}

void TestRecording::resultStatus()
{
    QFETCH(int, digit);
    QFETCH(double, quantity);
    QFETCH(double, soll);
    QFETCH(double, istBefore);
    QFETCH(int, status);
    QFETCH(double, ist);

    const qint64 id = insertOrder(2, soll, istBefore, Point, 3.3);
    pointStatus() = 2;

    m_recorder->HandleDispensingEnded(reportOf(digit, quantity));

    const QVariantMap row = rowOf(id);
    QCOMPARE(row.value("STATUS").toInt(), status);
    QCOMPARE(row.value("IST").toDouble(), ist);
    QCOMPARE(row.value("ACTUAL").toDouble(), 0.0);
    QCOMPARE(row.value("QUALITY").toString(), QStringLiteral("023"));
    QCOMPARE(row.value("QUALITYNAME").toString(), QStringLiteral("Hydraulic"));
    QCOMPARE(row.value("USERNUMBER").toInt(), 7);
    QCOMPARE(row.value("USERNAME").toString(), QStringLiteral("Miller"));
    QCOMPARE(row.value("DISPENSINGDATETIME").toDateTime(), TelegramTime);
    QCOMPARE(row.value("SOLL").toDouble(), soll);
    QCOMPARE(count(m_fx->db, QStringLiteral("DISPENSINGDATA")), 1);

    QCOMPARE(m_fx->queue.entries(), QStringList{QStringLiteral("03L0000001234500000")});
    QCOMPARE(m_fx->host.panels.value(3), QStringLiteral("finished: 00000012345"));
    QCOMPARE(m_fx->host.actualizeCalls, QStringList{QStringLiteral("1,0")});
}

// A point may hold an interrupted earlier run of the same order number
// beside the one running now; the quantity belongs to the running one.
void TestRecording::endPicksTheRunningRow()
{
    const qint64 earlier = insertOrder(3, 0, 1.5);
    const qint64 running = insertOrder(2, 0, 0, Point, 1.9);
    pointStatus() = 2;

    m_recorder->HandleDispensingEnded(reportOf(3, 2.0));

    QCOMPARE(rowOf(running).value("STATUS").toInt(), 3);
    QCOMPARE(rowOf(running).value("IST").toDouble(), 2.0);
    QCOMPARE(rowOf(earlier).value("IST").toDouble(), 1.5);
    QCOMPARE(rowOf(earlier).value("USERNAME"), QVariant());
}

void TestRecording::running_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("previous");
    QTest::addColumn<double>("quantity");
    QTest::addColumn<int>("statusBefore");
    QTest::addColumn<int>("status");
    QTest::addColumn<double>("actual");
    QTest::addColumn<QString>("productName"); // "<null>": not written
    QTest::addColumn<bool>("timeWritten");
    QTest::addColumn<QString>("line"); // empty: none
    QTest::addColumn<QString>("panel"); // "<none>": not touched
    QTest::addColumn<int>("refreshes");

    const QString active = QStringLiteral("ADR[3][2] = Ordernumber (12345) active");
    const QString activePanel = QStringLiteral("active: 00000012345");
    const QString dispense = QStringLiteral("dispense: 12345 - 3,46 ltr");
    const QString none = QStringLiteral("<null>");

    QTest::newRow("first report at 0 l records the start")
        << 0 << 1 << 0.0 << 1 << 2 << 0.0 << QStringLiteral("Hydraulic") << true << active << activePanel << 1;
    QTest::newRow("first report after a digit 0 records the start")
        << 2 << 0 << 0.0 << 1 << 2 << 0.0 << QStringLiteral("Hydraulic") << true << active << activePanel << 1;
    QTest::newRow("first report already flowing records no start")
        << 0 << 1 << 0.05 << 1 << 1 << 0.0 << none << false << active << activePanel << 1;
    QTest::newRow("first report leaves a running row alone")
        << 0 << 1 << 0.0 << 2 << 2 << 0.0 << none << false << active << activePanel << 1;
    QTest::newRow("no start in allow all")
        << 1 << 1 << 0.0 << 1 << 1 << 0.0 << none << false << QString() << QStringLiteral("<none>") << 0;
    QTest::newRow("later report records the quantity")
        << 0 << 2 << 3.456 << 2 << 2 << 3.456 << none << true << QString() << dispense << 1;
    QTest::newRow("later report in allow all too")
        << 1 << 2 << 3.456 << 1 << 2 << 3.456 << none << true << QString() << dispense << 1;
    QTest::newRow("later report leaves an ended row alone")
        << 0 << 2 << 3.456 << 3 << 3 << 0.0 << none << false << QString() << dispense << 1;
}

void TestRecording::running()
{
    QFETCH(int, mode);
    QFETCH(int, previous);
    QFETCH(double, quantity);
    QFETCH(int, statusBefore);
    QFETCH(int, status);
    QFETCH(double, actual);
    QFETCH(QString, productName);
    QFETCH(bool, timeWritten);
    QFETCH(QString, line);
    QFETCH(QString, panel);
    QFETCH(int, refreshes);

    m_fx->host.username.OrderCheckValue = mode;
    const qint64 id = insertOrder(statusBefore, 10, 0);
    // The same order released at the next point is none of this report's business.
    const qint64 other = insertOrder(1, 10, 0, Point + 1);
    pointStatus() = quint8(previous);

    m_recorder->HandleDispensingRunning(reportOf(2, quantity));

    const QVariantMap row = rowOf(id);
    QCOMPARE(row.value("STATUS").toInt(), status);
    QCOMPARE(row.value("ACTUAL").toDouble(), actual);
    QCOMPARE(row.value("QUALITYNAME").isNull() ? QStringLiteral("<null>") : row.value("QUALITYNAME").toString(),
        productName);
    QCOMPARE(row.value("DISPENSINGDATETIME").toDateTime(), timeWritten ? TelegramTime : EarlierTime);
    QCOMPARE(row.value("IST").toDouble(), 0.0);
    QCOMPARE(rowOf(other).value("STATUS").toInt(), 1);
    QCOMPARE(rowOf(other).value("DISPENSINGDATETIME").toDateTime(), EarlierTime);

    QCOMPARE(m_fx->host.statusLines, line.isEmpty() ? QStringList{} : QStringList{line});
    QCOMPARE(m_fx->host.panels.value(3, QStringLiteral("<none>")), panel);
    QCOMPARE(m_fx->host.refreshOpenOrdersCalls, refreshes);
    QCOMPARE(m_fx->host.debugLines, QStringList{});
    QCOMPARE(m_fx->host.actualizeCalls, QStringList{});
    QVERIFY(m_fx->queue.isEmpty());
}

void TestRecording::progressInDisplayUnit_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("quantity");
    QTest::addColumn<QString>("panel");

    QTest::newRow("litres, 2 decimals") << "ltr" << 2 << 3.456 << "dispense: 12345 - 3,46 ltr";
    QTest::newRow("gallons, 3 decimals") << "gal" << 3 << 10.0 << "dispense: 12345 - 2,642 gal";
    QTest::newRow("pints, no decimals") << "pt" << 0 << 1.0 << "dispense: 12345 - 2 pt";
    QTest::newRow("quarts, 1 decimal") << "qt" << 1 << 2.0 << "dispense: 12345 - 2,1 qt";
    QTest::newRow("litres, no grouping") << "ltr" << 1 << 1234.5 << "dispense: 12345 - 1234,5 ltr";
}

void TestRecording::progressInDisplayUnit()
{
    QFETCH(QString, unit);
    QFETCH(int, decimals);
    QFETCH(double, quantity);
    QFETCH(QString, panel);

    m_fx->host.username.Einheit.setUnit(unit);
    m_fx->host.username.Einheit.setDecimals(decimals);
    const qint64 id = insertOrder(2, 0, 0);
    pointStatus() = 2;

    m_recorder->HandleDispensingRunning(reportOf(2, quantity));

    QCOMPARE(m_fx->host.panels.value(3), panel);
    // Stored quantities stay litres.
    QCOMPARE(rowOf(id).value("ACTUAL").toDouble(), quantity);
}

void TestRecording::startAndProgressErrorsAreCaught_data()
{
    QTest::addColumn<int>("previous");
    QTest::addColumn<bool>("debugMonitor");
    QTest::addColumn<QString>("prefix");

    QTest::newRow("start, debug monitor on") << 1 << true << "Error(744): ";
    QTest::newRow("start, debug monitor off") << 1 << false << QString();
    QTest::newRow("progress, debug monitor on") << 2 << true << "Error(692): ";
    QTest::newRow("progress, debug monitor off") << 2 << false << QString();
}

// A failed start or progress update must not end the handling of the point:
// the dispensing goes on and the grid is still refreshed.
void TestRecording::startAndProgressErrorsAreCaught()
{
    QFETCH(int, previous);
    QFETCH(bool, debugMonitor);
    QFETCH(QString, prefix);

    m_fx->host.debugActive = debugMonitor;
    const qint64 id = insertOrder(previous, 0, 0);
    pointStatus() = quint8(previous);
    refuseWrites();

    m_recorder->HandleDispensingRunning(reportOf(2, previous == 2 ? 1.5 : 0.0));

    if (debugMonitor) {
        QCOMPARE(m_fx->host.debugLines.size(), 1);
        QVERIFY2(m_fx->host.debugLines[0].startsWith(prefix), qPrintable(m_fx->host.debugLines[0]));
        QVERIFY2(
            m_fx->host.debugLines[0].contains(QStringLiteral("refused by the test")), qPrintable(m_fx->host.debugLines[0]));
    } else {
        QCOMPARE(m_fx->host.debugLines, QStringList{});
    }
    QCOMPARE(m_fx->host.refreshOpenOrdersCalls, 1);
    QCOMPARE(rowOf(id).value("STATUS").toInt(), previous);
    QCOMPARE(rowOf(id).value("ACTUAL").toDouble(), 0.0);
}

void TestRecording::dispensingWithoutOrderGetsItsOwnRow_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("digit");
    QTest::addColumn<double>("quantity");
    QTest::addColumn<int>("status");

    QTest::newRow("allow all, 2.5 l ending with 3") << 1 << 3 << 2.5 << 6;
    QTest::newRow("allow all, 0.3 l ending with 3") << 1 << 3 << 0.3 << 4;
    QTest::newRow("allow all, 2.5 l ending with 4") << 1 << 4 << 2.5 << 5;
    QTest::newRow("allow all, 0.5 l ending with 6") << 1 << 6 << 0.5 << 6;
    QTest::newRow("never released, 2.5 l ending with 3") << 0 << 3 << 2.5 << 6;
}

void TestRecording::dispensingWithoutOrderGetsItsOwnRow()
{
    QFETCH(int, mode);
    QFETCH(int, digit);
    QFETCH(double, quantity);
    QFETCH(int, status);

    m_fx->host.username.OrderCheckValue = mode;
    m_fx->host.autoUpdate = true;
    // Neither a closed row at this point nor a running one at another is the
    // dispensing's order.
    const qint64 closed = insertOrder(4, 10, 1);
    const qint64 elsewhere = insertOrder(2, 10, 0, Point + 1);
    pointStatus() = 2;

    m_recorder->HandleDispensingEnded(reportOf(digit, quantity, QStringLiteral("0007")));

    QCOMPARE(autoRows(), 1);
    const qint64 id = scalar(m_fx->db,
        QStringLiteral("SELECT DISPENSING FROM DISPENSINGDATA "
                       "WHERE ADDITIONAL = 'auto stored value'"))
                          .toLongLong();
    const QVariantMap row = rowOf(id);
    QCOMPARE(row.value("ORDERNUMBER").toString(), QStringLiteral("12345"));
    QCOMPARE(row.value("ORDERPOSITION").toString(), QStringLiteral("0007"));
    QCOMPARE(row.value("QUALITY").toString(), QStringLiteral("023"));
    QCOMPARE(row.value("QUALITYNAME").toString(), QStringLiteral("Hydraulic"));
    QCOMPARE(row.value("VRK").toInt(), Address);
    QCOMPARE(row.value("POINT").toInt(), Point);
    QCOMPARE(row.value("USERNUMBER").toInt(), 7);
    QCOMPARE(row.value("USERNAME").toString(), QStringLiteral("Miller"));
    QCOMPARE(row.value("STATUS").toInt(), status);
    QCOMPARE(row.value("SOLL").toDouble(), 0.0);
    QCOMPARE(row.value("IST").toDouble(), quantity);
    QCOMPARE(row.value("ACTUAL").toDouble(), 0.0);
    QCOMPARE(row.value("DISPENSINGDATETIME").toDateTime(), TelegramTime);

    QCOMPARE(rowOf(closed).value("IST").toDouble(), 1.0);
    QCOMPARE(rowOf(elsewhere).value("STATUS").toInt(), 2);
    QCOMPARE(m_fx->queue.entries(), QStringList{QStringLiteral("03L0000001234500007")});
    QCOMPARE(m_fx->host.actualizeCalls, QStringList{QStringLiteral("1,1")});
}

void TestRecording::namesAtTheEnd_data()
{
    QTest::addColumn<QString>("removal");
    QTest::addColumn<QString>("operatorNumber");
    QTest::addColumn<QString>("productName");
    QTest::addColumn<QString>("userName");
    QTest::addColumn<int>("userNumber");

    QTest::newRow("both named") << QString() << "7"
                                << "Hydraulic"
                                << "Miller" << 7;
    QTest::newRow("product without name") << "DELETE FROM QUALITYNAME WHERE QUALITY = '023'"
                                          << "7"
                                          << "023"
                                          << "Miller" << 7;
    QTest::newRow("unknown operator") << "DELETE FROM USERNAME WHERE USERNUMBER = 7"
                                      << "7"
                                      << "Hydraulic"
                                      << "" << 7;
    // Status telegram 3 carries four digits; there are names only up to 999.
    QTest::newRow("operator of four digits") << QString() << "1234"
                                             << "Hydraulic"
                                             << "" << 1234;
}

void TestRecording::namesAtTheEnd()
{
    QFETCH(QString, removal);
    QFETCH(QString, operatorNumber);
    QFETCH(QString, productName);
    QFETCH(QString, userName);
    QFETCH(int, userNumber);

    if (!removal.isEmpty())
        run(m_fx->db, removal);
    const qint64 id = insertOrder(2, 0, 0);
    pointStatus() = 2;
    PointReport report = reportOf(3, 2.0);
    report.operatorNumber = operatorNumber;

    m_recorder->HandleDispensingEnded(report);

    const QVariantMap row = rowOf(id);
    QCOMPARE(row.value("QUALITYNAME").toString(), productName);
    QCOMPARE(row.value("USERNAME").toString(), userName);
    QCOMPARE(row.value("USERNUMBER").toInt(), userNumber);
}

void TestRecording::telegramDateTime_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QDateTime>("expected"); // invalid: the PC's current time

    QTest::newRow("new year's eve") << "311224"
                                    << "2359" << QDateTime(QDate(2024, 12, 31), QTime(23, 59));
    QTest::newRow("leap day at midnight") << "290224"
                                          << "0000" << QDateTime(QDate(2024, 2, 29), QTime(0, 0));
    QTest::newRow("day not a number") << "xx1224"
                                      << "2359" << QDateTime();
    QTest::newRow("minute not a number") << "311224"
                                         << "23x9" << QDateTime();
    QTest::newRow("31 February") << "310224"
                                 << "1200" << QDateTime();
    QTest::newRow("29 February of a common year") << "290223"
                                                  << "1200" << QDateTime();
    QTest::newRow("hour 24") << "311224"
                             << "2400" << QDateTime();
    QTest::newRow("date cut short") << "3112"
                                    << "1200" << QDateTime();
}

void TestRecording::telegramDateTime()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QDateTime, expected);

    const QDateTime now(QDate(2025, 3, 4), QTime(10, 11, 12, 345));
    app::Clock::setFixed(now);
    QCOMPARE(DispensingRecorder::TelegramDateTime(date, time), expected.isValid() ? expected : now);
}

void TestRecording::repeatedEndReport_data()
{
    QTest::addColumn<bool>("orderRow");
    QTest::addColumn<QString>("between"); // what the point reports between the two end reports
    QTest::addColumn<int>("stores");

    for (bool orderRow : {true, false}) {
        const char *kind = orderRow ? "order row" : "no order row";
        QTest::addRow("%s: repeated", kind) << orderRow << "nothing" << 1;
        QTest::addRow("%s: repeated a minute later", kind) << orderRow << "nothing, a minute later" << 1;
        QTest::addRow("%s: digit 0 in between", kind) << orderRow << "0" << 2;
        QTest::addRow("%s: release request in between", kind) << orderRow << "1" << 2;
        QTest::addRow("%s: running in between", kind) << orderRow << "2" << 2;
        QTest::addRow("%s: telegram 3 without points in between", kind) << orderRow << "no points" << 2;
    }
}

// The controller repeats its end report until it has dropped the order; a
// repeat must not count the quantity twice, but a new dispensing with the
// same figures must be stored.
void TestRecording::repeatedEndReport()
{
    QFETCH(bool, orderRow);
    QFETCH(QString, between);
    QFETCH(int, stores);

    m_fx->host.username.OrderCheckValue = int(orderRow ? db::TAdminOrderCheck::oCheck : db::TAdminOrderCheck::oAllowAll);
    const qint64 id = orderRow ? insertOrder(2, 0, 0) : 0;
    ReleaseDecision release(DeviceContext{m_fx->db, m_fx->host, m_fx->queue, m_fx->log, m_fx->vrk});
    pointStatus() = 2;

    PointReport end = reportOf(3, 2.0);
    m_recorder->HandleDispensingEnded(end);
    pointStatus() = 3; // as the decoder stores it afterwards

    if (between == QLatin1String("nothing, a minute later")) {
        end.time = QStringLiteral("1406");
    } else if (between == QLatin1String("0")) {
        m_recorder->HandleNoDispensing(reportOf(0, 0));
        pointStatus() = 0;
    } else if (between == QLatin1String("1")) {
        release.HandleReleaseRequest(reportOf(1, 0));
        pointStatus() = 1;
    } else if (between == QLatin1String("2")) {
        m_recorder->HandleDispensingRunning(reportOf(2, 0));
        pointStatus() = 2;
    } else if (between == QLatin1String("no points")) {
        m_fx->vrk[Address].PointStatus.fill(0);
    }
    m_recorder->HandleDispensingEnded(end);

    if (orderRow) {
        QCOMPARE(rowOf(id).value("IST").toDouble(), 2.0 * stores);
        QCOMPARE(autoRows(), 0);
    } else {
        QCOMPARE(autoRows(), stores);
    }
    // Told to drop the order both times.
    QCOMPARE(deleteTelegrams(), QStringList(2, QStringLiteral("03L0000001234500000")));
    QCOMPARE(m_fx->host.statusLines.filter(QStringLiteral("Order finished")).size(), 2);
}

void TestRecording::failedStoreIsStoredWhenRepeated_data()
{
    QTest::addColumn<bool>("orderRow");

    QTest::newRow("update of the order row fails") << true;
    QTest::newRow("insert of a new row fails") << false;
}

void TestRecording::failedStoreIsStoredWhenRepeated()
{
    QFETCH(bool, orderRow);

    const qint64 id = orderRow ? insertOrder(2, 0, 0, Point, 1.9) : 0;
    pointStatus() = 2;
    refuseWrites();
    const PointReport end = reportOf(3, 2.0);

    QVERIFY_THROWS_EXCEPTION(db::FbError, m_recorder->HandleDispensingEnded(end));

    // Nothing stored, and the controller is not told to drop the order.
    if (orderRow) {
        const QVariantMap row = rowOf(id);
        QCOMPARE(row.value("STATUS").toInt(), 2);
        QCOMPARE(row.value("IST").toDouble(), 0.0);
        QCOMPARE(row.value("ACTUAL").toDouble(), 1.9);
        QCOMPARE(row.value("USERNAME"), QVariant());
    }
    QCOMPARE(autoRows(), 0);
    QVERIFY(m_fx->queue.isEmpty());
    QCOMPARE(m_fx->host.actualizeCalls, QStringList{});

    pointStatus() = 3;
    m_fx->db.executeImmediate(QStringLiteral("DROP TRIGGER T_REFUSE"));
    m_recorder->HandleDispensingEnded(end);
    m_recorder->HandleDispensingEnded(end);

    if (orderRow) {
        QCOMPARE(rowOf(id).value("STATUS").toInt(), 3);
        QCOMPARE(rowOf(id).value("IST").toDouble(), 2.0);
    } else {
        QCOMPARE(autoRows(), 1);
    }
    QCOMPARE(m_fx->host.actualizeCalls, QStringList{QStringLiteral("1,0")});
    QCOMPARE(deleteTelegrams().size(), 2);
}

void TestRecording::linesGoWhereSwitchedOn_data()
{
    QTest::addColumn<bool>("debugMonitor");
    QTest::addColumn<bool>("writeLog");

    QTest::newRow("neither") << false << false;
    QTest::newRow("debug monitor") << true << false;
    QTest::newRow("communication log") << false << true;
    QTest::newRow("both") << true << true;
}

// One dispensing from the free point to its end: which reports leave a line.
void TestRecording::linesGoWhereSwitchedOn()
{
    QFETCH(bool, debugMonitor);
    QFETCH(bool, writeLog);

    app::Clock::setFixed(QDateTime(QDate(2024, 12, 9), QTime(14, 5, 9)));
    m_fx->host.debugActive = debugMonitor;
    m_fx->log.SetWriteLog(writeLog);
    insertOrder(1, 0, 0);

    m_fx->host.panels[3] = QStringLiteral("something");
    m_recorder->HandleNoDispensing(reportOf(0, 0));
    QCOMPARE(m_fx->host.panels.value(3, QStringLiteral("<none>")), QString());
    pointStatus() = 1;
    m_recorder->HandleDispensingRunning(reportOf(2, 0));
    pointStatus() = 2;
    m_recorder->HandleDispensingRunning(reportOf(2, 1.2));
    m_recorder->HandleDispensingEnded(reportOf(3, 2.346));

    const QStringList lines{
        QStringLiteral("ADR [3][2] = no active dispensing"),
        QStringLiteral("ADR[3][2] = Ordernumber (12345) active"),
        QStringLiteral("ADR[3][2] = Order finished (12345) 2,35 ltr"),
    };
    QCOMPARE(m_fx->host.statusLines, debugMonitor ? lines : QStringList{});
    QFile file(m_fx->dir.settingsDir() + QStringLiteral("log-09-12-2024.txt"));
    QCOMPARE(file.exists(), writeLog);
    if (writeLog) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray expected;
        for (const QString &line : lines)
            expected += (QStringLiteral("09.12.2024 - 14:05:09 # -> ") + line + QStringLiteral("\r\n")).toUtf8();
        QCOMPARE(file.readAll(), expected);
    }
    QCOMPARE(m_fx->host.debugLines, QStringList{});
}

QTEST_GUILESS_MAIN(TestRecording)
#include "tst_recording.moc"
