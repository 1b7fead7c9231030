#pragma once

// Small helpers the database tests share: open a copy of the delivered
// database and run a statement or read one value in a line.

#include "TestSupport.h"

#include "db/FbConnection.h"
#include "db/SqlQuery.h"

#include <QVariant>

namespace qv::test {

inline void attachFile(db::FbConnection &connection, const QString &file)
{
    db::FbConnectionParams p;
    p.database = file;
    connection.attach(p);
}

inline void run(db::FbConnection &connection, const QString &sql)
{
    db::SqlQuery q(connection, sql);
    q.exec();
}

// The first column of the first row; a null QVariant when there is no row.
inline QVariant scalar(db::FbConnection &connection, const QString &sql)
{
    db::SqlQuery q(connection, sql);
    q.exec();
    return q.next() ? q.value(0) : QVariant();
}

inline int count(db::FbConnection &connection, const QString &where)
{
    return scalar(connection, QStringLiteral("SELECT COUNT(*) FROM ") + where).toInt();
}

// Transactions this attachment holds open, besides the one asking.
inline int otherOpenTransactions(db::FbConnection &connection)
{
    return scalar(connection, QStringLiteral("SELECT COUNT(*) FROM MON$TRANSACTIONS "
                                             "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION"))
               .toInt()
           - 1;
}

} // namespace qv::test
