#include "device/DeviceContext.h"

#include "db/SqlQuery.h"

namespace qv::device {

int ProductAtPoint(qv::db::FbConnection &db, int addressIndex, int point)
{
    qv::db::SqlQuery q(db, QStringLiteral("SELECT QUALITY FROM QUALITY WHERE VRK = :VRK AND POINT = :POINT"));
    q.bind(QStringLiteral("VRK"), addressIndex).bind(QStringLiteral("POINT"), point);
    q.exec();
    if (!q.next())
        return 0;
    // The master data page stores three digits; anything else (a null, a
    // typing accident) means no product rather than a failed request.
    bool ok = false;
    const int product = q.value(0).toString().trimmed().toInt(&ok);
    return ok ? product : 0;
}

} // namespace qv::device
