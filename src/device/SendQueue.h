#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace qv::device {

// The send queue. Each entry is a retry digit, an address character and the
// payload after the address. Sending the head puts a copy with the next
// retry digit at the end, so a telegram goes out at most three times,
// interleaved with whatever else is queued; an acknowledgement removes that
// copy again.
class SendQueue {
public:
    struct Telegram {
        QChar address;
        QString payload; // address character + kind letter + fields
    };

    void append(const QString &entry);
    bool isEmpty() const { return m_entries.isEmpty(); }
    int size() const { return m_entries.size(); }
    QStringList entries() const;

    // Removes the head and, unless it was on its last attempt, appends its
    // retry copy. The queue must not be empty.
    Telegram takeHead();
    // The telegram sent last from the queue was acknowledged: its retry copy
    // goes, if it is still queued.
    void acknowledge();

private:
    struct Entry {
        QString text;
        quint64 id;
    };
    QVector<Entry> m_entries;
    quint64 m_nextId = 1;
    quint64 m_lastRetryCopy = 0; // 0: none
};

} // namespace qv::device
