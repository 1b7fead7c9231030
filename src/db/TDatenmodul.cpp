#include "db/TDatenmodul.h"

#include "db/SqlQuery.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace qv::db {

TDatenmodul::TDatenmodul(QObject *parent) : QObject(parent)
{
    m_gridOpenOrders.setObjectName(QStringLiteral("QueryGridOpenOrders"));
    m_gridResultData.setObjectName(QStringLiteral("QueryGridResultData"));
    m_gridOpenOrders.setStatement(designStatementOpenOrders());
    m_gridResultData.setStatement(designStatementResultData());
}

TDatenmodul::~TDatenmodul()
{
    Disconnect();
}

bool TDatenmodul::ConnectToDatabase(const QString &ServerName, const QString &DatabaseName,
                                    const QString &DllDirectory, int PortNumber)
{
    Q_UNUSED(DllDirectory);
    m_lastConnectError.clear();
    try {
        Disconnect();
        FbConnectionParams p;
        p.server = ServerName;
        p.port = PortNumber;
        p.database = DatabaseName;
        m_connection.attach(p);
    } catch (const std::exception &e) {
        m_lastConnectError = QString::fromUtf8(e.what());
    }
    return m_connection.isAttached();
}

void TDatenmodul::Disconnect()
{
    m_gridOpenOrders.close();
    m_gridResultData.close();
    try {
        m_connection.detach();
    } catch (...) {
    }
}

QString TDatenmodul::GetUsernameForNumber(int Nummer)
{
    SqlQuery q(m_connection, QStringLiteral("SELECT USERNAME FROM USERNAME WHERE USERNUMBER = :USERNUMBER"));
    q.bind(QStringLiteral("USERNUMBER"), Nummer);
    q.exec();
    QString name;
    if (q.next())
        name = q.value(0).toString();
    if (name.isEmpty())
        name = QStringLiteral("%1").arg(Nummer, 3, 10, QLatin1Char('0'));
    return name;
}

void TDatenmodul::UpdateOneTableDataRecord(const QString &Tabelle, const QString &Feld, const QString &FeldWert,
                                           const QString &Bedingung, const QString &BedingungWert)
{
    updateOne(Tabelle, Feld, FeldWert, Bedingung, BedingungWert);
}

void TDatenmodul::UpdateOneTableDataRecord(const QString &Tabelle, const QString &Feld, qint64 FeldWert,
                                           const QString &Bedingung, const QString &BedingungWert)
{
    updateOne(Tabelle, Feld, FeldWert, Bedingung, BedingungWert);
}

void TDatenmodul::updateOne(const QString &Tabelle, const QString &Feld, const QVariant &value,
                            const QString &Bedingung, const QString &BedingungWert)
{
    // The condition value goes into the statement text unquoted; only a plain
    // number is safe there. Anchored to the whole text: "$" alone would also
    // let a trailing line break through.
    static const QRegularExpression digits(QRegularExpression::anchoredPattern(QStringLiteral("[0-9]+")));
    if (!digits.match(BedingungWert).hasMatch())
        throw FbError(QStringLiteral("refused update of %1.%2: the condition value \"%3\" is not a number")
                          .arg(Tabelle, Feld, BedingungWert));
    SqlQuery q(m_connection, QStringLiteral("UPDATE ") + Tabelle + QStringLiteral(" SET ") + Feld
                                 + QStringLiteral(" = :VALUE WHERE ") + Bedingung + QStringLiteral(" = ")
                                 + BedingungWert);
    q.bind(QStringLiteral("VALUE"), value);
    q.exec();
}

QString TDatenmodul::databaseInformation() const
{
    const FbConnectionParams &p = m_connection.params();
    QString text;
    if (!p.server.isEmpty())
        text = QStringLiteral("server=") + p.server + QStringLiteral("  database=") + p.database;
    else
        text = QStringLiteral("database=") + QFileInfo(p.database).fileName();
    return text.toLower();
}

QString TDatenmodul::designStatementOpenOrders()
{
    return QStringLiteral("SELECT\n"
                          "  DISPENSINGDATA.DISPENSING,\n"
                          "  DISPENSINGDATA.ORDERNUMBER,\n"
                          "  DISPENSINGDATA.ORDERPOSITION,\n"
                          "  DISPENSINGDATA.QUALITY,\n"
                          "  DISPENSINGDATA.VRK,\n"
                          "  DISPENSINGDATA.POINT,\n"
                          "  DISPENSINGDATA.ADDITIONAL,\n"
                          "  DISPENSINGDATA.STATUS,\n"
                          "  DISPENSINGDATA.SOLL,\n"
                          "  DISPENSINGDATA.IST,\n"
                          "  DISPENSINGDATA.ACTUAL,\n"
                          "  DISPENSINGDATA.DISPENSINGDATETIME,\n"
                          "  STATUS.TOKEN,\n"
                          "  STATUS.LABEL,\n"
                          "  QUALITYNAME.QUALITYNAME\n"
                          "FROM\n"
                          "  DISPENSINGDATA\n"
                          "  INNER JOIN STATUS ON DISPENSINGDATA.STATUS = STATUS.STATUS\n"
                          "  INNER JOIN QUALITYNAME ON DISPENSINGDATA.QUALITY = QUALITYNAME.QUALITY\n"
                          "WHERE\n"
                          "  DISPENSINGDATA.STATUS <= 4\n"
                          "ORDER BY\n"
                          "  DISPENSINGDATA.DISPENSINGDATETIME DESC");
}

QString TDatenmodul::designStatementResultData()
{
    return QStringLiteral("SELECT\n"
                          "  DISPENSINGDATA.ORDERNUMBER,\n"
                          "  DISPENSINGDATA.ORDERPOSITION,\n"
                          "  DISPENSINGDATA.QUALITY,\n"
                          "  DISPENSINGDATA.QUALITYNAME,\n"
                          "  DISPENSINGDATA.VRK,\n"
                          "  DISPENSINGDATA.POINT,\n"
                          "  DISPENSINGDATA.USERNUMBER,\n"
                          "  DISPENSINGDATA.USERNAME,\n"
                          "  DISPENSINGDATA.ADDITIONAL,\n"
                          "  DISPENSINGDATA.STATUS,\n"
                          "  DISPENSINGDATA.SOLL,\n"
                          "  DISPENSINGDATA.IST,\n"
                          "  DISPENSINGDATA.DISPENSINGDATETIME,\n"
                          "  DISPENSINGDATA.DISPENSING,\n"
                          "  STATUS.TOKEN,\n"
                          "  STATUS.LABEL,\n"
                          "  QUALITYNAME.QUALITYNAME AS Q1\n"
                          "FROM\n"
                          "  DISPENSINGDATA\n"
                          "  INNER JOIN STATUS ON DISPENSINGDATA.STATUS = STATUS.STATUS\n"
                          "  INNER JOIN QUALITYNAME ON DISPENSINGDATA.QUALITY = QUALITYNAME.QUALITY\n"
                          "WHERE\n"
                          "  DISPENSINGDATA.STATUS >= 3\n"
                          "ORDER BY\n"
                          "  DISPENSINGDATA.DISPENSINGDATETIME DESC");
}

void TDatenmodul::QueryGridOpenOrdersAfterOpen(const QString &Ausgabeformat)
{
    const ColumnFormat f = ColumnFormat::fromDisplayFormat(Ausgabeformat);
    for (const char *field : {"SOLL", "IST", "ACTUAL"})
        m_gridOpenOrders.setFieldFormat(QString::fromLatin1(field), f);
}

void TDatenmodul::QueryGridResultDataAfterOpen(const QString &Ausgabeformat)
{
    const ColumnFormat f = ColumnFormat::fromDisplayFormat(Ausgabeformat);
    for (const char *field : {"SOLL", "IST"})
        m_gridResultData.setFieldFormat(QString::fromLatin1(field), f);
    m_gridResultData.setFieldFormat(QStringLiteral("DISPENSINGDATETIME"), ColumnFormat::dateTime());
}

} // namespace qv::db
