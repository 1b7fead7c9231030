#include "language/SpeechTable.h"

#include "db/SqlQuery.h"

namespace qv::language {

QString SpeechTable::missingText(int tag)
{
    return QStringLiteral("Error[S=") + QString::number(tag) + QLatin1Char(']');
}

QString SpeechTable::GetSpeechText(const QString &speech, int tag)
{
    const QString column = speech + QLatin1Char('_');
    db::SqlQuery q(m_connection, QStringList{QStringLiteral("SELECT TAG, ") + column, QStringLiteral("FROM SPEECH"),
                                             QStringLiteral("WHERE TAG = :ID")});
    q.bind(QStringLiteral("ID"), tag);
    q.exec();
    if (!q.next())
        return missingText(tag);
    return q.value(1).toString();
}

QMap<int, QString> SpeechTable::allTexts(const QString &speech)
{
    const QString column = speech + QLatin1Char('_');
    db::SqlQuery q(m_connection, QStringList{QStringLiteral("SELECT TAG, ") + column, QStringLiteral("FROM SPEECH")});
    q.exec();
    QMap<int, QString> texts;
    while (q.next())
        texts.insert(q.value(0).toInt(), q.value(1).toString());
    return texts;
}

QStringList SpeechTable::languageColumns()
{
    try {
        db::SqlQuery q(m_connection, QStringLiteral("SELECT * FROM SPEECH WHERE 1 = 0;"));
        q.exec();
        QStringList names = q.columnNames();
        if (!names.isEmpty())
            names.removeFirst();
        return names;
    } catch (const std::exception &) {
        return {};
    }
}

QString SpeechTable::codeOfColumn(const QString &column)
{
    QString code = column;
    code.remove(QLatin1Char('_'));
    return code;
}

} // namespace qv::language
