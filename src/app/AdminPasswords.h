#pragma once

#include <QString>

namespace qv::db {
class TDatenmodul;
}

namespace qv::app {

// The workstation's administrator password, kept in its settings row.
class AdminPasswords {
public:
    enum class ChangeResult { WrongOldPassword, Mismatch, Changed };

    // Exact comparison: case-sensitive, nothing trimmed.
    static bool matches(const QString &typed, const QString &stored) { return typed == stored; }

    // Changes the stored password when old matches exactly and the trimmed
    // new and confirmed texts agree; stored is updated only after the
    // database accepted the new one. An empty new password removes it.
    static ChangeResult change(qv::db::TDatenmodul &db, const QString &workstationKey, QString &stored,
                               const QString &oldPassword, const QString &newPassword, const QString &confirmation);

    // Clears the password (the reset with the day's service code).
    static void reset(qv::db::TDatenmodul &db, const QString &workstationKey, QString &stored);

private:
    static void store(qv::db::TDatenmodul &db, const QString &workstationKey, const QString &password);
};

} // namespace qv::app
