#include "db/GridModel.h"

#include "db/DisplayFormats.h"
#include "db/FbStatement.h"

#include <QDateTime>
#include <QLocale>

namespace qv::db {

ColumnFormat ColumnFormat::fromDisplayFormat(const QString &format)
{
    const int dot = format.indexOf(QLatin1Char('.'));
    return number(dot < 0 ? 0 : int(format.size() - dot - 1));
}

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

GridModel::~GridModel()
{
    close();
}

void GridModel::setStatement(const QString &sql)
{
    m_sql = sql;
}

void GridModel::setParameter(const QString &name, const QVariant &value)
{
    for (auto &p : m_parameters) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_parameters.append({name, value});
}

void GridModel::clearParameters()
{
    m_parameters.clear();
}

void GridModel::open(FbConnection &connection)
{
    m_connection = &connection;
    beginResetModel();
    try {
        m_statement.reset();
        m_transaction.reset();
        m_rows.clear();
        m_atEnd = false;
        m_transaction = std::make_unique<FbTransaction>(connection, FbTransaction::Kind::ReadOnlyCommitted);
        m_statement = std::make_unique<FbStatement>(connection, *m_transaction, m_sql);
        for (const auto &[name, value] : m_parameters)
            m_statement->bind(name, value);
        m_fields = m_statement->columnNames();
        m_statement->open(*m_transaction);
        m_rows = readBatch(BatchSize);
    } catch (...) {
        m_statement.reset();
        m_transaction.reset();
        m_rows.clear();
        m_atEnd = false;
        endResetModel();
        throw;
    }
    endResetModel();
}

void GridModel::refresh()
{
    if (isOpen() && m_connection)
        open(*m_connection);
}

void GridModel::close()
{
    m_statement.reset();
    if (m_transaction) {
        try {
            m_transaction->commit();
        } catch (...) {
        }
        m_transaction.reset();
    }
}

QVector<QVector<QVariant>> GridModel::readBatch(int count)
{
    QVector<QVector<QVariant>> rows;
    if (!m_statement)
        return rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        if (!m_statement->next()) {
            // Everything is read: end the transaction, keep the rows.
            m_atEnd = true;
            close();
            break;
        }
        QVector<QVariant> row;
        row.reserve(m_statement->columnCount());
        for (int c = 0; c < m_statement->columnCount(); ++c)
            row << m_statement->value(c);
        rows << row;
    }
    return rows;
}

void GridModel::setFieldFormat(const QString &field, const ColumnFormat &format)
{
    m_formats.insert(field.toUpper(), format);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

void GridModel::clearFieldFormats()
{
    m_formats.clear();
}

void GridModel::setFieldTitle(const QString &field, const QString &title)
{
    m_titles.insert(field.toUpper(), title);
    const int c = fieldIndex(field);
    if (c >= 0)
        emit headerDataChanged(Qt::Horizontal, c, c);
}

int GridModel::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant GridModel::rawValue(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_fields.size())
        return {};
    return m_rows[row][column];
}

QVariant GridModel::rawValue(int row, const QString &field) const
{
    return rawValue(row, fieldIndex(field));
}

QString GridModel::displayText(int row, int column) const
{
    const QVariant v = rawValue(row, column);
    if (v.isNull())
        return {};
    const auto f = m_formats.constFind(m_fields.value(column).toUpper());
    if (f == m_formats.constEnd())
        return v.toString();
    // Display formats such as "0.000" have no thousands grouping.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    switch (f->kind) {
    case ColumnFormat::Kind::Number:
        return locale.toString(v.toDouble(), 'f', f->decimals);
    case ColumnFormat::Kind::DateTime: {
        return dateTimeText(locale, v.toDateTime());
    }
    case ColumnFormat::Kind::Plain:
        break;
    }
    return v.toString();
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return displayText(index.row(), index.column());
    if (role == Qt::EditRole)
        return rawValue(index.row(), index.column());
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString field = m_fields.value(section);
    return m_titles.value(field.toUpper(), field);
}

bool GridModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_statement != nullptr && !m_atEnd;
}

void GridModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    const QVector<QVector<QVariant>> rows = readBatch(BatchSize);
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows += rows;
    endInsertRows();
}

} // namespace qv::db
