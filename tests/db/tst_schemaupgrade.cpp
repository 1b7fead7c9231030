// The schema upgrade at start-up on real databases of each version, with
// and without the printing objects already in place.

#include "DbTest.h"

#include "db/SchemaUpgrade.h"

#include <QtTest>

using namespace qv::db;
using namespace qv::test;

namespace {

struct PrintingText {
    int tag;
    const char *german;
    const char *english;
};

// The texts the printing feature brings, as the translators gave them.
const PrintingText kTexts[] = {
    {10000, "Nach jeder Abgabe drucken", "Print after each dispensing"},
    {10010, "Stunde", "Hour"},
    {10020, "Minute", "Minute"},
    {10030, "Anzeige drucken", "Print display"},
    {10040, "Auswahl löschen", "Delete selection"},
    {10050, "Standarddrucker", "Default printer"},
    {10060, "Ausdrucke", "Number of prints"},
    {10070, "Drucken", "Printing"},
    {10080, "Täglich", "Daily"},
};

} // namespace

class TestSchemaUpgrade : public QObject {
    Q_OBJECT

private slots:
    void upgradeAddsThePrintingObjects_data();
    void upgradeAddsThePrintingObjects();
    void upgradeOverExistingObjectsIsLoggedAndGoesOn();
    void newerVersionsChangeOnlyTheNumber_data();
    void newerVersionsChangeOnlyTheNumber();
    void furtherLanguageColumnsGetTheEnglishText();
    void textInsertQuotesTexts_data();
    void textInsertQuotesTexts();

private:
    static void insertTwoOrders(FbConnection &db);
    static QVariant version(FbConnection &db);
};

void TestSchemaUpgrade::insertTwoOrders(FbConnection &db)
{
    run(db, QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, QUALITY, STATUS, IST, DISPENSINGDATETIME) "
                           "VALUES ('100', '011', 6, 12.5, TIMESTAMP '2023-05-02 08:00:00')"));
    run(db, QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, QUALITY, STATUS) VALUES ('101', '012', 0)"));
}

QVariant TestSchemaUpgrade::version(FbConnection &db)
{
    return scalar(db, QStringLiteral("SELECT PROGRAMMVERSION FROM ADMINISTRATION WHERE ID = 1"));
}

void TestSchemaUpgrade::upgradeAddsThePrintingObjects_data()
{
    QTest::addColumn<QString>("storedVersion");
    QTest::newRow("601") << "601";
    QTest::newRow("no version") << "NULL";
}

void TestSchemaUpgrade::upgradeAddsThePrintingObjects()
{
    QFETCH(QString, storedVersion);
    ProgramDataDir dir(ProgramDataDir::Database::Version601);
    FbConnection db;
    attachFile(db, dir.databaseFile());
    insertTwoOrders(db);
    run(db, QStringLiteral("UPDATE ADMINISTRATION SET PROGRAMMVERSION = %1").arg(storedVersion));
    QCOMPARE(count(db, QStringLiteral("SPEECH WHERE TAG BETWEEN 10000 AND 10080")), 0);

    QStringList log;
    SchemaUpgrade upgrade(db, [&](const QString &line) { log << line; });
    upgrade.checkSchemaVersion();

    QVERIFY2(log.isEmpty(), qPrintable(log.join(QLatin1Char('\n'))));
    QCOMPARE(version(db).toInt(), 603);

    // The rows from before count as printed; a new row is not printed yet.
    QCOMPARE(count(db, QStringLiteral("DISPENSINGDATA WHERE PRINTED = 1")), 2);
    run(db, QStringLiteral("INSERT INTO DISPENSINGDATA (ORDERNUMBER, QUALITY) VALUES ('102', '013')"));
    QCOMPARE(scalar(db, QStringLiteral("SELECT PRINTED FROM DISPENSINGDATA WHERE ORDERNUMBER = '102'")).toInt(), 0);

    SqlQuery admin(db, QStringLiteral("SELECT PRINT_EACH, DEFAULT_PRINTER, PRINTER, PRINTINGS FROM ADMINISTRATION"));
    admin.exec();
    QCOMPARE(admin.rowCount(), 1);
    QVERIFY(admin.next());
    QCOMPARE(admin.value(0).toInt(), 0);
    QCOMPARE(admin.value(1).toInt(), 1);
    QVERIFY(admin.value(2).isNull());
    QCOMPARE(admin.value(3).toInt(), 1);
    run(db, QStringLiteral("UPDATE ADMINISTRATION SET PRINTER = 'Werkstatt Laser Ä'"));
    QCOMPARE(scalar(db, QStringLiteral("SELECT PRINTER FROM ADMINISTRATION")).toString(),
             QStringLiteral("Werkstatt Laser Ä"));

    // The schedule table with its key.
    run(db, QStringLiteral("INSERT INTO INTERVALL (ID, DAY_VALUE, HOUR_VALUE, MINUTE_VALUE) "
                           "VALUES ('01205', 0, 12, 5)"));
    QVERIFY_THROWS_EXCEPTION(FbError, run(db, QStringLiteral("INSERT INTO INTERVALL (ID) VALUES ('01205')")));
    QVERIFY_THROWS_EXCEPTION(FbError, run(db, QStringLiteral("INSERT INTO INTERVALL (ID) VALUES ('012050')")));

    SqlQuery texts(db, QStringLiteral("SELECT TAG, DE_, EN_ FROM SPEECH WHERE TAG >= 10000 ORDER BY TAG"));
    texts.exec();
    QCOMPARE(texts.rowCount(), int(std::size(kTexts)));
    for (const PrintingText &t : kTexts) {
        QVERIFY(texts.next());
        QCOMPARE(texts.value(0).toInt(), t.tag);
        QCOMPARE(texts.value(1).toString(), QString::fromUtf8(t.german));
        QCOMPARE(texts.value(2).toString(), QString::fromUtf8(t.english));
    }

    // The next start finds version 603 and leaves everything alone.
    run(db, QStringLiteral("UPDATE DISPENSINGDATA SET PRINTED = 0"));
    upgrade.checkSchemaVersion();
    QVERIFY(log.isEmpty());
    QCOMPARE(count(db, QStringLiteral("DISPENSINGDATA WHERE PRINTED = 0")), 3);
}

void TestSchemaUpgrade::upgradeOverExistingObjectsIsLoggedAndGoesOn()
{
    // A current database whose version number was left at 601.
    ProgramDataDir dir;
    FbConnection db;
    attachFile(db, dir.databaseFile());
    insertTwoOrders(db);
    run(db, QStringLiteral("UPDATE DISPENSINGDATA SET PRINTED = 0"));
    run(db, QStringLiteral("UPDATE ADMINISTRATION SET PROGRAMMVERSION = 601, PRINT_EACH = 1, DEFAULT_PRINTER = 0, "
                           "PRINTINGS = 4, PRINTER = 'Laser'"));
    run(db, QStringLiteral("UPDATE SPEECH SET DE_ = 'Std.' WHERE TAG = 10010"));

    QStringList log;
    SchemaUpgrade upgrade(db, [&](const QString &line) { log << line; });
    try {
        upgrade.checkSchemaVersion();
    } catch (const std::exception &e) {
        QFAIL(e.what());
    }

    // Steps 1, 3 to 6 and 8 fail on what exists, then each text row.
    const QStringList expectedStart = {"ALTER # ", "ALTER # ", "ALTER # ", "ALTER # ", "ALTER # ", "CREATE # "};
    const QStringList expectedObject = {"DISPENSINGDATA", "ADMINISTRATION", "ADMINISTRATION",
                                        "ADMINISTRATION", "ADMINISTRATION", "INTERVALL"};
    QCOMPARE(log.size(), expectedStart.size() + int(std::size(kTexts)));
    for (int i = 0; i < log.size(); ++i) {
        const QString prefix = i < expectedStart.size() ? expectedStart[i] : QStringLiteral("INSERT # ");
        QVERIFY2(log[i].startsWith(prefix), qPrintable(log[i]));
        QVERIFY2(log[i].size() > prefix.size() + 10, qPrintable(log[i])); // the engine's message follows
        if (i < expectedObject.size())
            QVERIFY2(log[i].contains(expectedObject[i]), qPrintable(log[i]));
        else
            QVERIFY2(log[i].contains(QStringLiteral("SPEECH")), qPrintable(log[i]));
    }

    // Steps 2 and 7 ran anyway; the printer name is not theirs.
    QCOMPARE(count(db, QStringLiteral("DISPENSINGDATA WHERE PRINTED = 1")), 2);
    SqlQuery admin(db, QStringLiteral("SELECT PRINT_EACH, DEFAULT_PRINTER, PRINTINGS, PRINTER FROM ADMINISTRATION"));
    admin.exec();
    QVERIFY(admin.next());
    QCOMPARE(admin.value(0).toInt(), 0);
    QCOMPARE(admin.value(1).toInt(), 1);
    QCOMPARE(admin.value(2).toInt(), 1);
    QCOMPARE(admin.value(3).toString(), QStringLiteral("Laser"));

    // Existing texts are kept as they are, none twice.
    QCOMPARE(count(db, QStringLiteral("SPEECH WHERE TAG BETWEEN 10000 AND 10080")), int(std::size(kTexts)));
    QCOMPARE(scalar(db, QStringLiteral("SELECT DE_ FROM SPEECH WHERE TAG = 10010")).toString(), QStringLiteral("Std."));
    QCOMPARE(version(db).toInt(), 603);
    QCOMPARE(otherOpenTransactions(db), 0);
}

void TestSchemaUpgrade::newerVersionsChangeOnlyTheNumber_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("602") << 602 << 603;
    QTest::newRow("603") << 603 << 603;
    QTest::newRow("newer program's database") << 700 << 700;
}

void TestSchemaUpgrade::newerVersionsChangeOnlyTheNumber()
{
    QFETCH(int, stored);
    QFETCH(int, expected);
    ProgramDataDir dir;
    FbConnection db;
    attachFile(db, dir.databaseFile());
    insertTwoOrders(db);
    run(db, QStringLiteral("UPDATE DISPENSINGDATA SET PRINTED = 0"));
    run(db, QStringLiteral("UPDATE ADMINISTRATION SET PROGRAMMVERSION = %1, PRINT_EACH = 1, DEFAULT_PRINTER = 0, "
                           "PRINTINGS = 4")
                .arg(stored));
    run(db, QStringLiteral("DELETE FROM SPEECH WHERE TAG = 10040"));

    QStringList log;
    SchemaUpgrade upgrade(db, [&](const QString &line) { log << line; });
    upgrade.checkSchemaVersion();

    QVERIFY2(log.isEmpty(), qPrintable(log.join(QLatin1Char('\n'))));
    QCOMPARE(version(db).toInt(), expected);
    QCOMPARE(count(db, QStringLiteral("DISPENSINGDATA WHERE PRINTED = 0")), 2);
    QCOMPARE(count(db, QStringLiteral("ADMINISTRATION WHERE PRINT_EACH = 1 AND DEFAULT_PRINTER = 0 AND PRINTINGS = 4")),
             1);
    QCOMPARE(count(db, QStringLiteral("SPEECH WHERE TAG = 10040")), 0);
}

void TestSchemaUpgrade::furtherLanguageColumnsGetTheEnglishText()
{
    ProgramDataDir dir(ProgramDataDir::Database::Version601);
    FbConnection db;
    attachFile(db, dir.databaseFile());
    db.executeImmediate(QStringLiteral("ALTER TABLE SPEECH ADD FR_ VARCHAR(255) CHARACTER SET UTF8 COLLATE UNICODE"));
    db.executeImmediate(QStringLiteral("ALTER TABLE SPEECH ADD PL_ VARCHAR(255) CHARACTER SET UTF8 COLLATE UNICODE"));

    QStringList log;
    SchemaUpgrade(db, [&](const QString &line) { log << line; }).checkSchemaVersion();
    QVERIFY2(log.isEmpty(), qPrintable(log.join(QLatin1Char('\n'))));

    SqlQuery texts(db, QStringLiteral("SELECT TAG, DE_, EN_, FR_, PL_ FROM SPEECH WHERE TAG >= 10000 ORDER BY TAG"));
    texts.exec();
    QCOMPARE(texts.rowCount(), int(std::size(kTexts)));
    for (const PrintingText &t : kTexts) {
        QVERIFY(texts.next());
        QCOMPARE(texts.value(0).toInt(), t.tag);
        QCOMPARE(texts.value(1).toString(), QString::fromUtf8(t.german));
        QCOMPARE(texts.value(2).toString(), QString::fromUtf8(t.english));
        QCOMPARE(texts.value(3).toString(), QString::fromUtf8(t.english));
        QCOMPARE(texts.value(4).toString(), QString::fromUtf8(t.english));
    }
}

void TestSchemaUpgrade::textInsertQuotesTexts_data()
{
    QTest::addColumn<QString>("german");
    QTest::addColumn<QString>("english");
    QTest::newRow("apostrophes") << "Kunde's Öl" << "O'Brien's 'best' oil";
    QTest::newRow("only a quote") << "'" << "''";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("looks like a parameter") << "Zeit :STUNDE" << "-- not a comment";
}

void TestSchemaUpgrade::textInsertQuotesTexts()
{
    QFETCH(QString, german);
    QFETCH(QString, english);
    ProgramDataDir dir;
    FbConnection db;
    attachFile(db, dir.databaseFile());
    db.executeImmediate(QStringLiteral("ALTER TABLE SPEECH ADD FR_ VARCHAR(255) CHARACTER SET UTF8 COLLATE UNICODE"));

    const SchemaUpgrade::Text text{99990, german, english};
    run(db, SchemaUpgrade::textInsert({QStringLiteral("DE_"), QStringLiteral("EN_"), QStringLiteral("FR_")}, text));

    SqlQuery q(db, QStringLiteral("SELECT DE_, EN_, FR_ FROM SPEECH WHERE TAG = 99990"));
    q.exec();
    QCOMPARE(q.rowCount(), 1);
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), german);
    QCOMPARE(q.value(1).toString(), english);
    QCOMPARE(q.value(2).toString(), english);
}

QTEST_GUILESS_MAIN(TestSchemaUpgrade)
#include "tst_schemaupgrade.moc"
