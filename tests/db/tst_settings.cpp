// Loading the workstation's settings row and the shared administration row
// into the settings record, on a copy of the delivered database.

#include "DbTest.h"

#include "db/WorkstationSettings.h"

#include <QtTest>

#include <memory>

using namespace qv::db;
using namespace qv::test;

namespace {

const QString kKey = QStringLiteral("3735928559");
const QStringList kLanguages = {QStringLiteral("DE_"), QStringLiteral("EN_")};

// The option values of a loaded row, in a form QCOMPARE can show.
QList<int> options(const WorkstationRow &r)
{
    return {r.orderNumberZero, r.orderPreselection, r.orderQuality, r.orderPosition, r.orderText, r.exportHeadline,
            r.exportSeparator, r.pelvor, r.barcode, r.updateCheck, r.updateInterval};
}

const QList<int> kStartOptions = {0, 1, 1, 0, 0, 1, 3, 0, 0, 0, 7};

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newWorkstationGetsItsRow();
    void nullColumnsReadAsZero();
    void unit_data();
    void unit();
    void decimals_data();
    void decimals();
    void language_data();
    void language();

    void administrationRowIsLoaded();
    void administrationNullsKeepDefaults();
    void missingAdministrationRow();

private:
    WorkstationRow load(TUsername &s, const QStringList &languages = kLanguages, const QString &systemLanguage = "DE");
    void insertRow(const QString &column, const QVariant &value);

    std::unique_ptr<ProgramDataDir> m_dir;
    std::unique_ptr<FbConnection> m_db;
    const QDate m_today{2024, 3, 15};
};

void TestSettings::init()
{
    m_dir = std::make_unique<ProgramDataDir>();
    m_db = std::make_unique<FbConnection>();
    attachFile(*m_db, m_dir->databaseFile());
    QCOMPARE(count(*m_db, QStringLiteral("SETTINGS")), 0);
}

void TestSettings::cleanup()
{
    m_db.reset();
    m_dir.reset();
}

WorkstationRow TestSettings::load(TUsername &s, const QStringList &languages, const QString &systemLanguage)
{
    s.WorkstationKey = kKey;
    return WorkstationSettings(*m_db).LoadWorkstationSettings(s, languages,
                                                               {QStringLiteral("werkstatt"), systemLanguage, m_today});
}

// A row of this workstation with one column set, the rest their defaults.
void TestSettings::insertRow(const QString &column, const QVariant &value)
{
    SqlQuery q(*m_db, QStringLiteral("INSERT INTO SETTINGS (IDENTIFICATIONNUMBER, SPEECH, %1) VALUES (:K, 'DE', :V)")
                          .arg(column));
    q.bind(QStringLiteral("K"), kKey).bind(QStringLiteral("V"), value);
    q.exec();
}

void TestSettings::newWorkstationGetsItsRow()
{
    TUsername first;
    const WorkstationRow created = load(first);
    QVERIFY(created.created);
    QCOMPARE(first.Username, QStringLiteral("werkstatt"));
    QCOMPARE(first.Speech, QStringLiteral("DE"));
    QCOMPARE(first.Passwort, QString());
    QCOMPARE(first.Einheit.Einheit, QStringLiteral("ltr"));
    QCOMPARE(first.Einheit.Nachkommastellen, 2);
    QCOMPARE(first.Einheit.Ausgabeformat, QStringLiteral("0.00"));
    QCOMPARE(first.OrderCheck(), TAdminOrderCheck::oAllowAll);
    QCOMPARE(first.LastUpdateCheck, QDateTime(QDate(2024, 2, 24), QTime(0, 0)));
    QCOMPARE(options(created), kStartOptions);

    // The inserted row: the written columns, and defaults equal to the start values.
    SqlQuery q(*m_db, QStringLiteral("SELECT * FROM SETTINGS"));
    q.exec();
    QCOMPARE(q.rowCount(), 1);
    QVERIFY(q.next());
    QCOMPARE(q.value(QStringLiteral("IDENTIFICATIONNUMBER")).toString(), kKey);
    QCOMPARE(q.value(QStringLiteral("USERNAME")).toString(), QStringLiteral("werkstatt"));
    QCOMPARE(q.value(QStringLiteral("SPEECH")).toString(), QStringLiteral("DE"));
    QCOMPARE(q.value(QStringLiteral("UNIT")).toString(), QStringLiteral("ltr"));
    QCOMPARE(q.value(QStringLiteral("DECIMALPLACE")).toInt(), 2);
    QCOMPARE(q.value(QStringLiteral("UPDATEDATE")).toDateTime(), QDateTime(QDate(2024, 2, 24), QTime(0, 0)));
    QCOMPARE(q.value(QStringLiteral("ORDERCHECK")).toInt(), 1);
    QVERIFY(q.value(QStringLiteral("USERPASSWORD")).toString().isEmpty());

    // The next start reads the same options back from the row.
    TUsername second;
    second.WorkstationKey = kKey;
    const WorkstationRow loaded =
        WorkstationSettings(*m_db).LoadWorkstationSettings(second, kLanguages, {"root", "FR", m_today.addDays(30)});
    QVERIFY(!loaded.created);
    QCOMPARE(options(loaded), options(created));
    QCOMPARE(second.Speech, first.Speech);
    QCOMPARE(second.Passwort, first.Passwort);
    QCOMPARE(second.Einheit.Einheit, first.Einheit.Einheit);
    QCOMPARE(second.Einheit.Faktor, first.Einheit.Faktor);
    QCOMPARE(second.Einheit.Nachkommastellen, first.Einheit.Nachkommastellen);
    QCOMPARE(second.Einheit.Ausgabeformat, first.Einheit.Ausgabeformat);
    QCOMPARE(second.OrderCheckValue, first.OrderCheckValue);
    QCOMPARE(second.LastUpdateCheck, first.LastUpdateCheck);
    QCOMPARE(count(*m_db, QStringLiteral("SETTINGS")), 1);
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT USERNAME FROM SETTINGS")).toString(), QStringLiteral("werkstatt"));
}

void TestSettings::nullColumnsReadAsZero()
{
    insertRow(QStringLiteral("UNIT"), QVariant());
    run(*m_db, QStringLiteral("UPDATE SETTINGS SET SPEECH = NULL, USERPASSWORD = NULL, DECIMALPLACE = NULL, "
                              "ORDERCHECK = NULL, ORDERNUMBERZERO = NULL, ORDERPRESELECTION = NULL, "
                              "ORDERQUALITY = NULL, ORDERPOSITION = NULL, ORDERTEXT = NULL, EXPORTHEADLINE = NULL, "
                              "EXPORTSEPARATOR = NULL, PELVOR = NULL, BARCODE = NULL, UPDATECHECK = NULL, "
                              "UPDATEINTERVALL = NULL, UPDATEDATE = NULL"));
    TUsername s;
    const WorkstationRow row = load(s);
    QVERIFY(!row.created);
    QCOMPARE(options(row), QList<int>(kStartOptions.size(), 0));
    QCOMPARE(s.Speech, QStringLiteral("EN"));
    QVERIFY(s.Passwort.isEmpty());
    QCOMPARE(s.Einheit.Einheit, QStringLiteral("ltr"));
    QCOMPARE(s.Einheit.Nachkommastellen, 0);
    QCOMPARE(s.Einheit.Ausgabeformat, QStringLiteral("0"));
    QCOMPARE(s.OrderCheck(), TAdminOrderCheck::oCheck);
    QVERIFY(!s.LastUpdateCheck.isValid());
}

void TestSettings::unit_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("factor");
    QTest::addColumn<double>("factorNumber");

    QTest::newRow("GAL") << "GAL" << "gal" << "0.264172052" << 0.264172052;
    QTest::newRow("gal") << "gal" << "gal" << "0.264172052" << 0.264172052;
    QTest::newRow("Pt") << "Pt" << "pt" << "2.11337642" << 2.11337642;
    QTest::newRow("qt") << "qt" << "qt" << "1.05668821" << 1.05668821;
    QTest::newRow("ltr") << "ltr" << "ltr" << "1" << 1.0;
    QTest::newRow("unknown") << "xyz" << "ltr" << "1" << 1.0;
    QTest::newRow("empty") << "" << "ltr" << "1" << 1.0;
}

void TestSettings::unit()
{
    QFETCH(QString, stored);
    QFETCH(QString, unit);
    QFETCH(QString, factor);
    QFETCH(double, factorNumber);

    insertRow(QStringLiteral("UNIT"), stored);
    TUsername s;
    load(s);
    QCOMPARE(s.Einheit.Einheit, unit);
    QCOMPARE(s.Einheit.Faktor, factor);
    QCOMPARE(s.Einheit.FaktorZahl, factorNumber);
    QCOMPARE(s.Einheit.FaktorZahl, s.Einheit.Faktor.toDouble());
    // The factor text goes into statements: the engine must read it as the same number.
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT CAST(%1 AS DOUBLE PRECISION) FROM RDB$DATABASE")
                               .arg(s.Einheit.Faktor))
                 .toDouble(),
             factorNumber);
}

void TestSettings::decimals_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("format");

    QTest::newRow("0") << 0 << "0";
    QTest::newRow("1") << 1 << "0.0";
    QTest::newRow("2") << 2 << "0.00";
    QTest::newRow("3") << 3 << "0.000";
    QTest::newRow("5") << 5 << "0.00";
    QTest::newRow("-1") << -1 << "0.00";
}

void TestSettings::decimals()
{
    QFETCH(int, stored);
    QFETCH(QString, format);

    insertRow(QStringLiteral("DECIMALPLACE"), stored);
    TUsername s;
    load(s);
    QCOMPARE(s.Einheit.Ausgabeformat, format);
    QCOMPARE(s.Einheit.Nachkommastellen, stored);
}

void TestSettings::language_data()
{
    QTest::addColumn<QString>("stored"); // empty: no row yet
    QTest::addColumn<QString>("systemLanguage");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QString>("speech");
    QTest::addColumn<QString>("storedAfter");

    const QStringList withFrench = kLanguages + QStringList{QStringLiteral("FR_")};
    QTest::newRow("stored language") << "DE" << "FR" << kLanguages << "DE" << "DE";
    QTest::newRow("stored language without its column") << "FR" << "DE" << kLanguages << "EN" << "FR";
    QTest::newRow("stored language with its column") << "FR" << "DE" << withFrench << "FR" << "FR";
    QTest::newRow("new row, system language listed") << "" << "DE" << kLanguages << "DE" << "DE";
    QTest::newRow("new row, system language not listed") << "" << "FR" << kLanguages << "EN" << "EN";
    QTest::newRow("new row, added language") << "" << "FR" << withFrench << "FR" << "FR";
}

void TestSettings::language()
{
    QFETCH(QString, stored);
    QFETCH(QString, systemLanguage);
    QFETCH(QStringList, languages);
    QFETCH(QString, speech);
    QFETCH(QString, storedAfter);

    if (!stored.isEmpty())
        run(*m_db, QStringLiteral("INSERT INTO SETTINGS (IDENTIFICATIONNUMBER, SPEECH) VALUES ('%1', '%2')")
                       .arg(kKey, stored));
    TUsername s;
    load(s, languages, systemLanguage);
    QCOMPARE(s.Speech, speech);
    QCOMPARE(scalar(*m_db, QStringLiteral("SELECT SPEECH FROM SETTINGS")).toString(), storedAfter);
}

void TestSettings::administrationRowIsLoaded()
{
    run(*m_db, QStringLiteral("UPDATE ADMINISTRATION SET BACKUP_ACTIVE = 1, BACKUP_DIRECTORY = '/srv/sicherung/', "
                              "BACKUP_DATE = TIMESTAMP '2024-03-01 22:15:30', PRINT_EACH = 1, DEFAULT_PRINTER = 0, "
                              "PRINTER = 'Büro Laser', PRINTINGS = 3"));
    TUsername s;
    s.Backup.BackupDirectory = QStringLiteral("/var/lib/quorvane/backup/");
    QVERIFY(WorkstationSettings(*m_db).LoadAdministrationSettings(s, m_today));
    QCOMPARE(s.Backup.ActiveBackup, true);
    QCOMPARE(s.Backup.BackupDirectory, QStringLiteral("/srv/sicherung/"));
    QCOMPARE(s.Backup.LastBackup, QDateTime(QDate(2024, 3, 1), QTime(22, 15, 30)));
    QCOMPARE(s.Printing.Autoprinting, true);
    QCOMPARE(s.Printing.DefaultPrinter, false);
    QCOMPARE(s.Printing.Printer, QStringLiteral("Büro Laser"));
    QCOMPARE(s.Printing.Number, 3);
}

void TestSettings::administrationNullsKeepDefaults()
{
    // Flip the record away from what the delivered row holds, to see each field loaded.
    TUsername s;
    s.Backup.ActiveBackup = true;
    s.Backup.BackupDirectory = QStringLiteral("/var/lib/quorvane/backup/");
    s.Printing.Autoprinting = true;
    s.Printing.DefaultPrinter = false;
    s.Printing.Printer = QStringLiteral("old");
    s.Printing.Number = 9;
    QVERIFY(scalar(*m_db, QStringLiteral("SELECT BACKUP_DIRECTORY FROM ADMINISTRATION")).isNull());
    QVERIFY(scalar(*m_db, QStringLiteral("SELECT BACKUP_DATE FROM ADMINISTRATION")).isNull());

    QVERIFY(WorkstationSettings(*m_db).LoadAdministrationSettings(s, m_today));
    QCOMPARE(s.Backup.ActiveBackup, false);
    QCOMPARE(s.Backup.BackupDirectory, QStringLiteral("/var/lib/quorvane/backup/"));
    QCOMPARE(s.Backup.LastBackup, QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    QCOMPARE(s.Printing.Autoprinting, false);
    QCOMPARE(s.Printing.DefaultPrinter, true);
    QCOMPARE(s.Printing.Printer, QString());
    QCOMPARE(s.Printing.Number, 1);
}

void TestSettings::missingAdministrationRow()
{
    run(*m_db, QStringLiteral("DELETE FROM ADMINISTRATION"));
    TUsername s;
    s.Backup.BackupDirectory = QStringLiteral("/var/lib/quorvane/backup/");
    QVERIFY(!WorkstationSettings(*m_db).LoadAdministrationSettings(s, m_today));
    QCOMPARE(s.Backup.ActiveBackup, false);
    QCOMPARE(s.Backup.BackupDirectory, QStringLiteral("/var/lib/quorvane/backup/"));
    QVERIFY(!s.Backup.LastBackup.isValid());
    QCOMPARE(s.Printing.Autoprinting, false);
    QCOMPARE(s.Printing.DefaultPrinter, true);
    QCOMPARE(s.Printing.Printer, QString());
    QCOMPARE(s.Printing.Number, 1);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
