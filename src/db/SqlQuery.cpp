#include "db/SqlQuery.h"

#include "db/FbStatement.h"

namespace qv::db {

SqlQuery::SqlQuery(FbConnection &connection, const QString &sql) : m_connection(&connection), m_sql(sql) {}

SqlQuery::SqlQuery(FbConnection &connection, const QStringList &lines)
    : m_connection(&connection), m_sql(lines.join(QLatin1Char('\n')))
{
}

SqlQuery &SqlQuery::bind(const QString &name, const QVariant &value)
{
    m_bindings.append({name, value});
    return *this;
}

void SqlQuery::exec()
{
    m_rows.clear();
    m_columns.clear();
    m_current = -1;

    // Prepare in a read-only transaction: cheap, and a select then runs in it.
    FbTransaction reader(*m_connection, FbTransaction::Kind::ReadOnlyCommitted);
    FbStatement st(*m_connection, reader, m_sql);
    for (const auto &[name, value] : m_bindings)
        st.bind(name, value);
    m_columns = st.columnNames();

    auto takeRow = [&] {
        QVector<QVariant> row;
        row.reserve(st.columnCount());
        for (int i = 0; i < st.columnCount(); ++i)
            row << st.value(i);
        m_rows << row;
    };

    if (st.isSelect()) {
        st.open(reader);
        while (st.next())
            takeRow();
        reader.commit();
        return;
    }
    reader.commit();
    FbTransaction writer(*m_connection, FbTransaction::Kind::Write);
    st.execute(writer);
    if (st.columnCount() > 0)
        takeRow();
    writer.commit();
}

bool SqlQuery::next()
{
    if (m_current + 1 >= m_rows.size()) {
        m_current = m_rows.size();
        return false;
    }
    ++m_current;
    return true;
}

QVariant SqlQuery::value(int column) const
{
    const int row = m_current < 0 ? 0 : m_current;
    if (row >= m_rows.size() || column < 0 || column >= m_columns.size())
        throw FbError(QStringLiteral("no current row or no column %1").arg(column));
    return m_rows[row][column];
}

QVariant SqlQuery::value(const QString &column) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(column, Qt::CaseInsensitive) == 0)
            return value(i);
    throw FbError(QStringLiteral("the result has no column %1").arg(column));
}

} // namespace qv::db
