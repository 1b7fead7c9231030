#pragma once

#include "db/FbConnection.h"
#include "db/GridModel.h"

#include <QObject>
#include <QString>

namespace qv::db {

// The data module: the program's one database connection, the grid queries
// the main window shows, and the small helpers every part of the program
// shares.
class TDatenmodul : public QObject {
    Q_OBJECT
public:
    explicit TDatenmodul(QObject *parent = nullptr);
    ~TDatenmodul() override;

    // (Re)connects; never throws. An empty server name opens the local file
    // through the embedded engine. The client library comes from the system,
    // so DllDirectory is only kept for the record.
    bool ConnectToDatabase(const QString &ServerName, const QString &DatabaseName, const QString &DllDirectory,
                           int PortNumber);
    void Disconnect();
    bool isConnected() const { return m_connection.isAttached(); }
    // Why the last connect failed, for the error log.
    QString lastConnectError() const { return m_lastConnectError; }

    FbConnection &connection() { return m_connection; }

    QString GetUsernameForNumber(int Nummer);

    // Sets one column of the rows whose condition column equals the condition
    // value. The value is written into the statement text, so anything but
    // digits is refused.
    void UpdateOneTableDataRecord(const QString &Tabelle, const QString &Feld, const QString &FeldWert,
                                  const QString &Bedingung, const QString &BedingungWert);
    void UpdateOneTableDataRecord(const QString &Tabelle, const QString &Feld, qint64 FeldWert,
                                  const QString &Bedingung, const QString &BedingungWert);

    // The text of the database page's information tool-tip.
    QString databaseInformation() const;

    GridModel *QueryGridOpenOrders() { return &m_gridOpenOrders; }
    GridModel *QueryGridResultData() { return &m_gridResultData; }

    static QString designStatementOpenOrders();
    static QString designStatementResultData();

    // Display formats, applied each time a grid query opens.
    void QueryGridOpenOrdersAfterOpen(const QString &Ausgabeformat);
    void QueryGridResultDataAfterOpen(const QString &Ausgabeformat);

private:
    void updateOne(const QString &Tabelle, const QString &Feld, const QVariant &value, const QString &Bedingung,
                   const QString &BedingungWert);

    FbConnection m_connection;
    QString m_lastConnectError;
    GridModel m_gridOpenOrders;
    GridModel m_gridResultData;
};

} // namespace qv::db
