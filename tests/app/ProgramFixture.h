#pragma once

// One started program for widget tests: its own program-data folder, the
// main window, the data module and the device link, created and destroyed
// in the program's order.

#include "DbTest.h"

#include "app/Platform.h"
#include "app/TFormMain.h"
#include "db/TDatenmodul.h"
#include "device/TFormConnection.h"

#include <QCoreApplication>
#include <QFile>
#include <QTabWidget>

#include <memory>

namespace qv::test {

// One started program: its own program-data folder, window and data module.
struct Program {
    explicit Program(ProgramDataDir::Database db = ProgramDataDir::Database::Current) : dir(db)
    {
        qputenv("QUORVANE_PROGRAMDATA", dir.path().toUtf8());
    }
    ~Program()
    {
        // Reverse order of creation, as the program ends.
        connection.reset();
        datenmodul.reset();
        window.reset();
    }

    void create()
    {
        window = std::make_unique<app::TFormMain>(QCoreApplication::applicationFilePath());
        datenmodul = std::make_unique<db::TDatenmodul>();
        window->setDatenmodul(datenmodul.get());
        connection = std::make_unique<device::TFormConnection>(*window, datenmodul->connection(),
                                                               window->directories().UserDataDirectory, timeScale);
        window->setConnection(connection.get());
    }
    void start()
    {
        if (!window)
            create();
        window->show();
    }

    template <typename T>
    T *find(const char *name) const
    {
        T *w = window->findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    QStringList visibleTabs() const
    {
        QStringList names;
        QTabWidget *tabs = window->pageControl();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->isTabVisible(i))
                names << tabs->widget(i)->objectName();
        return names;
    }
    // What the program stored, read on its own connection.
    QVariant scalar(const QString &sql) { return test::scalar(datenmodul->connection(), sql); }
    void exec(const QString &sql) { test::run(datenmodul->connection(), sql); }
    QString key() const { return app::GetWorkstationKey(QCoreApplication::applicationFilePath()); }
    QString errorLog() const
    {
        QFile f(dir.errorDat());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    ProgramDataDir dir;
    std::unique_ptr<app::TFormMain> window;
    std::unique_ptr<db::TDatenmodul> datenmodul;
    std::unique_ptr<device::TFormConnection> connection;
    double timeScale = 1.0; // the device link's timers
};


} // namespace qv::test
