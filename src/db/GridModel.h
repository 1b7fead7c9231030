#pragma once

#include "db/FbConnection.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <memory>

namespace qv::db {

class FbStatement;

// How a grid shows one column's values.
struct ColumnFormat {
    enum class Kind { Plain, Number, DateTime };
    Kind kind = Kind::Plain;
    int decimals = 0; // for numbers: "0" .. "0.000"

    static ColumnFormat plain() { return {}; }
    static ColumnFormat number(int decimals) { return {Kind::Number, decimals}; }
    static ColumnFormat dateTime() { return {Kind::DateTime, 0}; }
    // From a display format text such as "0.00".
    static ColumnFormat fromDisplayFormat(const QString &format);
};

// Read-only grid model over a select. Rows are fetched in batches as the view
// scrolls, through a read-only read-committed transaction that never holds
// back the database's garbage collection while the grid stays open.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);
    ~GridModel() override;

    void setStatement(const QString &sql);
    QString statement() const { return m_sql; }
    void setParameter(const QString &name, const QVariant &value);
    void clearParameters();

    // Opens (or re-opens) the select on the connection; the first batch is read.
    void open(FbConnection &connection);
    void close();
    // Re-runs the current statement with its parameters, if it is open.
    void refresh();
    bool isOpen() const { return m_statement != nullptr || m_atEnd; }

    // Display formats apply by field name (case-insensitive).
    void setFieldFormat(const QString &field, const ColumnFormat &format);
    void clearFieldFormats();
    void setFieldTitle(const QString &field, const QString &title);

    QStringList fieldNames() const { return m_fields; }
    int fieldIndex(const QString &name) const;
    QVariant rawValue(int row, int column) const;
    QVariant rawValue(int row, const QString &field) const;
    QString displayText(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent = {}) const override;
    void fetchMore(const QModelIndex &parent = {}) override;

    static constexpr int BatchSize = 256;

private:
    QVector<QVector<QVariant>> readBatch(int count);

    QString m_sql;
    FbConnection *m_connection = nullptr;
    QVector<QPair<QString, QVariant>> m_parameters;
    std::unique_ptr<FbTransaction> m_transaction;
    std::unique_ptr<FbStatement> m_statement;
    QStringList m_fields;
    QVector<QVector<QVariant>> m_rows;
    QHash<QString, ColumnFormat> m_formats;
    QHash<QString, QString> m_titles;
    bool m_atEnd = false;
};

} // namespace qv::db
