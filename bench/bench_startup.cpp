// bench_startup: how long the program takes from the start of its process to
// the end of the start-up sequence on the delivered database.
//
//   bench_startup [--runs N] [--warmup N]
//
// The benchmark starts itself as a child process ("--child") that does what
// main() does and reports, on standard output, when the start-up sequence is
// over. The parent times each child from just before QProcess::start() to
// that report and to the child's exit; the child adds its own split from
// main() entry on, so the share of process creation, library loading, Qt,
// the window, and the engine's first attach shows.

#include "BenchSupport.h"

#include "app/QuorvaneApplication.h"
#include "app/TFormMain.h"
#include "db/TDatenmodul.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstring>

using namespace qv;

namespace {

const char *const Marker = "QV-STARTUP-DONE";
const char *const FailMarker = "QV-STARTUP-FAILED";

// --- Child --------------------------------------------------------------------

int childMain(int argc, char **argv)
{
    const std::int64_t entry = bench::nowNs();
    QElapsedTimer clock;
    clock.start();

    // As main() does it.
    app::QuorvaneApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane 6"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvane 6"));
    QApplication::setQuitOnLastWindowClosed(false);
    const qint64 afterApplication = clock.nsecsElapsed();

    app::TFormMain window(QCoreApplication::applicationFilePath());
    const qint64 afterWindow = clock.nsecsElapsed();
    db::TDatenmodul datenmodul;
    window.setDatenmodul(&datenmodul);
    QObject::connect(&window, &app::TFormMain::programEnding, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    const qint64 afterDatenmodul = clock.nsecsElapsed();

    // Without a tray (offscreen) the window never starts hidden; showing it
    // runs the start-up sequence.
    if (!window.startsHidden())
        window.show();

    auto report = [&] {
        const qint64 done = clock.nsecsElapsed();
        if (window.isNoDatabaseState()) {
            std::printf("%s the program started without its database\n", FailMarker);
        } else {
            std::printf("%s entry=%lld application=%lld window=%lld datenmodul=%lld done=%lld\n", Marker,
                        static_cast<long long>(entry), static_cast<long long>(afterApplication),
                        static_cast<long long>(afterWindow), static_cast<long long>(afterDatenmodul),
                        static_cast<long long>(done));
        }
        std::fflush(stdout);
    };

    if (!window.Programmstart() || window.isNoDatabaseState()) {
        report();
        return window.isNoDatabaseState() ? 1 : 0;
    }

    // The sequence did not finish inside show(): wait in the event loop as
    // the program would.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &application, [&] {
        if (!window.Programmstart() || window.isNoDatabaseState() || clock.elapsed() > 30000) {
            poll.stop();
            if (window.Programmstart() && !window.isNoDatabaseState()) {
                std::printf("%s the start-up did not end within 30 s\n", FailMarker);
                std::fflush(stdout);
                application.exit(1);
                return;
            }
            report();
            application.exit(window.isNoDatabaseState() ? 1 : 0);
        }
    });
    poll.start(1);
    return application.exec();
}

// --- Parent -------------------------------------------------------------------

struct Run {
    double toMarker = 0;   // ms, parent: start() -> marker read
    double toExit = 0;     // ms, parent: start() -> child finished
    double beforeMain = 0; // ms, start() -> child's main() entry
    double inProcess = 0;  // ms, child: main() entry -> end of start-up
    double application = 0, window = 0, datenmodul = 0, startUp = 0;
    double delivery = 0; // ms, child's report -> parent read it
    double teardown = 0; // ms, parent read the report -> child finished
};

bool runChild(const QString &programData, Run &run, QString &error)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.qpa.*=false;qt.core.qobject.connect=false"));
    env.insert(QStringLiteral("QUORVANE_PROGRAMDATA"), programData);
    child.setProcessEnvironment(env);
    child.setProgram(QCoreApplication::applicationFilePath());
    child.setArguments({QStringLiteral("--child")});

    const std::int64_t started = bench::nowNs();
    child.start();
    QByteArray out;
    std::int64_t markerAt = 0;
    while (markerAt == 0) {
        if (!child.waitForReadyRead(60000))
            break;
        const std::int64_t now = bench::nowNs();
        out += child.readAllStandardOutput();
        if (out.contains(Marker) && out.indexOf('\n', out.indexOf(Marker)) >= 0)
            markerAt = now;
        else if (out.contains(FailMarker) && out.indexOf('\n', out.indexOf(FailMarker)) >= 0)
            break;
    }
    const bool finished = child.waitForFinished(60000);
    const std::int64_t exitedAt = bench::nowNs();
    out += child.readAllStandardOutput();
    const QByteArray err = child.readAllStandardError();

    if (markerAt == 0 || !finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        error = QStringLiteral("child failed (exit code %1, %2)\n--- stdout:\n%3\n--- stderr:\n%4")
                    .arg(child.exitCode())
                    .arg(child.errorString(), QString::fromLocal8Bit(out), QString::fromLocal8Bit(err));
        if (child.state() != QProcess::NotRunning) {
            child.kill();
            child.waitForFinished(5000);
        }
        return false;
    }

    // "QV-STARTUP-DONE key=value ..."
    QMap<QByteArray, qint64> fields;
    const int at = out.indexOf(Marker);
    const QByteArray line = out.mid(at, out.indexOf('\n', at) - at);
    for (const QByteArray &part : line.split(' ')) {
        const int eq = part.indexOf('=');
        if (eq > 0)
            fields.insert(part.left(eq), part.mid(eq + 1).toLongLong());
    }
    const double ms = 1e6;
    const std::int64_t entry = fields.value("entry");
    run.toMarker = double(markerAt - started) / ms;
    run.toExit = double(exitedAt - started) / ms;
    run.beforeMain = double(entry - started) / ms;
    run.application = double(fields.value("application")) / ms;
    run.window = double(fields.value("window") - fields.value("application")) / ms;
    run.datenmodul = double(fields.value("datenmodul") - fields.value("window")) / ms;
    run.startUp = double(fields.value("done") - fields.value("datenmodul")) / ms;
    run.inProcess = double(fields.value("done")) / ms;
    run.delivery = double(markerAt - (entry + fields.value("done"))) / ms;
    run.teardown = double(exitedAt - markerAt) / ms;
    return true;
}

// One series of starts; `fresh` gives every start a new program-data folder
// with a new copy of the delivered database (a new installation's first
// start), otherwise all starts share one folder (every later start).
bool runSeries(const QString &title, const QString &templateDb, bool fresh, int warmup, int runs)
{
    std::printf("%s\n", qPrintable(title));
    std::fflush(stdout);
    std::unique_ptr<bench::ProgramDataFolder> shared;
    if (!fresh)
        shared = std::make_unique<bench::ProgramDataFolder>(templateDb);

    std::vector<Run> results;
    for (int i = 0; i < warmup + runs; ++i) {
        std::unique_ptr<bench::ProgramDataFolder> own;
        if (fresh)
            own = std::make_unique<bench::ProgramDataFolder>(templateDb);
        const bench::ProgramDataFolder &folder = fresh ? *own : *shared;
        if (!folder.isValid()) {
            std::fprintf(stderr, "bench_startup: cannot make a program-data folder\n");
            return false;
        }
        Run run;
        QString error;
        if (!runChild(folder.path(), run, error)) {
            std::fprintf(stderr, "bench_startup: %s\n", qPrintable(error));
            return false;
        }
        if (i >= warmup)
            results.push_back(run);
    }

    auto column = [&](double Run::*field) {
        bench::Series s(results.size());
        for (const Run &r : results)
            s.add(r.*field);
        return s.summary();
    };
    bench::printHeader(QStringLiteral("ms"));
    const bench::Summary total = column(&Run::toMarker);
    bench::printRow(QStringLiteral("process start -> end of start-up"), total, false,
                    bench::verdict(total.median, 1000, QStringLiteral("< 1000 ms")));
    bench::printRow(QStringLiteral("  before main() (exec, dynamic loading)"), column(&Run::beforeMain));
    bench::printRow(QStringLiteral("  in process: main() -> end of start-up"), column(&Run::inProcess));
    bench::printRow(QStringLiteral("    QuorvaneApplication"), column(&Run::application));
    bench::printRow(QStringLiteral("    TFormMain (nine pages, tray)"), column(&Run::window));
    bench::printRow(QStringLiteral("    TDatenmodul"), column(&Run::datenmodul));
    bench::printRow(QStringLiteral("    show(): start-up sequence"), column(&Run::startUp));
    bench::printRow(QStringLiteral("  report reaches the parent"), column(&Run::delivery));
    bench::printRow(QStringLiteral("process start -> process exit"), column(&Run::toExit));
    bench::printRow(QStringLiteral("  end of start-up -> exit (teardown)"), column(&Run::teardown));
    std::printf("\n");
    std::fflush(stdout);
    return true;
}

int parentMain(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    const int runs = bench::intArgument(args, QStringLiteral("--runs"), 20);
    const int warmup = bench::intArgument(args, QStringLiteral("--warmup"), 2);

    bench::printMachine("bench_startup");
    bench::DeliveredTemplate delivered;
    if (!delivered.isValid()) {
        std::fprintf(stderr, "bench_startup: %s\n", qPrintable(delivered.error()));
        return 1;
    }
    std::printf("delivered database made by %s; program data on %s\n", QV_QUORVANE_DB,
                qPrintable(bench::fileSystemType(delivered.path())));
    std::printf("%d starts per series after %d warm-up starts; QT_QPA_PLATFORM=offscreen\n\n", runs, warmup);

    if (!runSeries(QStringLiteral("First start of a new installation (fresh database copy each time):"),
                   delivered.path(), true, warmup, runs))
        return 1;
    if (!runSeries(QStringLiteral("Later start (same program-data folder, workstation known):"), delivered.path(),
                   false, warmup, runs))
        return 1;
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--child") == 0)
            return childMain(argc, argv);
    return parentMain(argc, argv);
}
