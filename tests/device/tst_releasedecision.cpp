// The release decision for a mechanic's request at a dispensing point, on a
// copy of the delivered database: which order row is released, what the
// controller is answered, and what the status bar and the logs say.

#include "DbTest.h"
#include "DispensingFixture.h"
#include "RecordingHost.h"

#include "app/Clock.h"
#include "db/FbError.h"
#include "device/ReleaseDecision.h"
#include "device/TelegramDecoder.h"

#include <QtTest>

#include <memory>

using namespace qv;
using namespace qv::device;
using namespace qv::test;

namespace {

// One request as the decoder hands it on, and the product at its point
// ("<none>": the point has no row in QUALITY).
struct Request {
    int mode = 0; // TAdminOrderCheck
    QChar address = QLatin1Char('3');
    int point = 2;
    QString raw = QStringLiteral("00000012345");
    QString position = QStringLiteral("0000");
    double quantity = 1.0;
    QString pointProduct = QStringLiteral("023");
};

} // namespace

Q_DECLARE_METATYPE(Request)

class TestReleaseDecision : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void decision_data();
    void decision();

    void databaseErrorQueuesNoAnswer_data();
    void databaseErrorQueuesNoAnswer();

    void decisionLineGoesWhereSwitchedOn_data();
    void decisionLineGoesWhereSwitchedOn();

private:
    // Rows are "ORDERNUMBER|ORDERPOSITION|QUALITY|STATUS|SOLL|IST"; returns their DISPENSING.
    QList<qint64> insertRows(const QStringList &rows);
    void setPointProduct(int addressIndex, int point, const QString &product);
    PointReport reportOf(const Request &request) const;

    std::unique_ptr<DispensingFixture> m_fx;
    std::unique_ptr<ReleaseDecision> m_release;
};

void TestReleaseDecision::initTestCase()
{
    // A decimal comma shows that quantities follow the system's format.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void TestReleaseDecision::init()
{
    m_fx = std::make_unique<DispensingFixture>();
    QVERIFY(m_fx->dir.isValid());
    m_release = std::make_unique<ReleaseDecision>(m_fx->context());
}

void TestReleaseDecision::cleanup()
{
    app::Clock::reset();
    m_release.reset();
    m_fx.reset();
}

QList<qint64> TestReleaseDecision::insertRows(const QStringList &rows)
{
    QList<qint64> ids;
    for (const QString &row : rows) {
        const QStringList f = row.split(QLatin1Char('|'));
        db::SqlQuery q(m_fx->db,
            QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, ORDERPOSITION, QUALITY, STATUS, "
                           "SOLL, IST, ACTUAL) VALUES (:N, :P, :Q, :S, :SOLL, :IST, 1.5) "
                           "RETURNING DISPENSING"));
        q.bind(QStringLiteral("N"), f[0])
            .bind(QStringLiteral("P"), f[1])
            .bind(QStringLiteral("Q"), f[2])
            .bind(QStringLiteral("S"), f[3].toInt())
            .bind(QStringLiteral("SOLL"), f[4].toDouble())
            .bind(QStringLiteral("IST"), f[5].toDouble());
        q.exec();
        ids << q.value(0).toLongLong();
    }
    return ids;
}

void TestReleaseDecision::setPointProduct(int addressIndex, int point, const QString &product)
{
    const QString where = QStringLiteral(" WHERE VRK = %1 AND POINT = %2").arg(addressIndex).arg(point);
    if (product == QLatin1String("<none>"))
        run(m_fx->db, QStringLiteral("DELETE FROM QUALITY") + where);
    else
        run(m_fx->db, QStringLiteral("UPDATE QUALITY SET QUALITY = '%1'").arg(product) + where);
}

PointReport TestReleaseDecision::reportOf(const Request &request) const
{
    PointReport r;
    r.kind = request.position == QLatin1String("0000") ? TelegramKind::StatusTelegram2 : TelegramKind::StatusTelegram3;
    r.addressIndex = AddressIndex(request.address);
    r.point = request.point;
    r.statusDigit = 1;
    r.rawOrderNumber = request.raw;
    r.orderNumber = TelegramDecoder::normaliseOrderNumber(request.raw);
    r.orderPosition = request.position;
    r.quantity = request.quantity;
    r.operatorNumber = QStringLiteral("7");
    r.date = QStringLiteral("091224");
    r.time = QStringLiteral("1405");
    return r;
}

void TestReleaseDecision::decision_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("releasedRow"); // index into rows, -1: none touched
    QTest::addColumn<QString>("queued");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QString>("line");

    const QString one = QStringLiteral("12345|0000|023|0|10|0");
    const QString okLine = QStringLiteral("ADR[3][2] = Ordernumber (12345) Ok");
    const QString released = QStringLiteral("03F0000001234510000");
    const QString refused = QStringLiteral("03F0000001234500000");
    const QString enable = QStringLiteral("enable: 00000012345");
    const QString refuse = QStringLiteral("refuse: 00000012345");

    // Blanket modes and the all-zero number.
    QTest::newRow("allow all: a number stored nowhere")
        << Request{.mode = 1, .raw = QStringLiteral("00000099999")} << QStringList{} << -1
        << QStringLiteral("03F0000009999910000") << QStringLiteral("enable: 00000099999")
        << QStringLiteral("ADR[3][2] = Administrator (allow all)");
    QTest::newRow("allow all: the fitting row stays untouched") << Request{.mode
        = 1} << QStringList{one} << -1 << released << enable << QStringLiteral("ADR[3][2] = Administrator (allow all)");
    QTest::newRow("deny all: a fitting row is refused")
        << Request{.mode = 2} << QStringList{one} << -1 << refused << refuse
        << QStringLiteral("ADR[3][2] = Administrator (deny all)");
    for (int mode : {0, 1, 2}) {
        QTest::addRow("all zeros in mode %d", mode)
            << Request{.mode = mode, .raw = QStringLiteral("00000000000"), .pointProduct = QStringLiteral("000")}
            << QStringList{QStringLiteral("|0000|000|0|0|0")} << -1 << QStringLiteral("03F0000000000000000")
            << QStringLiteral("refuse: 00000000000") << QStringLiteral("ADR[3][2] = ASA network request");
    }

    // Which rows are candidates.
    const QString notFound = QStringLiteral("ADR[3][2] = Ordernumber (12345) not found");
    QTest::newRow("no row") << Request{} << QStringList{} << -1 << refused << refuse << notFound;
    QTest::newRow("only longer and shorter numbers")
        << Request{} << QStringList{QStringLiteral("123456|0000|023|0|0|0"), QStringLiteral("1234|0000|023|0|0|0")}
        << -1 << refused << refuse << notFound;
    QTest::newRow("running, cancelled and finished rows are no candidates")
        << Request{}
        << QStringList{QStringLiteral("12345|0000|023|2|0|0"), QStringLiteral("12345|0000|023|5|0|0"),
               QStringLiteral("12345|0000|023|6|0|0")}
        << -1 << refused << refuse << notFound;
    for (int status : {1, 3, 4}) {
        QTest::addRow("status %d is a candidate with what is left", status)
            << Request{} << QStringList{QStringLiteral("12345|0000|023|%1|10|4").arg(status)} << 0 << released << enable
            << okLine;
    }

    // The quantity check: r = SOLL - IST + 0.01.
    QTest::newRow("9.995 of 10 dispensed, 0.01 requested")
        << Request{.quantity = 0.01} << QStringList{QStringLiteral("12345|0000|023|3|10|9.995")} << 0 << released
        << enable << okLine;
    QTest::newRow("9.995 of 10 dispensed, 0.02 requested")
        << Request{.quantity = 0.02} << QStringList{QStringLiteral("12345|0000|023|3|10|9.995")} << -1 << refused
        << refuse << QStringLiteral("ADR[3][2] = Dispensing quantity (0,02) > Order quantity (0,02)");
    QTest::newRow("no preset takes any quantity")
        << Request{.quantity = 999.99} << QStringList{QStringLiteral("12345|0000|023|3|0|50")} << 0 << released
        << enable << okLine;
    QTest::newRow("overfilled by more than 0.01 is closed")
        << Request{.quantity = 0} << QStringList{QStringLiteral("12345|0000|023|3|10|10.02")} << -1 << refused << refuse
        << QStringLiteral("ADR[3][2] = Dispensing quantity (0,00) > Order quantity (-0,01)");
    // 0.01 - 0.02 + 0.01 is exactly 0: still an order with a preset.
    QTest::newRow("overfilled by exactly 0.01 is closed too")
        << Request{.quantity = 5} << QStringList{QStringLiteral("12345|0000|023|3|0.01|0.02")} << -1 << refused
        << refuse << QStringLiteral("ADR[3][2] = Dispensing quantity (5,00) > Order quantity (0,00)");
    QTest::newRow("large quantities without grouping")
        << Request{.quantity = 1500} << QStringList{QStringLiteral("12345|0000|023|0|1200|0")} << -1 << refused
        << refuse << QStringLiteral("ADR[3][2] = Dispensing quantity (1500,00) > Order quantity (1200,01)");

    // The product rules, point product 23 unless said otherwise.
    QTest::newRow("exact product") << Request{} << QStringList{one} << 0 << released << enable << okLine;
    QTest::newRow("group of the product")
        << Request{} << QStringList{QStringLiteral("12345|0000|020|0|10|0")} << 0 << released << enable << okLine;
    QTest::newRow("no product") << Request{} << QStringList{QStringLiteral("12345|0000|000|0|10|0")} << 0 << released
                                << enable
                                << QStringLiteral("ADR[3][2] = Dispensing quality (023) >= Order quality (000)");
    QTest::newRow("order product not a number names none")
        << Request{} << QStringList{QStringLiteral("12345|0000|ab|0|10|0")} << 0 << released << enable
        << QStringLiteral("ADR[3][2] = Dispensing quality (023) >= Order quality (000)");
    QTest::newRow("other product of the group")
        << Request{} << QStringList{QStringLiteral("12345|0000|024|0|10|0")} << -1 << refused << refuse
        << QStringLiteral("ADR[3][2] = Dispensing quality (023) <> Order quality (024)");
    QTest::newRow("other group") << Request{} << QStringList{QStringLiteral("12345|0000|013|0|10|0")} << -1 << refused
                                 << refuse
                                 << QStringLiteral("ADR[3][2] = Dispensing quality (023) <> Order quality (013)");
    QTest::newRow("product above the point's group")
        << Request{.pointProduct = QStringLiteral("020")} << QStringList{QStringLiteral("12345|0000|025|0|10|0")} << -1
        << refused << refuse << QStringLiteral("ADR[3][2] = Dispensing quality (020) <> Order quality (025)");
    QTest::newRow("point without product, order without product")
        << Request{.pointProduct = QStringLiteral("<none>")} << QStringList{QStringLiteral("12345|0000|000|0|10|0")}
        << 0 << released << enable << okLine;
    QTest::newRow("point without product, order with product")
        << Request{.pointProduct = QStringLiteral("<none>")} << QStringList{QStringLiteral("12345|0000|011|0|10|0")}
        << -1 << refused << refuse << QStringLiteral("ADR[3][2] = Dispensing quality (000) <> Order quality (011)");
    QTest::newRow("point product not a number")
        << Request{.pointProduct = QStringLiteral("x1")} << QStringList{QStringLiteral("12345|0000|000|0|10|0")} << 0
        << released << enable << okLine;
    QTest::newRow("single-digit point product, order without product")
        << Request{.pointProduct = QStringLiteral("005")} << QStringList{QStringLiteral("12345|0000|000|0|10|0")} << 0
        << released << enable << okLine;

    // Several rows: the line describes the row examined last.
    QTest::newRow("exact product wins over an earlier group row")
        << Request{} << QStringList{QStringLiteral("12345|0000|020|0|0|0"), QStringLiteral("12345|0000|023|0|0|0")} << 1
        << released << enable << okLine;
    QTest::newRow("group row wins over an earlier row without product")
        << Request{} << QStringList{QStringLiteral("12345|0000|000|0|0|0"), QStringLiteral("12345|0000|020|0|0|0")} << 1
        << released << enable << okLine;
    QTest::newRow("row without product after a group row")
        << Request{} << QStringList{QStringLiteral("12345|0000|020|0|0|0"), QStringLiteral("12345|0000|000|0|0|0")} << 0
        << released << enable << QStringLiteral("ADR[3][2] = Dispensing quality (023) <> Order quality (000)");
    QTest::newRow("a later row fails the quantity after a release")
        << Request{} << QStringList{QStringLiteral("12345|0000|000|0|0|0"), QStringLiteral("12345|0000|023|0|10|10")}
        << 0 << released << enable << QStringLiteral("ADR[3][2] = Dispensing quantity (1,00) > Order quantity (0,01)");

    // The order position of status telegram 3.
    const QStringList twoPositions{QStringLiteral("12345|0001|023|0|0|0"), QStringLiteral("12345|0002|023|0|0|0")};
    QTest::newRow("position selects its row") << Request{.position = QStringLiteral("0002")} << twoPositions << 1
                                              << QStringLiteral("03F0000001234510002") << enable << okLine;
    QTest::newRow("position not among the rows") << Request{.position = QStringLiteral("0003")} << twoPositions << -1
                                                 << QStringLiteral("03F0000001234500003") << refuse << notFound;
    QTest::newRow("no position: any position")
        << Request{} << QStringList{QStringLiteral("12345|0001|023|0|0|0")} << 0 << released << enable << okLine;

    QTest::newRow("blank-padded number at point 10 of address Z")
        << Request{.address = QLatin1Char('Z'), .point = 10, .raw = QStringLiteral("      12345")} << QStringList{one}
        << 0 << QStringLiteral("0ZF      1234510000") << QStringLiteral("enable: 12345")
        << QStringLiteral("ADR[Z][A] = Ordernumber (12345) Ok");
}

void TestReleaseDecision::decision()
{
    QFETCH(Request, request);
    QFETCH(QStringList, rows);
    QFETCH(int, releasedRow);
    QFETCH(QString, queued);
    QFETCH(QString, panel);
    QFETCH(QString, line);

    m_fx->host.username.OrderCheckValue = request.mode;
    const PointReport report = reportOf(request);
    setPointProduct(report.addressIndex, report.point, request.pointProduct);
    const QList<qint64> ids = insertRows(rows);

    m_release->HandleReleaseRequest(report);

    QCOMPARE(m_fx->queue.entries(), QStringList{queued});
    QCOMPARE(m_fx->host.panels.value(3), panel);
    QCOMPARE(m_fx->host.statusLines, QStringList{line});
    QCOMPARE(m_fx->host.debugLines, QStringList{});
    const bool answeredRelease = queued.at(14) == QLatin1Char('1');
    QCOMPARE(m_fx->host.actualizeCalls, answeredRelease ? QStringList{QStringLiteral("1,0")} : QStringList{});

    for (int i = 0; i < ids.size(); ++i) {
        db::SqlQuery q(
            m_fx->db, QStringLiteral("SELECT VRK, POINT, STATUS, ACTUAL FROM DISPENSINGDATA WHERE DISPENSING = :D"));
        q.bind(QStringLiteral("D"), ids[i]);
        q.exec();
        QVERIFY(q.next());
        const QString state = QStringLiteral("%1/%2/%3/%4")
                                  .arg(q.value(0).isNull() ? QStringLiteral("-") : q.value(0).toString(),
                                      q.value(1).isNull() ? QStringLiteral("-") : q.value(1).toString(),
                                      q.value(2).toString(), q.value(3).toString());
        const QString expected = i == releasedRow
            ? QStringLiteral("%1/%2/1/0").arg(report.addressIndex).arg(report.point)
            : QStringLiteral("-/-/%1/1.5").arg(rows[i].section(QLatin1Char('|'), 3, 3));
        QVERIFY2(state == expected, qPrintable(QStringLiteral("row %1: %2, expected %3").arg(i).arg(state, expected)));
    }
}

void TestReleaseDecision::databaseErrorQueuesNoAnswer_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QString>("panel");

    QTest::newRow("product lookup fails")
        << QStringLiteral("DROP TABLE QUALITY") << QStringLiteral("check: 00000012345");
    QTest::newRow("assignment fails") << QStringLiteral(
        "CREATE TRIGGER T_REFUSE FOR DISPENSINGDATA ACTIVE BEFORE UPDATE AS "
        "BEGIN EXCEPTION E_REFUSE; END")
                                      << QStringLiteral("enable: 00000012345");
}

// The error goes to the decoder; the controller gets no answer and asks again.
void TestReleaseDecision::databaseErrorQueuesNoAnswer()
{
    QFETCH(QString, breakage);
    QFETCH(QString, panel);

    setPointProduct(3, 2, QStringLiteral("023"));
    const QList<qint64> ids = insertRows({QStringLiteral("12345|0000|023|0|10|0")});
    m_fx->db.executeImmediate(QStringLiteral("CREATE EXCEPTION E_REFUSE 'refused by the test'"));
    m_fx->db.executeImmediate(breakage);

    QVERIFY_THROWS_EXCEPTION(db::FbError, m_release->HandleReleaseRequest(reportOf(Request{})));

    QCOMPARE(m_fx->queue.entries(), QStringList{});
    QCOMPARE(m_fx->host.panels.value(3), panel);
    QCOMPARE(m_fx->host.statusLines, QStringList{});
    QCOMPARE(
        scalar(m_fx->db, QStringLiteral("SELECT STATUS FROM DISPENSINGDATA WHERE DISPENSING = %1").arg(ids[0])).toInt(),
        0);
}

void TestReleaseDecision::decisionLineGoesWhereSwitchedOn_data()
{
    QTest::addColumn<bool>("debugMonitor");
    QTest::addColumn<bool>("writeLog");

    QTest::newRow("neither") << false << false;
    QTest::newRow("debug monitor") << true << false;
    QTest::newRow("communication log") << false << true;
    QTest::newRow("both") << true << true;
}

void TestReleaseDecision::decisionLineGoesWhereSwitchedOn()
{
    QFETCH(bool, debugMonitor);
    QFETCH(bool, writeLog);

    app::Clock::setFixed(QDateTime(QDate(2024, 12, 9), QTime(14, 5, 9)));
    m_fx->host.debugActive = debugMonitor;
    m_fx->log.SetWriteLog(writeLog);
    setPointProduct(3, 2, QStringLiteral("023"));
    insertRows({QStringLiteral("12345|0000|023|0|10|0")});

    m_release->HandleReleaseRequest(reportOf(Request{}));

    // The decision itself does not depend on where it is reported.
    QCOMPARE(m_fx->queue.entries(), QStringList{QStringLiteral("03F0000001234510000")});
    const QString line = QStringLiteral("ADR[3][2] = Ordernumber (12345) Ok");
    QCOMPARE(m_fx->host.statusLines, debugMonitor ? QStringList{line} : QStringList{});
    QFile file(m_fx->dir.settingsDir() + QStringLiteral("log-09-12-2024.txt"));
    QCOMPARE(file.exists(), writeLog);
    if (writeLog) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            file.readAll(), (QStringLiteral("09.12.2024 - 14:05:09 # -> ") + line + QStringLiteral("\r\n")).toUtf8());
    }
}

QTEST_GUILESS_MAIN(TestReleaseDecision)
#include "tst_releasedecision.moc"
