#include "app/AdminPasswords.h"

#include "db/SqlQuery.h"
#include "db/TDatenmodul.h"

namespace qv::app {

void AdminPasswords::store(qv::db::TDatenmodul &db, const QString &workstationKey, const QString &password)
{
    qv::db::SqlQuery q(db.connection(), QStringLiteral("UPDATE SETTINGS SET USERPASSWORD = :USERPASSWORD WHERE "
                                                       "IDENTIFICATIONNUMBER = :IDENTIFICATIONNUMBER"));
    q.bind(QStringLiteral("USERPASSWORD"), password);
    q.bind(QStringLiteral("IDENTIFICATIONNUMBER"), workstationKey);
    q.exec();
}

AdminPasswords::ChangeResult AdminPasswords::change(qv::db::TDatenmodul &db, const QString &workstationKey,
                                                    QString &stored, const QString &oldPassword,
                                                    const QString &newPassword, const QString &confirmation)
{
    if (oldPassword != stored)
        return ChangeResult::WrongOldPassword;
    const QString fresh = newPassword.trimmed();
    if (fresh != confirmation.trimmed())
        return ChangeResult::Mismatch;
    store(db, workstationKey, fresh);
    stored = fresh;
    return ChangeResult::Changed;
}

void AdminPasswords::reset(qv::db::TDatenmodul &db, const QString &workstationKey, QString &stored)
{
    store(db, workstationKey, QString());
    stored.clear();
}

} // namespace qv::app
