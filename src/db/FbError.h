#pragma once

#include <QString>
#include <stdexcept>

namespace qv::db {

// A database error as the engine reported it: its message text and the codes
// callers may branch on (sqlcode, the first gds code, SQLSTATE).
class FbError : public std::runtime_error {
public:
    FbError(const QString &message, int sqlCode = 0, long gdsCode = 0, const QString &sqlState = {})
        : std::runtime_error(message.toStdString()), m_message(message), m_sqlCode(sqlCode),
          m_gdsCode(gdsCode), m_sqlState(sqlState)
    {
    }

    QString message() const { return m_message; }
    int sqlCode() const { return m_sqlCode; }
    long gdsCode() const { return m_gdsCode; }
    QString sqlState() const { return m_sqlState; }

private:
    QString m_message;
    int m_sqlCode;
    long m_gdsCode;
    QString m_sqlState;
};

} // namespace qv::db
