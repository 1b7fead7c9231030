// Quorvane 6: the desktop program of the oil dispensing system.

#include "app/QuorvaneApplication.h"
#include "app/TFormMain.h"
#include "db/TDatenmodul.h"

#include <QSystemTrayIcon>

int main(int argc, char **argv)
{
    qv::app::QuorvaneApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane 6"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvane 6"));
    // The tray icon keeps the program alive while the window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    // The window first (its creation touches no database), then the data module.
    qv::app::TFormMain window(QCoreApplication::applicationFilePath());
    qv::db::TDatenmodul datenmodul;
    window.setDatenmodul(&datenmodul);
    QObject::connect(&window, &qv::app::TFormMain::programEnding, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    if (!window.startsHidden())
        window.show();
    return app.exec();
}
