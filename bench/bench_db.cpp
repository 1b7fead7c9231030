// bench_db: the database operations the program repeats most, on a copy of
// the delivered database filled with dispensing rows.
//
//   bench_db [--rows N] [--selects N] [--inserts N]
//
// (a) a prepared select by primary key, the statement reused, all in one
//     read-only read-committed transaction, random keys;
// (b) a prepared insert, each in its own write transaction committed at once;
// (c) the same insert through SqlQuery, which prepares every time (what the
//     program's short-lived queries do), and for comparison a select by key
//     through SqlQuery.
// The database lives under TMPDIR (default /tmp); commit times depend on the
// disk under it.

#include "BenchSupport.h"

#include "db/FbConnection.h"
#include "db/FbStatement.h"
#include "db/SqlQuery.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>
#include <random>

using namespace qv;

namespace {

const QString SelectByKey = QStringLiteral(
    "SELECT DISPENSING, ORDERNUMBER, ORDERPOSITION, QUALITY, QUALITYNAME, VRK, POINT, USERNUMBER, USERNAME, "
    "ADDITIONAL, STATUS, SOLL, IST, ACTUAL, DISPENSINGDATETIME FROM DISPENSINGDATA WHERE DISPENSING = :ID");

const QString InsertRow = QStringLiteral(
    "INSERT INTO DISPENSINGDATA (ORDERNUMBER, ORDERPOSITION, QUALITY, QUALITYNAME, VRK, POINT, USERNUMBER, "
    "USERNAME, ADDITIONAL, STATUS, SOLL, IST, ACTUAL, DISPENSINGDATETIME) VALUES (:ORDERNUMBER, :ORDERPOSITION, "
    ":QUALITY, :QUALITYNAME, :VRK, :POINT, :USERNUMBER, :USERNAME, :ADDITIONAL, :STATUS, :SOLL, :IST, :ACTUAL, "
    ":DISPENSINGDATETIME)");

// The values of one dispensing row, as an order position brings them.
struct RowValues {
    explicit RowValues(int i)
        : orderNumber(QStringLiteral("A%1").arg(100000 + i / 3)), position(QString::number(i % 3 + 1)),
          quality(QStringLiteral("%1").arg(i % 12 + 1, 2, 10, QLatin1Char('0'))),
          qualityName(QStringLiteral("Engine oil 5W-30 grade %1").arg(i % 12 + 1)), vrk(i % 8 + 1),
          point(i % 4 + 1), userNumber(i % 20), userName(QStringLiteral("Mechanic %1").arg(i % 20)),
          additional(QStringLiteral("bay %1").arg(i % 6)), status(i % 7), soll(4.5 + (i % 40) * 0.25),
          ist(soll - 0.01 * (i % 5)), actual(ist),
          when(QDateTime(QDate(2026, 1, 1), QTime(7, 0)).addSecs(qint64(i) * 97))
    {
    }
    template <typename Target>
    void bindTo(Target &t) const
    {
        t.bind(QStringLiteral("ORDERNUMBER"), orderNumber);
        t.bind(QStringLiteral("ORDERPOSITION"), position);
        t.bind(QStringLiteral("QUALITY"), quality);
        t.bind(QStringLiteral("QUALITYNAME"), qualityName);
        t.bind(QStringLiteral("VRK"), vrk);
        t.bind(QStringLiteral("POINT"), point);
        t.bind(QStringLiteral("USERNUMBER"), userNumber);
        t.bind(QStringLiteral("USERNAME"), userName);
        t.bind(QStringLiteral("ADDITIONAL"), additional);
        t.bind(QStringLiteral("STATUS"), status);
        t.bind(QStringLiteral("SOLL"), soll);
        t.bind(QStringLiteral("IST"), ist);
        t.bind(QStringLiteral("ACTUAL"), actual);
        t.bind(QStringLiteral("DISPENSINGDATETIME"), when);
    }

    QString orderNumber, position, quality, qualityName;
    int vrk, point, userNumber;
    QString userName, additional;
    int status;
    double soll, ist, actual;
    QDateTime when;
};

std::vector<int> allKeys(db::FbConnection &c)
{
    std::vector<int> keys;
    db::FbTransaction tra(c, db::FbTransaction::Kind::ReadOnlyCommitted);
    db::FbStatement st(c, tra, QStringLiteral("SELECT DISPENSING FROM DISPENSINGDATA"));
    st.open(tra);
    while (st.next())
        keys.push_back(st.value(0).toInt());
    tra.commit();
    return keys;
}

int run(const QStringList &args)
{
    const int rows = bench::intArgument(args, QStringLiteral("--rows"), 10000);
    const int selects = bench::intArgument(args, QStringLiteral("--selects"), 20000);
    const int inserts = bench::intArgument(args, QStringLiteral("--inserts"), 2000);
    const double us = 1e3, ms = 1e6;

    bench::printMachine("bench_db");
    bench::DeliveredTemplate delivered;
    if (!delivered.isValid()) {
        std::fprintf(stderr, "bench_db: %s\n", qPrintable(delivered.error()));
        return 1;
    }
    bench::ProgramDataFolder folder(delivered.path());
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_db: cannot copy the delivered database\n");
        return 1;
    }
    std::printf("database: copy of the delivered database on %s (forced writes as delivered)\n",
                qPrintable(bench::fileSystemType(folder.databaseFile())));

    db::FbConnection c;
    db::FbConnectionParams params;
    params.database = folder.databaseFile();
    c.attach(params);

    // Fill DISPENSINGDATA in one transaction (not measured).
    {
        const std::int64_t t0 = bench::nowNs();
        db::FbTransaction tra(c, db::FbTransaction::Kind::Write);
        db::FbStatement st(c, tra, InsertRow);
        for (int i = 0; i < rows; ++i) {
            RowValues(i).bindTo(st);
            st.execute(tra);
        }
        tra.commit();
        std::printf("filled DISPENSINGDATA with %d rows in %.0f ms\n\n", rows, double(bench::nowNs() - t0) / ms);
    }
    const std::vector<int> keys = allKeys(c);
    if (keys.empty()) {
        std::fprintf(stderr, "bench_db: no rows to select\n");
        return 1;
    }
    std::mt19937 random(20261211);
    std::uniform_int_distribution<std::size_t> pick(0, keys.size() - 1);

    // (a) Select by primary key, reused statement, one read-only transaction.
    bench::Series selectSeries{std::size_t(selects)};
    {
        db::FbTransaction tra(c, db::FbTransaction::Kind::ReadOnlyCommitted);
        db::FbStatement st(c, tra, SelectByKey);
        long long checksum = 0;
        for (int i = 0; i < 1000 + selects; ++i) {
            const int key = keys[pick(random)];
            const std::int64_t t0 = bench::nowNs();
            st.bind(QStringLiteral("ID"), key);
            st.open(tra);
            if (!st.next()) {
                std::fprintf(stderr, "bench_db: key %d not found\n", key);
                return 1;
            }
            // Read the row as the program would: every column into a QVariant.
            for (int col = 0; col < st.columnCount(); ++col)
                checksum += st.value(col).isNull() ? 0 : 1;
            st.close();
            const std::int64_t t1 = bench::nowNs();
            if (i >= 1000)
                selectSeries.addNs(t1 - t0, ms);
        }
        tra.commit();
        if (checksum == 0)
            std::fprintf(stderr, "bench_db: every value was NULL\n");
    }

    // (b) Prepared insert, each in its own write transaction, committed at once.
    bench::Series insertSeries{std::size_t(inserts)}, executeSeries{std::size_t(inserts)},
        commitSeries{std::size_t(inserts)};
    {
        db::FbTransaction prepareIn(c, db::FbTransaction::Kind::ReadOnlyCommitted);
        db::FbStatement st(c, prepareIn, InsertRow);
        prepareIn.commit();
        for (int i = 0; i < inserts; ++i) {
            const RowValues values(rows + i);
            const std::int64_t t0 = bench::nowNs();
            db::FbTransaction tra(c, db::FbTransaction::Kind::Write);
            values.bindTo(st);
            st.execute(tra);
            const std::int64_t t1 = bench::nowNs();
            tra.commit();
            const std::int64_t t2 = bench::nowNs();
            insertSeries.addNs(t2 - t0, ms);
            executeSeries.addNs(t1 - t0, ms);
            commitSeries.addNs(t2 - t1, ms);
        }
    }

    // (c) The same insert through SqlQuery: prepared every time.
    bench::Series sqlQueryInsert{std::size_t(inserts)};
    for (int i = 0; i < inserts; ++i) {
        const RowValues values(rows + inserts + i);
        const std::int64_t t0 = bench::nowNs();
        db::SqlQuery q(c, InsertRow);
        values.bindTo(q);
        q.exec();
        sqlQueryInsert.addNs(bench::nowNs() - t0, ms);
    }
    // And a select by key through SqlQuery, as the text and settings look-ups run.
    bench::Series sqlQuerySelect{std::size_t(inserts)};
    for (int i = 0; i < inserts; ++i) {
        const int key = keys[pick(random)];
        const std::int64_t t0 = bench::nowNs();
        db::SqlQuery q(c, SelectByKey);
        q.bind(QStringLiteral("ID"), key);
        q.exec();
        if (!q.next()) {
            std::fprintf(stderr, "bench_db: key %d not found through SqlQuery\n", key);
            return 1;
        }
        sqlQuerySelect.addNs(bench::nowNs() - t0, ms);
    }
    c.detach();

    bench::printHeader(QStringLiteral("ms"), true);
    const bench::Summary sel = selectSeries.summary();
    bench::printRow(QStringLiteral("(a) select by key, reused FbStatement"), sel, true,
                    bench::verdict(sel.median, 0.05, QStringLiteral("< 0.05 ms")));
    const bench::Summary ins = insertSeries.summary();
    bench::printRow(QStringLiteral("(b) insert + commit, prepared FbStatement"), ins, true,
                    bench::verdict(ins.median, 1.0, QStringLiteral("< 1 ms")));
    bench::printRow(QStringLiteral("      start transaction, bind, execute"), executeSeries.summary(), true);
    bench::printRow(QStringLiteral("      commit"), commitSeries.summary(), true);
    const bench::Summary sqi = sqlQueryInsert.summary();
    bench::printRow(QStringLiteral("(c) insert + commit, SqlQuery (prepares)"), sqi, true,
                    bench::verdict(sqi.median, 1.0, QStringLiteral("< 1 ms")));
    bench::printRow(QStringLiteral("    select by key, SqlQuery (prepares)"), sqlQuerySelect.summary(), true);
    std::printf("\n(a) per call in microseconds: median %.1f, p99 %.1f, max %.1f\n", sel.median * us,
                sel.p99 * us, sel.max * us);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    try {
        return run(application.arguments());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_db: %s\n", e.what());
        return 1;
    }
}
