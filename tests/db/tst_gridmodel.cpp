// The grid model over the data module's grid statements: batches as the view
// scrolls, order, display formats, the joins, and writers while it is open.

#include "DbTest.h"

#include "db/FbStatement.h"
#include "db/TDatenmodul.h"

#include <QLocale>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace qv::db;
using namespace qv::test;

namespace {

constexpr int kRows = 1000;
// The newest dispensing; row i is (kRows - 1 - i) seconds older.
const QDateTime kNewest(QDate(2024, 3, 15), QTime(14, 5, 9, 250));

void readAll(GridModel &grid)
{
    while (grid.canFetchMore())
        grid.fetchMore();
}

QStringList orderNumbers(const GridModel &grid)
{
    QStringList numbers;
    for (int r = 0; r < grid.rowCount(); ++r)
        numbers << grid.rawValue(r, QStringLiteral("ORDERNUMBER")).toString();
    return numbers;
}

} // namespace

class TestGridModel : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void fetchesInBatchesNewestFirst();
    void displayFormats_data();
    void displayFormats();
    void joinsHideRowsWithoutNames_data();
    void joinsHideRowsWithoutNames();
    void writersAreNotBlockedWhileOpen();
    void openGridDoesNotHoldBackGarbageCollection();

private:
    std::unique_ptr<ProgramDataDir> m_dir;
    std::unique_ptr<TDatenmodul> m_dm;
};

void TestGridModel::init()
{
    m_dir = std::make_unique<ProgramDataDir>();
    m_dm = std::make_unique<TDatenmodul>();
    QVERIFY2(m_dm->ConnectToDatabase(QString(), m_dir->databaseFile(), QString(), 3050),
             qPrintable(m_dm->lastConnectError()));

    FbConnection &db = m_dm->connection();
    FbTransaction tra(db, FbTransaction::Kind::Write);
    FbStatement insert(db, tra,
                       QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, ORDERPOSITION, QUALITY, STATUS, SOLL, "
                                      "IST, DISPENSINGDATETIME) VALUES (:NR, '0000', :Q, :S, 1.5, :IST, :T)"));
    for (int i = 0; i < kRows; ++i) {
        insert.bind(QStringLiteral("NR"), QString::number(i));
        insert.bind(QStringLiteral("Q"), QStringLiteral("011"));
        insert.bind(QStringLiteral("S"), 3);
        insert.bind(QStringLiteral("IST"), i == kRows - 1 ? 1234.5 : 1.0);
        insert.bind(QStringLiteral("T"), kNewest.addSecs(i - (kRows - 1)));
        insert.execute(tra);
    }
    // Rows the grids must not show, each newer than all others: a product
    // without a name, status codes without a status row, a running order.
    const struct {
        const char *nr;
        const char *quality;
        int status;
    } hidden[] = {{"noname", "123", 3}, {"nostatus-2", "011", -2}, {"nostatus9", "011", 9}};
    for (const auto &h : hidden) {
        insert.bind(QStringLiteral("NR"), QString::fromLatin1(h.nr));
        insert.bind(QStringLiteral("Q"), QString::fromLatin1(h.quality));
        insert.bind(QStringLiteral("S"), h.status);
        insert.bind(QStringLiteral("IST"), 1.0);
        insert.bind(QStringLiteral("T"), kNewest.addDays(1));
        insert.execute(tra);
    }
    tra.commit();
}

void TestGridModel::cleanup()
{
    m_dm.reset();
    m_dir.reset();
    QLocale::setDefault(QLocale::c());
}

void TestGridModel::fetchesInBatchesNewestFirst()
{
    GridModel &grid = *m_dm->QueryGridResultData();
    QCOMPARE(grid.statement(), TDatenmodul::designStatementResultData());
    grid.open(m_dm->connection());
    QCOMPARE(grid.rowCount(), 256);
    QVERIFY(grid.canFetchMore());
    QCOMPARE(grid.columnCount(), 17);
    QCOMPARE(grid.fieldIndex(QStringLiteral("Q1")), 16);
    // The grid's cursor holds its transaction while rows are left.
    QCOMPARE(otherOpenTransactions(m_dm->connection()), 1);

    QSignalSpy inserted(&grid, &QAbstractItemModel::rowsInserted);
    QList<int> counts;
    while (grid.canFetchMore()) {
        const int before = grid.rowCount();
        grid.fetchMore();
        counts << grid.rowCount();
        QCOMPARE(inserted.size(), 1);
        const QList<QVariant> args = inserted.takeFirst();
        QCOMPARE(args.at(1).toInt(), before);
        QCOMPARE(args.at(2).toInt(), grid.rowCount() - 1);
    }
    QCOMPARE(counts, (QList<int>{512, 768, kRows}));
    grid.fetchMore();
    QCOMPARE(grid.rowCount(), kRows);
    QCOMPARE(inserted.size(), 0);
    // Everything read: nothing is held open any more.
    QCOMPARE(otherOpenTransactions(m_dm->connection()), 0);

    // Newest first, every row once.
    const QStringList numbers = orderNumbers(grid);
    QCOMPARE(numbers.first(), QString::number(kRows - 1));
    QCOMPARE(numbers.last(), QStringLiteral("0"));
    QCOMPARE(QSet<QString>(numbers.begin(), numbers.end()).size(), kRows);
    for (int r = 1; r < grid.rowCount(); ++r)
        QVERIFY2(grid.rawValue(r - 1, QStringLiteral("DISPENSINGDATETIME")).toDateTime()
                     > grid.rawValue(r, QStringLiteral("DISPENSINGDATETIME")).toDateTime(),
                 qPrintable(QString::number(r)));
    QCOMPARE(grid.rawValue(0, QStringLiteral("DISPENSINGDATETIME")).toDateTime(), kNewest);

    // Opening again starts over with the first batch.
    grid.open(m_dm->connection());
    QCOMPARE(grid.rowCount(), 256);
    QVERIFY(grid.canFetchMore());
}

void TestGridModel::displayFormats_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("soll");
    QTest::addColumn<QString>("ist");
    QTest::addColumn<QString>("zero");
    QTest::addColumn<QString>("time"); // short date, a blank, the long time without the zone

    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("C, three decimals") << QLocale::c() << "0.000" << "1.500" << "1234.500" << "0.000"
                                       << "15 Mar 2024 14:05:09";
    QTest::newRow("German, three decimals") << german << "0.000" << "1,500" << "1234,500" << "0,000"
                                            << "15.03.24 14:05:09";
    QTest::newRow("German, one decimal") << german << "0.0" << "1,5" << "1234,5" << "0,0" << "15.03.24 14:05:09";
    QTest::newRow("US, no decimals") << QLocale(QLocale::English, QLocale::UnitedStates) << "0" << "2" << "1235" << "0"
                                     << "3/15/24 2:05:09 PM";
}

void TestGridModel::displayFormats()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, format);
    QFETCH(QString, soll);
    QFETCH(QString, ist);
    QFETCH(QString, zero);
    QFETCH(QString, time);

    QLocale::setDefault(locale);
    GridModel &grid = *m_dm->QueryGridResultData();
    grid.open(m_dm->connection());
    m_dm->QueryGridResultDataAfterOpen(format);

    auto shown = [&](const char *field) {
        return grid.data(grid.index(0, grid.fieldIndex(QString::fromLatin1(field))), Qt::DisplayRole).toString();
    };
    QCOMPARE(shown("SOLL"), soll);
    QCOMPARE(shown("IST"), ist);
    const QString when = shown("DISPENSINGDATETIME");
    QCOMPARE(when, time);
    // Other columns as they are; the raw value stays a number.
    QCOMPARE(shown("ORDERNUMBER"), QString::number(kRows - 1));
    QCOMPARE(grid.data(grid.index(0, grid.fieldIndex(QStringLiteral("IST"))), Qt::EditRole).toDouble(), 1234.5);

    // The open-orders grid formats its three quantities the same way.
    GridModel &open = *m_dm->QueryGridOpenOrders();
    open.open(m_dm->connection());
    m_dm->QueryGridOpenOrdersAfterOpen(format);
    QCOMPARE(open.displayText(0, open.fieldIndex(QStringLiteral("IST"))), ist);
    QCOMPARE(open.displayText(0, open.fieldIndex(QStringLiteral("SOLL"))), soll);
    QCOMPARE(open.displayText(0, open.fieldIndex(QStringLiteral("ACTUAL"))), zero);
}

void TestGridModel::joinsHideRowsWithoutNames_data()
{
    QTest::addColumn<bool>("openOrders");
    QTest::newRow("open orders") << true;
    QTest::newRow("result data") << false;
}

void TestGridModel::joinsHideRowsWithoutNames()
{
    QFETCH(bool, openOrders);
    GridModel &grid = openOrders ? *m_dm->QueryGridOpenOrders() : *m_dm->QueryGridResultData();
    grid.open(m_dm->connection());
    readAll(grid);
    QCOMPARE(grid.rowCount(), kRows);
    const QStringList numbers = orderNumbers(grid);
    for (const char *nr : {"noname", "nostatus-2", "nostatus9"})
        QVERIFY2(!numbers.contains(QString::fromLatin1(nr)), nr);

    // Once the product has a name, its row is there, at the top.
    run(m_dm->connection(),
        QStringLiteral("INSERT INTO QUALITYNAME (QUALITY, QUALITYNAME) VALUES ('123', 'Hydraulik')"));
    grid.open(m_dm->connection());
    QCOMPARE(grid.rawValue(0, QStringLiteral("ORDERNUMBER")).toString(), QStringLiteral("noname"));
    QCOMPARE(grid.rawValue(0, openOrders ? QStringLiteral("QUALITYNAME") : QStringLiteral("Q1")).toString(),
             QStringLiteral("Hydraulik"));
}

void TestGridModel::writersAreNotBlockedWhileOpen()
{
    GridModel &grid = *m_dm->QueryGridResultData();
    grid.open(m_dm->connection());
    QVERIFY(grid.canFetchMore());

    // The program itself and another workstation write rows the grid has not
    // reached yet, and rows it has shown.
    FbConnection other;
    attachFile(other, m_dir->databaseFile());
    run(m_dm->connection(), QStringLiteral("UPDATE DISPENSINGDATA SET STATUS = 6 WHERE ORDERNUMBER = '0'"));
    run(other, QStringLiteral("UPDATE DISPENSINGDATA SET IST = 99 WHERE ORDERNUMBER = '998'"));
    run(other, QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, QUALITY, STATUS) VALUES ('new', '011', 0)"));
    QCOMPARE(scalar(other, QStringLiteral("SELECT STATUS FROM DISPENSINGDATA WHERE ORDERNUMBER = '0'")).toInt(), 6);
    QCOMPARE(scalar(m_dm->connection(), QStringLiteral("SELECT IST FROM DISPENSINGDATA WHERE ORDERNUMBER = '998'"))
                 .toDouble(),
             99.0);

    // The grid reads on to the end; what it had shown stays as it was read.
    readAll(grid);
    QCOMPARE(grid.rowCount(), kRows);
    QCOMPARE(grid.rawValue(1, QStringLiteral("ORDERNUMBER")).toString(), QStringLiteral("998"));
    QCOMPARE(grid.rawValue(1, QStringLiteral("IST")).toDouble(), 1.0);

    // Opened again, it shows the new state.
    grid.open(m_dm->connection());
    readAll(grid);
    QCOMPARE(grid.rawValue(1, QStringLiteral("IST")).toDouble(), 99.0);
    QCOMPARE(grid.rawValue(kRows - 1, QStringLiteral("STATUS")).toInt(), 6);
}

void TestGridModel::openGridDoesNotHoldBackGarbageCollection()
{
    GridModel &grid = *m_dm->QueryGridResultData();
    grid.open(m_dm->connection());
    QVERIFY(grid.canFetchMore());
    const qint64 gridTransaction =
        scalar(m_dm->connection(), QStringLiteral("SELECT MIN(MON$TRANSACTION_ID) FROM MON$TRANSACTIONS "
                                                  "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION "
                                                  "AND MON$TRANSACTION_ID <> CURRENT_TRANSACTION"))
            .toLongLong();
    QVERIFY(gridTransaction > 0);

    FbConnection other;
    attachFile(other, m_dir->databaseFile());
    for (int i = 0; i < 20; ++i)
        run(other, QStringLiteral("UPDATE DISPENSINGDATA SET IST = %1 WHERE ORDERNUMBER = '0'").arg(i));

    // Old record versions may go while the grid stays open: neither the
    // oldest active nor the oldest snapshot transaction waits for it.
    SqlQuery q(other, QStringLiteral("SELECT MON$OLDEST_ACTIVE, MON$OLDEST_SNAPSHOT FROM MON$DATABASE"));
    q.exec();
    QVERIFY(q.next());
    QVERIFY2(q.value(0).toLongLong() > gridTransaction,
             qPrintable(QStringLiteral("%1 / %2").arg(q.value(0).toLongLong()).arg(gridTransaction)));
    QVERIFY2(q.value(1).toLongLong() > gridTransaction,
             qPrintable(QStringLiteral("%1 / %2").arg(q.value(1).toLongLong()).arg(gridTransaction)));
    QVERIFY(grid.canFetchMore());
    readAll(grid);
    QCOMPARE(grid.rowCount(), kRows);
}

QTEST_GUILESS_MAIN(TestGridModel)
#include "tst_gridmodel.moc"
