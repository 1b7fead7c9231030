#include "db/SchemaUpgrade.h"

#include "db/SqlQuery.h"

namespace qv::db {

const QVector<SchemaUpgrade::Step> &SchemaUpgrade::printingSteps()
{
    static const QVector<Step> steps = {
        {QStringLiteral("ALTER TABLE DISPENSINGDATA ADD PRINTED INTEGER DEFAULT 0"), QStringLiteral("ALTER # ")},
        // Rows that exist before the printing feature count as printed, so the
        // first scheduled printout does not print the whole history.
        {QStringLiteral("UPDATE DISPENSINGDATA SET PRINTED = 1"), QStringLiteral("UPDATE # ")},
        {QStringLiteral("ALTER TABLE ADMINISTRATION ADD PRINT_EACH INTEGER DEFAULT 0"), QStringLiteral("ALTER # ")},
        {QStringLiteral("ALTER TABLE ADMINISTRATION ADD DEFAULT_PRINTER INTEGER DEFAULT 1"), QStringLiteral("ALTER # ")},
        {QStringLiteral("ALTER TABLE ADMINISTRATION ADD PRINTER VARCHAR(100) COLLATE UTF8"), QStringLiteral("ALTER # ")},
        {QStringLiteral("ALTER TABLE ADMINISTRATION ADD PRINTINGS INTEGER DEFAULT 1"), QStringLiteral("ALTER # ")},
        {QStringLiteral("UPDATE ADMINISTRATION SET PRINT_EACH = 0, DEFAULT_PRINTER = 1, PRINTINGS = 1"),
         QStringLiteral("UPDATE # ")},
        {QStringLiteral("CREATE TABLE INTERVALL (\n"
                        "  ID VARCHAR(5) NOT NULL,\n"
                        "  DAY_VALUE INTEGER,\n"
                        "  HOUR_VALUE INTEGER,\n"
                        "  MINUTE_VALUE INTEGER,\n"
                        "CONSTRAINT PK_INTERVALL PRIMARY KEY (ID))"),
         QStringLiteral("CREATE # ")},
    };
    return steps;
}

const QVector<SchemaUpgrade::Text> &SchemaUpgrade::printingTexts()
{
    static const QVector<Text> texts = {
        {10000, QStringLiteral("Nach jeder Abgabe drucken"), QStringLiteral("Print after each dispensing")},
        {10010, QStringLiteral("Stunde"), QStringLiteral("Hour")},
        {10020, QStringLiteral("Minute"), QStringLiteral("Minute")},
        {10030, QStringLiteral("Anzeige drucken"), QStringLiteral("Print display")},
        {10040, QStringLiteral("Auswahl löschen"), QStringLiteral("Delete selection")},
        {10050, QStringLiteral("Standarddrucker"), QStringLiteral("Default printer")},
        {10060, QStringLiteral("Ausdrucke"), QStringLiteral("Number of prints")},
        {10070, QStringLiteral("Drucken"), QStringLiteral("Printing")},
        {10080, QStringLiteral("Täglich"), QStringLiteral("Daily")},
    };
    return texts;
}

SchemaUpgrade::SchemaUpgrade(FbConnection &connection, ErrorLog errorLog)
    : m_connection(connection), m_errorLog(std::move(errorLog))
{
}

int SchemaUpgrade::storedVersion()
{
    SqlQuery q(m_connection, QStringLiteral("SELECT PROGRAMMVERSION FROM ADMINISTRATION WHERE ID = 1;"));
    q.exec();
    if (!q.next())
        return 0;
    const QVariant v = q.value(0);
    return v.isNull() ? 0 : v.toInt();
}

void SchemaUpgrade::checkSchemaVersion()
{
    const int version = storedVersion();
    if (version >= CurrentVersion)
        return;
    if (version < 602)
        upgradeSchema();
    SqlQuery q(m_connection, QStringLiteral("UPDATE ADMINISTRATION SET PROGRAMMVERSION = :PARAM;"));
    q.bind(QStringLiteral("PARAM"), CurrentVersion);
    q.exec();
}

namespace {

QString quoted(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

} // namespace

QString SchemaUpgrade::textInsert(const QStringList &languageColumns, const Text &text)
{
    QString columns = QStringLiteral("INSERT INTO SPEECH (TAG");
    for (const QString &c : languageColumns)
        columns += QStringLiteral(", ") + c;
    columns += QLatin1Char(')');
    QString values = QStringLiteral("VALUES (") + QString::number(text.tag);
    for (int i = 0; i < languageColumns.size(); ++i)
        values += QStringLiteral(", ") + quoted(i == 0 ? text.german : text.english);
    values += QLatin1Char(')');
    return columns + QLatin1Char('\n') + values;
}

void SchemaUpgrade::upgradeSchema()
{
    for (const Step &step : printingSteps()) {
        try {
            SqlQuery q(m_connection, step.sql);
            q.exec();
        } catch (const std::exception &e) {
            m_errorLog(step.logPrefix + QString::fromUtf8(e.what()));
        }
    }

    // The language columns are whatever the text table has after TAG.
    SqlQuery probe(m_connection, QStringLiteral("SELECT * FROM SPEECH WHERE TAG = 1000"));
    probe.exec();
    QStringList languages = probe.columnNames();
    languages.removeFirst();

    for (const Text &text : printingTexts()) {
        // A row that is already there (a database upgraded by hand, or a text
        // file import) must not end the start-up: log it and go on.
        try {
            SqlQuery q(m_connection, textInsert(languages, text));
            q.exec();
        } catch (const std::exception &e) {
            m_errorLog(QStringLiteral("INSERT # ") + QString::fromUtf8(e.what()));
        }
    }
}

} // namespace qv::db
