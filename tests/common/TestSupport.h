#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qv::test {

// A program-data folder of its own for one test: settings/, database/ with a
// fresh copy of the delivered database (or none), and backup/.
class ProgramDataDir {
public:
    enum class Database { Current, Version601, None };

    explicit ProgramDataDir(Database db = Database::Current);

    bool isValid() const { return m_dir.isValid(); }
    QString path() const;         // with trailing separator
    QString settingsDir() const;  // with trailing separator
    QString databaseFile() const; // .../database/oil.fdb
    QString settingsIni() const;
    QString errorDat() const;

private:
    QTemporaryDir m_dir;
};

// Copies the template database of the given version to PATH.
bool copyTemplateDatabase(const QString &path, bool version601 = false);

// The delivered text files in the source tree.
QString sourcePath(const QString &relative);

} // namespace qv::test
