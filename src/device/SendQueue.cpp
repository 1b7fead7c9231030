#include "device/SendQueue.h"

#include <algorithm>

namespace qv::device {

void SendQueue::append(const QString &entry)
{
    m_entries.append({entry, m_nextId++});
}

QStringList SendQueue::entries() const
{
    QStringList list;
    for (const Entry &e : m_entries)
        list << e.text;
    return list;
}

SendQueue::Telegram SendQueue::takeHead()
{
    const QString head = m_entries.takeFirst().text;
    // A first character that is not a digit makes the entry a last attempt.
    const QChar digit = head.isEmpty() ? QChar() : head.at(0);
    const int attempt = (digit >= QLatin1Char('0') && digit <= QLatin1Char('9')) ? digit.digitValue() + 1 : 4;
    const QString rest = head.mid(1);
    m_lastRetryCopy = 0;
    if (attempt < 3) {
        m_lastRetryCopy = m_nextId;
        append(QString::number(attempt) + rest);
    }
    return {rest.isEmpty() ? QChar() : rest.at(0), rest};
}

void SendQueue::acknowledge()
{
    if (m_lastRetryCopy == 0)
        return;
    const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                 [this](const Entry &e) { return e.id == m_lastRetryCopy; });
    if (it != m_entries.end())
        m_entries.erase(it);
    m_lastRetryCopy = 0;
}

} // namespace qv::device
