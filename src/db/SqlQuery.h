#pragma once

#include "db/FbConnection.h"

#include <QStringList>
#include <QVariant>
#include <QVector>

namespace qv::db {

// The short-lived query every operation uses: set the text, bind parameters
// by name, run. A writing statement runs in its own short transaction that
// commits as soon as it completes (a failure rolls back and leaves the data
// as it was); a select reads its rows in a read-only read-committed
// transaction and keeps them, so nothing stays open afterwards.
class SqlQuery {
public:
    SqlQuery(FbConnection &connection, const QString &sql);
    SqlQuery(FbConnection &connection, const QStringList &lines);

    SqlQuery &bind(const QString &name, const QVariant &value);
    void exec();

    // Rows of a select, or the row a RETURNING clause gave back. Before the
    // first next() the values are those of the first row.
    bool next();
    int rowCount() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }
    QStringList columnNames() const { return m_columns; }
    QVariant value(int column) const;
    QVariant value(const QString &column) const;

private:
    FbConnection *m_connection;
    QString m_sql;
    QVector<QPair<QString, QVariant>> m_bindings;
    QStringList m_columns;
    QVector<QVector<QVariant>> m_rows;
    int m_current = -1;
};

} // namespace qv::db
