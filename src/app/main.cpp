// Quorvane 6: the desktop program of the oil dispensing system.

#include "app/QuorvaneApplication.h"
#include "app/TFormMain.h"
#include "app/TerminationSignals.h"
#include "db/FbConnection.h"
#include "db/TDatenmodul.h"
#include "device/TFormConnection.h"

#include <QSystemTrayIcon>

int main(int argc, char **argv)
{
    qv::app::QuorvaneApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane 6"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvane 6"));
    // The tray icon keeps the program alive while the window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);
    qv::db::initialiseClientLibrary();
    qv::app::quitOnTerminationSignals(app);

    // The window first (its creation touches no database), then the data module.
    qv::app::TFormMain window(QCoreApplication::applicationFilePath());
    qv::db::TDatenmodul datenmodul;
    window.setDatenmodul(&datenmodul);
    // Then the device link, which reads its online list from the user data
    // folder. Declared last, it is destroyed first: it stores that list
    // while the window and the database are still there.
    qv::device::TFormConnection connection(window, datenmodul.connection(), window.directories().UserDataDirectory);
    window.setConnection(&connection);
    // The window has asked already; quit() would send it a second close.
    QObject::connect(
        &window, &qv::app::TFormMain::programEnding, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);

    if (!window.startsHidden())
        window.show();
    return app.exec();
}
