#include "db/WorkstationSettings.h"

#include "db/SqlQuery.h"

namespace qv::db {

void TUmrechnungsEinheit::setUnit(const QString &unit)
{
    const QString u = unit.toLower();
    if (u == QLatin1String("gal")) {
        Einheit = QStringLiteral("gal");
        Faktor = QStringLiteral("0.264172052");
    } else if (u == QLatin1String("pt")) {
        Einheit = QStringLiteral("pt");
        Faktor = QStringLiteral("2.11337642");
    } else if (u == QLatin1String("qt")) {
        Einheit = QStringLiteral("qt");
        Faktor = QStringLiteral("1.05668821");
    } else {
        Einheit = QStringLiteral("ltr");
        Faktor = QStringLiteral("1");
    }
    // Text and number always describe the same factor.
    FaktorZahl = Faktor.toDouble();
}

void TUmrechnungsEinheit::setDecimals(int decimals)
{
    Nachkommastellen = decimals;
    switch (decimals) {
    case 0:
        Ausgabeformat = QStringLiteral("0");
        break;
    case 1:
        Ausgabeformat = QStringLiteral("0.0");
        break;
    case 3:
        Ausgabeformat = QStringLiteral("0.000");
        break;
    default:
        Ausgabeformat = QStringLiteral("0.00");
        break;
    }
}

namespace {

int intOf(const SqlQuery &q, const char *column, int nullValue = 0)
{
    const QVariant v = q.value(QString::fromLatin1(column));
    return v.isNull() ? nullValue : v.toInt();
}

} // namespace

WorkstationRow WorkstationSettings::LoadWorkstationSettings(TUsername &s, const QStringList &languageColumns,
                                                            const Environment &env)
{
    WorkstationRow row;
    SqlQuery q(m_connection,
               QStringLiteral("SELECT * FROM SETTINGS WHERE IDENTIFICATIONNUMBER = :IDENTIFICATIONNUMBER"));
    q.bind(QStringLiteral("IDENTIFICATIONNUMBER"), s.WorkstationKey);
    q.exec();
    QString unit;
    int decimals = 2;
    if (!q.next()) {
        row.created = true;
        s.Username = env.userName;
        s.Speech = env.systemLanguage;
        s.Passwort.clear();
        unit = QStringLiteral("ltr");
        s.OrderCheckValue = static_cast<int>(TAdminOrderCheck::oAllowAll);
        s.LastUpdateCheck = QDateTime(env.today.addDays(-20), QTime(0, 0));
    } else {
        // Null columns read as empty text or 0.
        s.Speech = q.value(QStringLiteral("SPEECH")).toString();
        s.Passwort = q.value(QStringLiteral("USERPASSWORD")).toString();
        unit = q.value(QStringLiteral("UNIT")).toString();
        decimals = intOf(q, "DECIMALPLACE");
        s.OrderCheckValue = intOf(q, "ORDERCHECK");
        s.LastUpdateCheck = q.value(QStringLiteral("UPDATEDATE")).toDateTime();
        row.orderNumberZero = intOf(q, "ORDERNUMBERZERO");
        row.orderPreselection = intOf(q, "ORDERPRESELECTION");
        row.orderQuality = intOf(q, "ORDERQUALITY");
        row.orderPosition = intOf(q, "ORDERPOSITION");
        row.orderText = intOf(q, "ORDERTEXT");
        row.exportHeadline = intOf(q, "EXPORTHEADLINE");
        row.exportSeparator = intOf(q, "EXPORTSEPARATOR");
        row.pelvor = intOf(q, "PELVOR");
        row.barcode = intOf(q, "BARCODE");
        row.updateCheck = intOf(q, "UPDATECHECK");
        row.updateInterval = intOf(q, "UPDATEINTERVALL");
    }

    if (!languageColumns.contains(s.Speech + QLatin1Char('_')))
        s.Speech = QStringLiteral("EN");
    s.Einheit.setUnit(unit);
    s.Einheit.setDecimals(decimals);

    if (row.created) {
        SqlQuery insert(m_connection, QStringList{
                                          QStringLiteral("INSERT INTO SETTINGS"),
                                          QStringLiteral("("),
                                          QStringLiteral(" IDENTIFICATIONNUMBER,"),
                                          QStringLiteral(" USERNAME,"),
                                          QStringLiteral(" SPEECH,"),
                                          QStringLiteral(" UNIT,"),
                                          QStringLiteral(" DECIMALPLACE,"),
                                          QStringLiteral(" UPDATEDATE"),
                                          QStringLiteral(")"),
                                          QStringLiteral("VALUES"),
                                          QStringLiteral("("),
                                          QStringLiteral(" :IDENTIFICATIONNUMBER,"),
                                          QStringLiteral(" :USERNAME,"),
                                          QStringLiteral(" :SPEECH,"),
                                          QStringLiteral(" :UNIT,"),
                                          QStringLiteral(" :DECIMALPLACE,"),
                                          QStringLiteral(" :UPDATEDATE"),
                                          QStringLiteral(")"),
                                      });
        insert.bind(QStringLiteral("IDENTIFICATIONNUMBER"), s.WorkstationKey)
            .bind(QStringLiteral("USERNAME"), s.Username)
            .bind(QStringLiteral("SPEECH"), s.Speech)
            .bind(QStringLiteral("UNIT"), QStringLiteral("ltr"))
            .bind(QStringLiteral("DECIMALPLACE"), 2)
            .bind(QStringLiteral("UPDATEDATE"), s.LastUpdateCheck);
        insert.exec();
    }
    return row;
}

bool WorkstationSettings::LoadAdministrationSettings(TUsername &s, const QDate &today)
{
    SqlQuery q(m_connection, QStringLiteral("SELECT * FROM ADMINISTRATION WHERE ID = 1"));
    q.exec();
    if (!q.next())
        return false;
    s.Backup.ActiveBackup = intOf(q, "BACKUP_ACTIVE") != 0;
    s.Printing.Autoprinting = intOf(q, "PRINT_EACH") != 0;
    s.Printing.DefaultPrinter = intOf(q, "DEFAULT_PRINTER") != 0;
    s.Printing.Printer = q.value(QStringLiteral("PRINTER")).toString();
    s.Printing.Number = intOf(q, "PRINTINGS");
    const QVariant dir = q.value(QStringLiteral("BACKUP_DIRECTORY"));
    if (!dir.isNull())
        s.Backup.BackupDirectory = dir.toString();
    const QVariant last = q.value(QStringLiteral("BACKUP_DATE"));
    s.Backup.LastBackup = last.isNull() ? QDateTime(today.addDays(-10), QTime(0, 0)) : last.toDateTime();
    return true;
}

} // namespace qv::db
