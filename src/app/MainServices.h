#pragma once

#include <QString>
#include <QStringList>

namespace qv::db {
class TDatenmodul;
struct TUsername;
} // namespace qv::db
namespace qv::language {
struct SpeechTexts;
}

namespace qv::app {

// What the main window offers its tab pages. Pages call each other only
// through this, so a page never needs to know the others.
class MainServices {
public:
    virtual ~MainServices() = default;

    virtual qv::db::TDatenmodul &Datenmodul() = 0;
    virtual qv::db::TUsername &Username() = 0;
    virtual const qv::language::SpeechTexts &Texts() const = 0;
    virtual QString GetSpeechText(int tag) = 0;
    virtual QStringList Sprachliste() const = 0;

    // True from the creation of the window until the start-up has completed:
    // option handlers then apply their effect but store nothing.
    virtual bool Programmstart() const = 0;
    virtual bool IsLoggedIn() const = 0;
    virtual void SetAdminState(bool loggedIn) = 0;
    virtual void SetDisplayedSpeech() = 0;
    virtual void ToggleDebugMonitor() = 0;
    virtual void SelectFirstPage() = 0;

    virtual void DebugAnzeigeLog(const QString &value, bool clock) = 0;
    virtual void StatusAnzeige(int position, const QString &value) = 0;

    virtual QString SettingsIniFile() const = 0; // UserDataDirectory + settings.ini
};

} // namespace qv::app
