#include "TestSupport.h"

#include <QDir>
#include <QFile>

namespace qv::test {

ProgramDataDir::ProgramDataDir(Database db)
{
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("settings"));
    root.mkpath(QStringLiteral("database"));
    root.mkpath(QStringLiteral("backup"));
    if (db != Database::None)
        copyTemplateDatabase(databaseFile(), db == Database::Version601);
}

QString ProgramDataDir::path() const
{
    return m_dir.path() + QLatin1Char('/');
}

QString ProgramDataDir::settingsDir() const
{
    return path() + QStringLiteral("settings/");
}

QString ProgramDataDir::databaseFile() const
{
    return path() + QStringLiteral("database/oil.fdb");
}

QString ProgramDataDir::settingsIni() const
{
    return settingsDir() + QStringLiteral("settings.ini");
}

QString ProgramDataDir::errorDat() const
{
    return settingsDir() + QStringLiteral("error.dat");
}

bool copyTemplateDatabase(const QString &path, bool version601)
{
    const QString from = QStringLiteral(QV_TEMPLATE_DIR) + (version601 ? QStringLiteral("/oil601.fdb") : QStringLiteral("/oil.fdb"));
    QFile::remove(path);
    if (!QFile::copy(from, path))
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                    | QFileDevice::WriteGroup);
    return true;
}

QString sourcePath(const QString &relative)
{
    return QStringLiteral(QV_SOURCE_DIR) + QLatin1Char('/') + relative;
}

} // namespace qv::test
