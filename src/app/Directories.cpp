#include "app/Directories.h"

#include <QFileInfo>
#include <QtGlobal>

namespace qv::app {

namespace {
QString withSlash(QString path)
{
    if (!path.endsWith(QLatin1Char('/')))
        path.append(QLatin1Char('/'));
    return path;
}
} // namespace

Directories Directories::resolve(const QString &programFile)
{
    Directories d;
    d.ExeProgramDirectory = withSlash(QFileInfo(programFile).absolutePath());
    // The machine-wide data folder; the environment variable moves it for
    // tests and for installations without access to /var/lib.
    const QString overridden = qEnvironmentVariable("QUORVANE_PROGRAMDATA");
    d.ProgramDataDirectory = overridden.isEmpty() ? QStringLiteral("/var/lib/Quorvane 6/") : withSlash(overridden);
    d.UserDataDirectory = d.ProgramDataDirectory + QStringLiteral("settings/");
    d.DatabaseDirectory = d.ProgramDataDirectory + QStringLiteral("database/");
    d.BackupDirectory = d.ProgramDataDirectory + QStringLiteral("backup/");
    return d;
}

} // namespace qv::app
