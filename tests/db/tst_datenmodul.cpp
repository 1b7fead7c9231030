// The data module's shared helpers: operator names and the one-column
// update, on a copy of the delivered database.

#include "DbTest.h"

#include "db/FbError.h"
#include "db/TDatenmodul.h"

#include <QtTest>

#include <memory>

using namespace qv::db;
using namespace qv::test;

class TestDatenmodul : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void usernameForNumber_data();
    void usernameForNumber();

    void updateChangesExactlyTheMatchingRow_data();
    void updateChangesExactlyTheMatchingRow();
    void updateWithoutMatchingRowChangesNothing();
    void updateRefusesConditionThatIsNotDigits_data();
    void updateRefusesConditionThatIsNotDigits();

private:
    // Every settings row as one text each, to see what an update changed.
    QStringList settingsRows();

    std::unique_ptr<ProgramDataDir> m_dir;
    std::unique_ptr<TDatenmodul> m_dm;
};

void TestDatenmodul::init()
{
    m_dir = std::make_unique<ProgramDataDir>();
    m_dm = std::make_unique<TDatenmodul>();
    QVERIFY2(m_dm->ConnectToDatabase(QString(), m_dir->databaseFile(), QString(), 3050),
             qPrintable(m_dm->lastConnectError()));
    // Three workstations; their keys differ only in length, so a condition
    // that is not compared as a whole would hit more than one.
    for (const char *key : {"12", "123", "1234"})
        run(m_dm->connection(),
            QStringLiteral("INSERT INTO SETTINGS (IDENTIFICATIONNUMBER, SPEECH) VALUES ('%1', 'DE')").arg(key));
}

void TestDatenmodul::cleanup()
{
    m_dm.reset();
    m_dir.reset();
}

QStringList TestDatenmodul::settingsRows()
{
    SqlQuery q(m_dm->connection(), QStringLiteral("SELECT IDENTIFICATIONNUMBER, SPEECH, UNIT, DECIMALPLACE, BARCODE "
                                                  "FROM SETTINGS ORDER BY IDENTIFICATIONNUMBER"));
    q.exec();
    QStringList rows;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < 5; ++i)
            values << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

void TestDatenmodul::usernameForNumber_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("storedName"); // "<keep>": as delivered
    QTest::addColumn<bool>("storeNull");
    QTest::addColumn<QString>("expected");

    QTest::newRow("delivered name") << 42 << "<keep>" << false << "042";
    QTest::newRow("empty name") << 5 << "" << false << "005";
    QTest::newRow("null name") << 5 << "" << true << "005";
    QTest::newRow("name") << 7 << "Meier" << false << "Meier";
    QTest::newRow("name with umlaut") << 8 << "Müller" << false << "Müller";
    QTest::newRow("empty name, three digits") << 123 << "" << false << "123";
    QTest::newRow("no row, four digits") << 1234 << "<keep>" << false << "1234";
    QTest::newRow("no row, one digit") << 0 << "<delete>" << false << "000";
}

void TestDatenmodul::usernameForNumber()
{
    QFETCH(int, number);
    QFETCH(QString, storedName);
    QFETCH(bool, storeNull);
    QFETCH(QString, expected);

    if (storedName == QLatin1String("<delete>")) {
        run(m_dm->connection(), QStringLiteral("DELETE FROM USERNAME WHERE USERNUMBER = %1").arg(number));
    } else if (storedName != QLatin1String("<keep>")) {
        SqlQuery q(m_dm->connection(), QStringLiteral("UPDATE USERNAME SET USERNAME = :N WHERE USERNUMBER = :U"));
        q.bind(QStringLiteral("N"), storeNull ? QVariant() : QVariant(storedName));
        q.bind(QStringLiteral("U"), number);
        q.exec();
    }
    QCOMPARE(m_dm->GetUsernameForNumber(number), expected);
}

void TestDatenmodul::updateChangesExactlyTheMatchingRow_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value"); // a string uses the text variant, an integer the other
    QTest::addColumn<QString>("expectedRow");

    QTest::newRow("text") << "SPEECH" << QVariant(QStringLiteral("FR")) << "123|FR|ltr|2|0";
    QTest::newRow("text into an integer column") << "BARCODE" << QVariant(QStringLiteral("1")) << "123|DE|ltr|2|1";
    QTest::newRow("integer") << "DECIMALPLACE" << QVariant(qint64(3)) << "123|DE|ltr|3|0";
    QTest::newRow("empty text") << "UNIT" << QVariant(QString("")) << "123|DE||2|0";
}

void TestDatenmodul::updateChangesExactlyTheMatchingRow()
{
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QString, expectedRow);

    const QStringList before = settingsRows();
    QCOMPARE(before.size(), 3);
    if (value.typeId() == QMetaType::QString)
        m_dm->UpdateOneTableDataRecord(QStringLiteral("SETTINGS"), field, value.toString(),
                                       QStringLiteral("IDENTIFICATIONNUMBER"), QStringLiteral("123"));
    else
        m_dm->UpdateOneTableDataRecord(QStringLiteral("SETTINGS"), field, value.toLongLong(),
                                       QStringLiteral("IDENTIFICATIONNUMBER"), QStringLiteral("123"));

    QStringList expected = before;
    expected[1] = expectedRow;
    QCOMPARE(settingsRows(), expected);
}

void TestDatenmodul::updateWithoutMatchingRowChangesNothing()
{
    const QStringList before = settingsRows();
    m_dm->UpdateOneTableDataRecord(QStringLiteral("SETTINGS"), QStringLiteral("SPEECH"), QStringLiteral("FR"),
                                   QStringLiteral("IDENTIFICATIONNUMBER"), QStringLiteral("999"));
    m_dm->UpdateOneTableDataRecord(QStringLiteral("SETTINGS"), QStringLiteral("DECIMALPLACE"), qint64(0),
                                   QStringLiteral("IDENTIFICATIONNUMBER"), QStringLiteral("999"));
    QCOMPARE(settingsRows(), before);
    QCOMPARE(count(m_dm->connection(), QStringLiteral("SETTINGS WHERE IDENTIFICATIONNUMBER = '999'")), 0);
}

void TestDatenmodul::updateRefusesConditionThatIsNotDigits_data()
{
    QTest::addColumn<QString>("condition");

    QTest::newRow("always true") << "1 OR 1=1";
    QTest::newRow("empty") << "";
    QTest::newRow("letters after digits") << "12a";
    QTest::newRow("second statement") << "1;DROP TABLE SETTINGS";
    QTest::newRow("quoted") << "'123'";
    QTest::newRow("negative") << "-123";
    QTest::newRow("blank around") << " 123";
    QTest::newRow("line break after digits") << "123\n";
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("١٢٣");
}

void TestDatenmodul::updateRefusesConditionThatIsNotDigits()
{
    QFETCH(QString, condition);
    const QStringList before = settingsRows();
    try {
        m_dm->UpdateOneTableDataRecord(QStringLiteral("SETTINGS"), QStringLiteral("SPEECH"), QStringLiteral("FR"),
                                       QStringLiteral("IDENTIFICATIONNUMBER"), condition);
        QFAIL("the update ran");
    } catch (const FbError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("SETTINGS.SPEECH")), qPrintable(e.message()));
    }
    QVERIFY_THROWS_EXCEPTION(FbError, m_dm->UpdateOneTableDataRecord(QStringLiteral("SETTINGS"),
                                                                     QStringLiteral("DECIMALPLACE"), qint64(0),
                                                                     QStringLiteral("IDENTIFICATIONNUMBER"),
                                                                     condition));
    QCOMPARE(settingsRows(), before);
}

QTEST_GUILESS_MAIN(TestDatenmodul)
#include "tst_datenmodul.moc"
