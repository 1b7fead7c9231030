#pragma once

#include "db/FbConnection.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

namespace Firebird {
class IStatement;
class IMessageMetadata;
class IResultSet;
} // namespace Firebird

namespace qv::db {

// SQL text with named parameters (":NAME") turned into positional ones.
struct NamedSql {
    QString positional;     // the text with every :NAME replaced by ?
    QStringList parameters; // names in order of appearance (upper case)

    static NamedSql parse(const QString &sql);
};

// A prepared statement with parameters bound by name. Values come in as
// QVariant: string, integer, double, date-time, or a null QVariant for NULL.
// Selects are read through a cursor with next(); other statements (including
// INSERT ... RETURNING) run with execute(), whose returned row is then the
// current row.
class FbStatement {
public:
    FbStatement(FbConnection &connection, FbTransaction &prepareIn, const QString &sql);
    ~FbStatement();
    FbStatement(const FbStatement &) = delete;
    FbStatement &operator=(const FbStatement &) = delete;

    void bind(const QString &name, const QVariant &value);
    void clearBindings();
    QStringList parameterNames() const { return m_sql.parameters; }

    bool isSelect() const;
    // Runs a non-select statement; a statement with RETURNING leaves its row.
    void execute(FbTransaction &tra);
    // Opens the cursor of a select; fetch rows with next().
    void open(FbTransaction &tra);
    bool next();
    void close();

    int columnCount() const { return static_cast<int>(m_columns.size()); }
    QStringList columnNames() const;
    int columnIndex(const QString &name) const; // -1 when absent; case-insensitive
    QVariant value(int column) const;
    QVariant value(const QString &column) const;

private:
    struct Column {
        QString name;
        unsigned type = 0;
        int subType = 0;
        int scale = 0;
        unsigned charSet = 0;
        unsigned length = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
    };

    void prepare(FbTransaction &prepareIn);
    void buildInput(Firebird::IMessageMetadata *&meta, QByteArray &buffer);
    QVariant decode(const Column &c) const;

    FbConnection *m_connection;
    NamedSql m_sql;
    Firebird::IStatement *m_statement = nullptr;
    Firebird::IMessageMetadata *m_outMeta = nullptr;
    Firebird::IResultSet *m_cursor = nullptr;
    FbTransaction *m_cursorTra = nullptr;
    QVector<QVariant> m_values; // by positional parameter
    QVector<bool> m_bound;
    QVector<Column> m_columns;
    QByteArray m_row;
    bool m_hasRow = false;
    unsigned m_type = 0;
};

} // namespace qv::db
