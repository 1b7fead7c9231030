#pragma once

#include <QString>

#include <stdexcept>

namespace qv::app {

// Access to settings.ini and error.dat: a text file of [sections] with
// key=value lines. Section and key names match without regard to case; each
// call opens the file, does one access and closes it; lines the program does
// not touch (other sections, comments, unknown keys) are kept as they are.
// Booleans are written as "1"/"0"; read, any integer but 0 is true, and a
// missing or non-numeric value gives the default.

class IniWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

QString IniReadString(const QString &file, const QString &section, const QString &key, const QString &def);
void IniWriteString(const QString &file, const QString &section, const QString &key, const QString &value);
bool IniReadBool(const QString &file, const QString &section, const QString &key, bool def);
void IniWriteBool(const QString &file, const QString &section, const QString &key, bool value);
void IniEraseSection(const QString &file, const QString &section);

} // namespace qv::app
