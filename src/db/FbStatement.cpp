#include "db/FbStatement.h"

#include "db/FbApi.h"

#include <ibase.h>

#include <cstring>

using namespace Firebird;

namespace qv::db {

NamedSql NamedSql::parse(const QString &sql)
{
    NamedSql out;
    out.positional.reserve(sql.size());
    const int n = sql.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Copy a quoted literal or identifier unchanged; doubled quotes stay inside.
            int j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out.positional += sql.mid(i, j - i + 1);
            i = j;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = n;
            out.positional += sql.mid(i, j - i);
            i = j - 1;
            continue;
        }
        if (c == QLatin1Char(':') && i + 1 < n && (sql[i + 1].isLetter() || sql[i + 1] == QLatin1Char('_'))) {
            int j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_') || sql[j] == QLatin1Char('$')))
                ++j;
            out.parameters << sql.mid(i + 1, j - i - 1).toUpper();
            out.positional += QLatin1Char('?');
            i = j - 1;
            continue;
        }
        out.positional += c;
    }
    return out;
}

FbStatement::FbStatement(FbConnection &connection, FbTransaction &prepareIn, const QString &sql)
    : m_connection(&connection), m_sql(NamedSql::parse(sql))
{
    try {
        prepare(prepareIn);
    } catch (...) {
        // The destructor does not run for a half-built statement.
        if (m_outMeta)
            m_outMeta->release();
        if (m_statement)
            m_statement->release();
        throw;
    }
    m_values.resize(m_sql.parameters.size());
    m_bound.fill(false, m_sql.parameters.size());
}

void FbStatement::prepare(FbTransaction &prepareIn)
{
    FbConnection &connection = *m_connection;
    fbapi::guarded([&] {
        fbapi::Status st;
        const QByteArray text = m_sql.positional.toUtf8();
        m_statement = connection.handle()->prepare(&st, prepareIn.handle(), 0, text.constData(), SQL_DIALECT_V6,
                                                   IStatement::PREPARE_PREFETCH_METADATA);
        m_type = m_statement->getType(&st);
        IMessageMetadata *out = m_statement->getOutputMetadata(&st);
        const unsigned count = out->getCount(&st);
        if (count > 0) {
            m_outMeta = out;
            m_row.resize(static_cast<int>(out->getMessageLength(&st)));
            m_columns.reserve(static_cast<int>(count));
            for (unsigned i = 0; i < count; ++i) {
                Column c;
                c.name = QString::fromUtf8(out->getAlias(&st, i));
                if (c.name.isEmpty())
                    c.name = QString::fromUtf8(out->getField(&st, i));
                c.type = out->getType(&st, i);
                c.subType = out->getSubType(&st, i);
                c.scale = out->getScale(&st, i);
                c.charSet = out->getCharSet(&st, i);
                c.length = out->getLength(&st, i);
                c.offset = out->getOffset(&st, i);
                c.nullOffset = out->getNullOffset(&st, i);
                m_columns << c;
            }
        } else {
            out->release();
        }
    });
}

FbStatement::~FbStatement()
{
    try {
        close();
    } catch (...) {
    }
    if (m_outMeta)
        m_outMeta->release();
    if (m_statement) {
        try {
            fbapi::Status st;
            m_statement->free(&st);
        } catch (const FbException &) {
            m_statement->release();
        }
    }
}

void FbStatement::bind(const QString &name, const QVariant &value)
{
    const QString key = name.startsWith(QLatin1Char(':')) ? name.mid(1).toUpper() : name.toUpper();
    bool found = false;
    for (int i = 0; i < m_sql.parameters.size(); ++i) {
        if (m_sql.parameters[i] == key) {
            m_values[i] = value;
            m_bound[i] = true;
            found = true;
        }
    }
    if (!found)
        throw FbError(QStringLiteral("statement has no parameter :%1").arg(key));
}

void FbStatement::clearBindings()
{
    for (int i = 0; i < m_values.size(); ++i) {
        m_values[i] = QVariant();
        m_bound[i] = false;
    }
}

bool FbStatement::isSelect() const
{
    return m_type == isc_info_sql_stmt_select || m_type == isc_info_sql_stmt_select_for_upd;
}

namespace {

ISC_TIMESTAMP encodeTimestamp(const QDateTime &dt)
{
    const QDate d = dt.date();
    const QTime t = dt.time();
    ISC_TIMESTAMP ts;
    ts.timestamp_date = fbapi::util()->encodeDate(d.year(), d.month(), d.day());
    ts.timestamp_time = fbapi::util()->encodeTime(t.hour(), t.minute(), t.second(), t.msec() * 10);
    return ts;
}

QDateTime decodeTimestamp(const ISC_TIMESTAMP &ts)
{
    unsigned y, mo, d, h, mi, s, f;
    fbapi::util()->decodeDate(ts.timestamp_date, &y, &mo, &d);
    fbapi::util()->decodeTime(ts.timestamp_time, &h, &mi, &s, &f);
    return QDateTime(QDate(int(y), int(mo), int(d)), QTime(int(h), int(mi), int(s), int(f / 10)));
}

} // namespace

void FbStatement::buildInput(IMessageMetadata *&meta, QByteArray &buffer)
{
    meta = nullptr;
    const int n = m_sql.parameters.size();
    if (n == 0)
        return;
    for (int i = 0; i < n; ++i) {
        if (!m_bound[i])
            throw FbError(QStringLiteral("parameter :%1 is not bound").arg(m_sql.parameters[i]));
    }
    // The message is laid out for the values we hold (text, integer, double,
    // timestamp); the engine converts them to the columns' types.
    QVector<QByteArray> texts(n);
    fbapi::guarded([&] {
        fbapi::Status st;
        IMessageMetadata *declared = m_statement->getInputMetadata(&st);
        IMetadataBuilder *b = declared->getBuilder(&st);
        declared->release();
        for (int i = 0; i < n; ++i) {
            const QVariant &v = m_values[i];
            const unsigned idx = static_cast<unsigned>(i);
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
            case QMetaType::Short:
            case QMetaType::Bool:
                b->setType(&st, idx, SQL_INT64 + 1);
                b->setScale(&st, idx, 0);
                b->setLength(&st, idx, sizeof(ISC_INT64));
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                b->setType(&st, idx, SQL_DOUBLE + 1);
                b->setScale(&st, idx, 0);
                b->setLength(&st, idx, sizeof(double));
                break;
            case QMetaType::QDateTime:
            case QMetaType::QDate:
                b->setType(&st, idx, SQL_TIMESTAMP + 1);
                b->setLength(&st, idx, sizeof(ISC_TIMESTAMP));
                break;
            default: {
                // Text, and NULL of any kind, travel as UTF8 text.
                texts[i] = v.isNull() ? QByteArray() : v.toString().toUtf8();
                // The value travels with a 16-bit length: a longer text would
                // arrive cut to the remainder, without any error.
                if (texts[i].size() > 0xFFFF) {
                    b->release();
                    throw FbError(QStringLiteral("parameter :%1: a text of %2 bytes is too long for a statement value")
                                      .arg(m_sql.parameters[i])
                                      .arg(texts[i].size()));
                }
                b->setType(&st, idx, SQL_VARYING + 1);
                b->setCharSet(&st, idx, 4 /* UTF8 */);
                b->setLength(&st, idx, static_cast<unsigned>(qMax<qsizetype>(texts[i].size(), 1)));
                break;
            }
            }
        }
        meta = b->getMetadata(&st);
        b->release();
        buffer.fill('\0', static_cast<int>(meta->getMessageLength(&st)));
        char *buf = buffer.data();
        for (int i = 0; i < n; ++i) {
            const QVariant &v = m_values[i];
            const unsigned idx = static_cast<unsigned>(i);
            short *nullFlag = reinterpret_cast<short *>(buf + meta->getNullOffset(&st, idx));
            char *data = buf + meta->getOffset(&st, idx);
            const bool isNull = !v.isValid() || v.isNull();
            *nullFlag = isNull ? -1 : 0;
            if (isNull)
                continue;
            switch (meta->getType(&st, idx) & ~1u) {
            case SQL_INT64: {
                const ISC_INT64 x = v.toLongLong();
                std::memcpy(data, &x, sizeof x);
                break;
            }
            case SQL_DOUBLE: {
                const double x = v.toDouble();
                std::memcpy(data, &x, sizeof x);
                break;
            }
            case SQL_TIMESTAMP: {
                const QDateTime dt = v.typeId() == QMetaType::QDate ? v.toDate().startOfDay() : v.toDateTime();
                const ISC_TIMESTAMP ts = encodeTimestamp(dt);
                std::memcpy(data, &ts, sizeof ts);
                break;
            }
            default: {
                const unsigned short len = static_cast<unsigned short>(texts[i].size());
                std::memcpy(data, &len, sizeof len);
                std::memcpy(data + sizeof len, texts[i].constData(), len);
                break;
            }
            }
        }
    });
}

void FbStatement::execute(FbTransaction &tra)
{
    close();
    IMessageMetadata *inMeta = nullptr;
    QByteArray inBuf;
    buildInput(inMeta, inBuf);
    try {
        fbapi::guarded([&] {
            fbapi::Status st;
            m_statement->execute(&st, tra.handle(), inMeta, inMeta ? inBuf.data() : nullptr, m_outMeta,
                                 m_outMeta ? m_row.data() : nullptr);
        });
    } catch (...) {
        if (inMeta)
            inMeta->release();
        throw;
    }
    if (inMeta)
        inMeta->release();
    m_hasRow = m_outMeta != nullptr;
}

void FbStatement::open(FbTransaction &tra)
{
    close();
    IMessageMetadata *inMeta = nullptr;
    QByteArray inBuf;
    buildInput(inMeta, inBuf);
    try {
        fbapi::guarded([&] {
            fbapi::Status st;
            m_cursor = m_statement->openCursor(&st, tra.handle(), inMeta, inMeta ? inBuf.data() : nullptr, m_outMeta,
                                               0);
        });
    } catch (...) {
        if (inMeta)
            inMeta->release();
        throw;
    }
    if (inMeta)
        inMeta->release();
    m_cursorTra = &tra;
    m_hasRow = false;
}

bool FbStatement::next()
{
    if (!m_cursor) {
        m_hasRow = false;
        return false;
    }
    const int r = fbapi::guarded([&] {
        fbapi::Status st;
        return m_cursor->fetchNext(&st, m_row.data());
    });
    m_hasRow = r == IStatus::RESULT_OK;
    if (!m_hasRow)
        close();
    return m_hasRow;
}

void FbStatement::close()
{
    if (!m_cursor)
        return;
    IResultSet *c = m_cursor;
    m_cursor = nullptr;
    try {
        fbapi::Status st;
        c->close(&st);
    } catch (const FbException &) {
        // The cursor died with its transaction; only the handle is left.
        c->release();
    }
}

QStringList FbStatement::columnNames() const
{
    QStringList names;
    for (const Column &c : m_columns)
        names << c.name;
    return names;
}

int FbStatement::columnIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant FbStatement::value(int column) const
{
    if (!m_hasRow || column < 0 || column >= m_columns.size())
        throw FbError(QStringLiteral("no value for column %1").arg(column));
    return decode(m_columns[column]);
}

QVariant FbStatement::value(const QString &column) const
{
    const int i = columnIndex(column);
    if (i < 0)
        throw FbError(QStringLiteral("the result has no column %1").arg(column));
    return value(i);
}

QVariant FbStatement::decode(const Column &c) const
{
    const char *buf = m_row.constData();
    if (*reinterpret_cast<const short *>(buf + c.nullOffset) != 0)
        return QVariant();
    const char *data = buf + c.offset;
    auto scaled = [&](qint64 raw) -> QVariant {
        if (c.scale >= 0)
            return QVariant(raw);
        double d = double(raw);
        for (int s = c.scale; s < 0; ++s)
            d /= 10.0;
        return QVariant(d);
    };
    switch (c.type & ~1u) {
    case SQL_VARYING: {
        unsigned short len;
        std::memcpy(&len, data, sizeof len);
        if (c.charSet == 1 /* OCTETS */)
            return QByteArray(data + sizeof len, len);
        return QString::fromUtf8(data + sizeof len, len);
    }
    case SQL_TEXT: {
        // Fixed-length text comes padded with blanks.
        const int len = static_cast<int>(c.length);
        if (c.charSet == 1)
            return QByteArray(data, len);
        QString s = QString::fromUtf8(data, len);
        while (s.endsWith(QLatin1Char(' ')))
            s.chop(1);
        return s;
    }
    case SQL_SHORT: {
        short x;
        std::memcpy(&x, data, sizeof x);
        return c.scale < 0 ? scaled(x) : QVariant(int(x));
    }
    case SQL_LONG: {
        ISC_LONG x;
        std::memcpy(&x, data, sizeof x);
        return c.scale < 0 ? scaled(x) : QVariant(int(x));
    }
    case SQL_INT64: {
        ISC_INT64 x;
        std::memcpy(&x, data, sizeof x);
        return scaled(x);
    }
    case SQL_FLOAT: {
        float x;
        std::memcpy(&x, data, sizeof x);
        return double(x);
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double x;
        std::memcpy(&x, data, sizeof x);
        return x;
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, data, sizeof ts);
        return decodeTimestamp(ts);
    }
    case SQL_TYPE_DATE: {
        ISC_DATE d;
        std::memcpy(&d, data, sizeof d);
        unsigned y, mo, dd;
        fbapi::util()->decodeDate(d, &y, &mo, &dd);
        return QDate(int(y), int(mo), int(dd));
    }
    case SQL_TYPE_TIME: {
        ISC_TIME t;
        std::memcpy(&t, data, sizeof t);
        unsigned h, mi, s, f;
        fbapi::util()->decodeTime(t, &h, &mi, &s, &f);
        return QTime(int(h), int(mi), int(s), int(f / 10));
    }
    case SQL_BOOLEAN:
        return bool(*reinterpret_cast<const unsigned char *>(data));
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, data, sizeof id);
        // A blob is read through the transaction of the open cursor.
        if (!m_cursorTra)
            throw FbError(QStringLiteral("blob columns can only be read from a cursor"));
        QByteArray bytes;
        fbapi::guarded([&] {
            fbapi::Status st;
            IBlob *blob = m_connection->handle()->openBlob(&st, m_cursorTra->handle(), &id, 0, nullptr);
            char chunk[16384];
            for (;;) {
                unsigned got = 0;
                const int r = blob->getSegment(&st, sizeof chunk, chunk, &got);
                if (r == IStatus::RESULT_NO_DATA)
                    break;
                bytes.append(chunk, static_cast<int>(got));
            }
            blob->close(&st);
        });
        if (c.subType == 1)
            return QString::fromUtf8(bytes);
        return bytes;
    }
    default:
        throw FbError(QStringLiteral("unsupported column type %1 of %2").arg(c.type).arg(c.name));
    }
}

} // namespace qv::db
