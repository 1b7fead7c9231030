// The Firebird layer on a real database file: named parameters, values in
// and out, generated keys, and what happens when a statement fails.

#include "DbTest.h"

#include "db/FbError.h"
#include "db/FbStatement.h"
#include "db/SqlQuery.h"

#include <QtTest>

#include <limits>
#include <memory>

using namespace qv::db;
using namespace qv::test;

using Bindings = QList<QPair<QString, QVariant>>;

class TestFbLayer : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void parse_data();
    void parse();
    void repeatedNameBindsEveryPlace();

    void roundTrip_data();
    void roundTrip();
    void textReachesTheEngineAsUnicode();
    void timestampKeepsMilliseconds();

    void insertReturningGivesGeneratedKey();

    void bindingErrors_data();
    void bindingErrors();
    void failedStatementLeavesDataAsItWas_data();
    void failedStatementLeavesDataAsItWas();
    void engineErrorCarriesMessageAndCodes_data();
    void engineErrorCarriesMessageAndCodes();

    void columnNamesFollowAliases();

    void textLongerThanColumn_data();
    void textLongerThanColumn();
    void longTextIsNeverCutSilently_data();
    void longTextIsNeverCutSilently();

private:
    std::unique_ptr<ProgramDataDir> m_dir;
    std::unique_ptr<FbConnection> m_db;
};

void TestFbLayer::init()
{
    m_dir = std::make_unique<ProgramDataDir>();
    QVERIFY(m_dir->isValid());
    m_db = std::make_unique<FbConnection>();
    attachFile(*m_db, m_dir->databaseFile());
    m_db->executeImmediate(QStringLiteral("CREATE TABLE ROUNDTRIP (ID INTEGER NOT NULL PRIMARY KEY, "
                                          "T VARCHAR(40), I INTEGER, B BIGINT, D DOUBLE PRECISION, TS TIMESTAMP, "
                                          "BT BLOB SUB_TYPE TEXT)"));
}

void TestFbLayer::cleanup()
{
    m_db.reset();
    m_dir.reset();
}

// --- named parameters ------------------------------------------------------

void TestFbLayer::parse_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("positional");
    QTest::addColumn<QStringList>("parameters");

    QTest::newRow("in order, upper-cased")
        << "SELECT * FROM T WHERE A = :A AND B = :second_1 AND C = :x$y"
        << "SELECT * FROM T WHERE A = ? AND B = ? AND C = ?" << QStringList{"A", "SECOND_1", "X$Y"};
    QTest::newRow("repeated name") << "UPDATE T SET X = :V WHERE Y = :V OR Z = :W"
                                   << "UPDATE T SET X = ? WHERE Y = ? OR Z = ?" << QStringList{"V", "V", "W"};
    QTest::newRow("name inside a literal") << "SELECT ':NOT', 'it''s :NOT' FROM T WHERE A = :A"
                                           << "SELECT ':NOT', 'it''s :NOT' FROM T WHERE A = ?" << QStringList{"A"};
    QTest::newRow("name inside an identifier") << "SELECT \"col:NOT\" FROM T WHERE A=:A"
                                               << "SELECT \"col:NOT\" FROM T WHERE A=?" << QStringList{"A"};
    QTest::newRow("time literal") << "SELECT CAST('12:30:00' AS TIME) FROM T"
                                  << "SELECT CAST('12:30:00' AS TIME) FROM T" << QStringList{};
    QTest::newRow("line comment") << "SELECT 1 -- :NOT here, 'nor' this\nFROM T WHERE A = :A -- :NOT at the end"
                                  << "SELECT 1 -- :NOT here, 'nor' this\nFROM T WHERE A = ? -- :NOT at the end"
                                  << QStringList{"A"};
    QTest::newRow("quote inside a comment") << "SELECT :A -- don't\nFROM T WHERE B = :B"
                                            << "SELECT ? -- don't\nFROM T WHERE B = ?" << QStringList{"A", "B"};
    QTest::newRow("colon without a name") << "SELECT a:1, : X FROM T" << "SELECT a:1, : X FROM T" << QStringList{};
    QTest::newRow("unterminated literal") << "SELECT :A, 'open :NOT" << "SELECT ?, 'open :NOT" << QStringList{"A"};
}

void TestFbLayer::parse()
{
    QFETCH(QString, sql);
    QFETCH(QString, positional);
    QFETCH(QStringList, parameters);
    const NamedSql parsed = NamedSql::parse(sql);
    QCOMPARE(parsed.positional, positional);
    QCOMPARE(parsed.parameters, parameters);
}

void TestFbLayer::repeatedNameBindsEveryPlace()
{
    SqlQuery q(*m_db, QStringLiteral("SELECT USERNUMBER FROM USERNAME WHERE USERNUMBER = :N OR USERNUMBER = :N + 1 "
                                     "ORDER BY USERNUMBER"));
    q.bind(QStringLiteral("n"), 5); // names are not case-sensitive
    q.exec();
    QCOMPARE(q.rowCount(), 2);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 5);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 6);
}

// --- values in and out -----------------------------------------------------

void TestFbLayer::roundTrip_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QVariant>("expected");

    const QString umlauts = QStringLiteral("Grüße, Öl & Maß – ½ ÄÖÜ");
    QTest::newRow("text with umlauts") << "T" << QVariant(umlauts) << QVariant(umlauts);
    QTest::newRow("empty text") << "T" << QVariant(QString("")) << QVariant(QString(""));
    QTest::newRow("null text") << "T" << QVariant() << QVariant();
    QTest::newRow("integer") << "I" << QVariant(42) << QVariant(42);
    QTest::newRow("smallest integer") << "I" << QVariant(std::numeric_limits<int>::min())
                                      << QVariant(std::numeric_limits<int>::min());
    QTest::newRow("integer given as text") << "I" << QVariant(QStringLiteral("17")) << QVariant(17);
    QTest::newRow("null integer") << "I" << QVariant() << QVariant();
    QTest::newRow("bigint") << "B" << QVariant(qint64(9007199254740993LL)) << QVariant(qint64(9007199254740993LL));
    QTest::newRow("double") << "D" << QVariant(1.5) << QVariant(1.5);
    QTest::newRow("double fraction") << "D" << QVariant(0.1) << QVariant(0.1);
    QTest::newRow("negative double") << "D" << QVariant(-12345.678) << QVariant(-12345.678);
    const QDateTime ts(QDate(2024, 3, 15), QTime(14, 5, 9, 123));
    QTest::newRow("timestamp with milliseconds") << "TS" << QVariant(ts) << QVariant(ts);
    QTest::newRow("date into timestamp") << "TS" << QVariant(QDate(2023, 12, 31))
                                         << QVariant(QDateTime(QDate(2023, 12, 31), QTime(0, 0)));
    QTest::newRow("null timestamp") << "TS" << QVariant() << QVariant();
}

void TestFbLayer::roundTrip()
{
    QFETCH(QString, column);
    QFETCH(QVariant, value);
    QFETCH(QVariant, expected);

    SqlQuery insert(*m_db, QStringLiteral("INSERT INTO ROUNDTRIP (ID, %1) VALUES (1, :V)").arg(column));
    insert.bind(QStringLiteral("V"), value);
    insert.exec();

    SqlQuery read(*m_db, QStringLiteral("SELECT %1, %1 IS NULL FROM ROUNDTRIP WHERE ID = 1").arg(column));
    read.exec();
    QVERIFY(read.next());
    const QVariant got = read.value(0);
    // What the engine stored, independent of how the layer decodes it.
    QCOMPARE(read.value(1).toBool(), expected.isNull());
    QCOMPARE(got.isNull(), expected.isNull());
    if (!expected.isNull()) {
        QCOMPARE(got.typeId(), expected.typeId());
        QCOMPARE(got, expected);
    }
}

void TestFbLayer::textReachesTheEngineAsUnicode()
{
    SqlQuery insert(*m_db, QStringLiteral("INSERT INTO ROUNDTRIP (ID, T) VALUES (1, :T)"));
    insert.bind(QStringLiteral("T"), QStringLiteral("Grüße"));
    insert.exec();

    // Characters, not bytes, and equal to the same word written in the text.
    SqlQuery q(*m_db, QStringLiteral("SELECT CHAR_LENGTH(T), OCTET_LENGTH(T), T = 'Grüße' FROM ROUNDTRIP"));
    q.exec();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 5);
    QCOMPARE(q.value(1).toInt(), 7);
    QCOMPARE(q.value(2).toBool(), true);
}

void TestFbLayer::timestampKeepsMilliseconds()
{
    SqlQuery insert(*m_db, QStringLiteral("INSERT INTO ROUNDTRIP (ID, TS) VALUES (1, :TS)"));
    insert.bind(QStringLiteral("TS"), QDateTime(QDate(2024, 3, 15), QTime(14, 5, 9, 123)));
    insert.exec();

    SqlQuery q(*m_db, QStringLiteral("SELECT EXTRACT(MILLISECOND FROM TS), TS = TIMESTAMP '2024-03-15 14:05:09.123', "
                                     "TIMESTAMP '2001-02-03 04:05:06.789' FROM ROUNDTRIP"));
    q.exec();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 123);
    QCOMPARE(q.value(1).toBool(), true);
    QCOMPARE(q.value(2).toDateTime(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6, 789)));
}

void TestFbLayer::insertReturningGivesGeneratedKey()
{
    auto insert = [&](const QString &order) {
        SqlQuery q(*m_db, QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, QUALITY) VALUES (:NR, '011') "
                                         "RETURNING DISPENSING"));
        q.bind(QStringLiteral("NR"), order);
        q.exec();
        if (q.columnNames() != QStringList{QStringLiteral("DISPENSING")} || !q.next())
            return -1;
        return q.value(QStringLiteral("DISPENSING")).toInt();
    };
    const int first = insert(QStringLiteral("4711"));
    const int second = insert(QStringLiteral("4712"));
    QVERIFY2(first > 0, qPrintable(QString::number(first)));
    QVERIFY2(second > first, qPrintable(QStringLiteral("%1 then %2").arg(first).arg(second)));

    // Committed at once: another attachment sees the row under its key.
    FbConnection other;
    attachFile(other, m_dir->databaseFile());
    SqlQuery q(other, QStringLiteral("SELECT ORDERNUMBER, STATUS FROM DISPENSINGDATA WHERE DISPENSING = :D"));
    q.bind(QStringLiteral("D"), second);
    q.exec();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("4712"));
    QCOMPARE(q.value(1).toInt(), 0); // the column default
}

// --- failures --------------------------------------------------------------

void TestFbLayer::bindingErrors_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<Bindings>("bindings");
    QTest::addColumn<QStringList>("messageParts");

    QTest::newRow("unknown name") << "UPDATE USERNAME SET USERNAME = :NAME WHERE USERNUMBER = :NR"
                                  << Bindings{{"NAME", "Meier"}, {"NR", 5}, {"NUMBER", 5}}
                                  << QStringList{"no parameter", "NUMBER"};
    QTest::newRow("parameter left unbound") << "UPDATE USERNAME SET USERNAME = :NAME WHERE USERNUMBER = :NR"
                                            << Bindings{{"NAME", "Meier"}} << QStringList{"not bound", "NR"};
    QTest::newRow("bound to null is bound") << "UPDATE USERNAME SET USERNAME = :NAME WHERE USERNUMBER = :NR"
                                            << Bindings{{"NR", QVariant()}} << QStringList{"not bound", "NAME"};
}

void TestFbLayer::bindingErrors()
{
    QFETCH(QString, sql);
    QFETCH(Bindings, bindings);
    QFETCH(QStringList, messageParts);

    SqlQuery q(*m_db, sql);
    for (const auto &[name, value] : bindings)
        q.bind(name, value);
    try {
        q.exec();
        QFAIL("the statement ran");
    } catch (const FbError &e) {
        for (const QString &part : messageParts)
            QVERIFY2(e.message().contains(part), qPrintable(e.message()));
    }
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT USERNAME FROM USERNAME WHERE USERNUMBER = 5")).toString(),
             QStringLiteral("005"));
    QCOMPARE(otherOpenTransactions(*m_db), 0);
}

void TestFbLayer::failedStatementLeavesDataAsItWas_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("failing");
    QTest::addColumn<QString>("changedRows");

    // Three rows go in before the fourth hits the primary key.
    QTest::newRow("insert hitting the primary key")
        << QString() << "INSERT INTO USERNAME (USERNUMBER, USERNAME) SELECT 5000 + MOD(USERNUMBER, 3), 'x' "
                        "FROM USERNAME WHERE USERNUMBER < 5"
        << "USERNAME WHERE USERNUMBER >= 5000";
    // Every name but the last one fits; the last fails after the others changed.
    QTest::newRow("update failing on its last row")
        << "UPDATE USERNAME SET USERNAME = '12345678901234567890123456789012345678' WHERE USERNUMBER = 999"
        << "UPDATE USERNAME SET USERNAME = USERNAME || 'xyz'" << "USERNAME WHERE USERNAME LIKE '%xyz'";
}

void TestFbLayer::failedStatementLeavesDataAsItWas()
{
    QFETCH(QString, setup);
    QFETCH(QString, failing);
    QFETCH(QString, changedRows);

    if (!setup.isEmpty())
        run(*m_db, setup);
    QVERIFY_THROWS_EXCEPTION(FbError, run(*m_db, failing));
    QCOMPARE(count(*m_db, changedRows), 0);
    QCOMPARE(count(*m_db, QStringLiteral("USERNAME")), 1000);
    // Nothing stays open, and the connection goes on working.
    QCOMPARE(otherOpenTransactions(*m_db), 0);
    run(*m_db, QStringLiteral("INSERT INTO USERNAME (USERNUMBER, USERNAME) VALUES (5000, 'after')"));
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT USERNAME FROM USERNAME WHERE USERNUMBER = 5000")).toString(),
             QStringLiteral("after"));
}

void TestFbLayer::engineErrorCarriesMessageAndCodes_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<int>("sqlCode");
    QTest::addColumn<long>("gdsCode");
    QTest::addColumn<QString>("sqlState");
    QTest::addColumn<QString>("messagePart");

    QTest::newRow("missing table") << "SELECT * FROM NO_SUCH_TABLE" << -204 << 335544569L << "42S02"
                                   << "NO_SUCH_TABLE";
    QTest::newRow("missing column") << "SELECT NO_SUCH_COLUMN FROM USERNAME" << -206 << 335544569L << "42S22"
                                    << "NO_SUCH_COLUMN";
    QTest::newRow("primary key") << "INSERT INTO USERNAME (USERNUMBER, USERNAME) VALUES (7, 'twice')" << -803
                                 << 335544665L << "23000" << "USERNAME";
    QTest::newRow("syntax") << "SELEC 1 FROM RDB$DATABASE" << -104 << 335544569L << "42000" << "SELEC";
}

void TestFbLayer::engineErrorCarriesMessageAndCodes()
{
    QFETCH(QString, sql);
    QFETCH(int, sqlCode);
    QFETCH(long, gdsCode);
    QFETCH(QString, sqlState);
    QFETCH(QString, messagePart);
    try {
        run(*m_db, sql);
        QFAIL("the statement ran");
    } catch (const FbError &e) {
        QVERIFY2(e.message().contains(messagePart), qPrintable(e.message()));
        QCOMPARE(QString::fromUtf8(e.what()), e.message());
        QCOMPARE(e.sqlCode(), sqlCode);
        QCOMPARE(e.gdsCode(), gdsCode);
        QCOMPARE(e.sqlState(), sqlState);
    }
    QCOMPARE(otherOpenTransactions(*m_db), 0);
}

void TestFbLayer::columnNamesFollowAliases()
{
    SqlQuery q(*m_db, QStringLiteral("SELECT USERNUMBER AS NR, USERNAME, USERNAME AS \"Name\", 1 + 1 "
                                     "FROM USERNAME WHERE USERNUMBER = 7"));
    q.exec();
    QCOMPARE(q.columnNames(), (QStringList{"NR", "USERNAME", "Name", "ADD"}));
    QVERIFY(q.next());
    QCOMPARE(q.value(QStringLiteral("nr")).toInt(), 7);
    QCOMPARE(q.value(QStringLiteral("Name")).toString(), QStringLiteral("007"));
    QVERIFY_THROWS_EXCEPTION(FbError, q.value(QStringLiteral("USERNUMBER")));

    // The same through the statement itself, on a join with an alias.
    FbTransaction tra(*m_db, FbTransaction::Kind::ReadOnlyCommitted);
    FbStatement st(*m_db, tra,
                   QStringLiteral("SELECT D.QUALITY, Q.QUALITYNAME AS Q1 FROM QUALITY D "
                                  "JOIN QUALITYNAME Q ON Q.QUALITY = D.QUALITY WHERE D.VRK = 0 AND D.POINT = 2"));
    QCOMPARE(st.columnNames(), (QStringList{"QUALITY", "Q1"}));
    QCOMPARE(st.columnIndex(QStringLiteral("q1")), 1);
    QCOMPARE(st.columnIndex(QStringLiteral("QUALITYNAME")), -1);
    st.open(tra);
    QVERIFY(st.next());
    QCOMPARE(st.value(QStringLiteral("Q1")).toString(), QStringLiteral("012"));
    QVERIFY(!st.next());
}

void TestFbLayer::textLongerThanColumn_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");

    // USERNAME.USERNAME holds 40 characters, whatever their size in bytes.
    QTest::newRow("40 letters") << QString(40, QLatin1Char('a')) << true;
    QTest::newRow("41 letters") << QString(41, QLatin1Char('a')) << false;
    QTest::newRow("40 umlauts") << QString(40, QChar(0x00E4)) << true;
    QTest::newRow("41 umlauts") << QString(41, QChar(0x00E4)) << false;
    QTest::newRow("40 euro signs") << QString(40, QChar(0x20AC)) << true;
}

void TestFbLayer::textLongerThanColumn()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);

    SqlQuery q(*m_db, QStringLiteral("UPDATE USERNAME SET USERNAME = :NAME WHERE USERNUMBER = 7"));
    q.bind(QStringLiteral("NAME"), text);
    if (fits) {
        q.exec();
        QCOMPARE(scalar(*m_db, QStringLiteral("SELECT USERNAME FROM USERNAME WHERE USERNUMBER = 7")).toString(),
                 text);
        return;
    }
    try {
        q.exec();
        QFAIL("the text went in");
    } catch (const FbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("truncation")), qPrintable(e.message()));
        QCOMPARE(e.sqlCode(), -303);
    }
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT USERNAME FROM USERNAME WHERE USERNUMBER = 7")).toString(),
             QStringLiteral("007"));
}

void TestFbLayer::longTextIsNeverCutSilently_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");

    // A text column without a declared length takes what a value can carry.
    QTest::newRow("40000 letters") << QString(40000, QLatin1Char('a')) << true;
    QTest::newRow("65535 letters") << QString(65535, QLatin1Char('a')) << true;
    QTest::newRow("65537 letters") << QString(65537, QLatin1Char('a')) << false;
    QTest::newRow("40000 umlauts") << QString(40000, QChar(0x00F6)) << false; // 80000 bytes
}

void TestFbLayer::longTextIsNeverCutSilently()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);

    SqlQuery q(*m_db, QStringLiteral("INSERT INTO ROUNDTRIP (ID, BT) VALUES (1, :BT)"));
    q.bind(QStringLiteral("BT"), text);
    if (fits) {
        q.exec();
        QCOMPARE(scalar(*m_db, QStringLiteral("SELECT CHAR_LENGTH(BT) FROM ROUNDTRIP")).toInt(), text.size());
        QCOMPARE(scalar(*m_db, QStringLiteral("SELECT BT FROM ROUNDTRIP")).toString(), text);
        return;
    }
    try {
        q.exec();
        QFAIL("the text went in");
    } catch (const FbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral(":BT")), qPrintable(e.message()));
    }
    QCOMPARE(count(*m_db, QStringLiteral("ROUNDTRIP")), 0);
    QCOMPARE(otherOpenTransactions(*m_db), 0);
}

QTEST_GUILESS_MAIN(TestFbLayer)
#include "tst_fblayer.moc"
