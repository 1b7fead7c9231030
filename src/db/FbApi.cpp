#include "db/FbApi.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <ibase.h>

#include <cstdlib>
#include <unistd.h>

namespace qv::db::fbapi {

Firebird::IMaster *master()
{
    static Firebird::IMaster *m = [] {
        prepareEnvironment();
        return Firebird::fb_get_master_interface();
    }();
    return m;
}

Firebird::IUtil *util()
{
    static Firebird::IUtil *u = master()->getUtilInterface();
    return u;
}

Firebird::IProvider *provider()
{
    static Firebird::IProvider *p = master()->getDispatcher();
    return p;
}

void prepareEnvironment()
{
    // The embedded engine keeps its lock files in /tmp/firebird, which only
    // root may write on a stock installation. A normal user gets a folder of
    // their own unless the environment already names one.
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QString standard = QStringLiteral("/tmp/firebird");
    QFileInfo info(standard);
    if (info.isDir() && info.isWritable())
        return;
    if (!info.exists() && geteuid() == 0)
        return;
    const QString own = QDir::tempPath() + QStringLiteral("/quorvane-firebird-") + QString::number(geteuid());
    QDir().mkpath(own);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
}

Status::Status() : m_status(master()->getStatus()), m_wrapper(m_status) {}

Status::~Status()
{
    m_status->dispose();
}

void rethrow(const Firebird::FbException &e)
{
    const Firebird::IStatus *st = e.getStatus();
    char text[2048] = {};
    util()->formatStatus(text, sizeof text - 1, const_cast<Firebird::IStatus *>(st));
    const ISC_STATUS *vector = const_cast<Firebird::IStatus *>(st)->getErrors();
    const int sqlCode = isc_sqlcode(vector);
    char state[6] = {};
    fb_sqlstate(state, vector);
    long gds = 0;
    if (vector[0] == isc_arg_gds)
        gds = static_cast<long>(vector[1]);
    throw FbError(QString::fromUtf8(text).trimmed(), sqlCode, gds, QString::fromLatin1(state));
}

} // namespace qv::db::fbapi
