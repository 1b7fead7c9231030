#pragma once

#include <QString>

namespace qv::device {

// The communication log for the service technician: while switched on, one
// line per telegram or decision is appended to "log-dd-mm-yyyy.txt" in the
// user data folder, a new file each day. Each line is opened, written and
// closed; nothing is buffered. Failures are thrown to the caller.
class CommunicationLog {
public:
    explicit CommunicationLog(QString directory) : m_directory(std::move(directory)) {}

    bool WriteLog() const { return m_writeLog; }
    void SetWriteLog(bool value) { m_writeLog = value; }

    // The file a line written now goes to.
    QString currentFileName() const;
    // Appends one line, whether or not the switch is on; callers check it.
    void WriteCommunicationLog(const QString &text, bool sent);

private:
    QString m_directory; // ends with a separator
    bool m_writeLog = false;
};

} // namespace qv::device
