#pragma once

#include <QString>

namespace qv::app {

// The program's folders, each with a trailing separator.
struct Directories {
    QString ExeProgramDirectory;
    QString ProgramDataDirectory; // /var/lib/Quorvane 6/, or $QUORVANE_PROGRAMDATA
    QString UserDataDirectory;    // + settings/   (settings.ini, error.dat)
    QString DatabaseDirectory;    // + database/   (oil.fdb)
    QString BackupDirectory;      // + backup/

    static Directories resolve(const QString &programFile);
};

} // namespace qv::app
