// vrk-sim: dispensing controllers on a serial line, for trying the PC side
// without a workshop. The simulation lives in vrk_sim_core; this file puts
// it on a pseudo-terminal or a real port and feeds it commands.

#include "SimCommands.h"
#include "SimPort.h"
#include "Simulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace qv::sim;

namespace {

// Points reach their target and the demo acts between polls too.
constexpr int TickMs = 100;

void printLine(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

// Commands from the script and standard input, run in order; a "wait" holds
// back the commands after it without stopping the line.
class Runner : public QObject {
public:
    Runner(Simulator &sim, SimPort &port) : m_sim(sim), m_port(port), m_commands(sim)
    {
        connect(&m_port, &SimPort::lineReceived, this, [this](const QByteArray &line) {
            m_sim.receiveLine(line);
            drain();
        });
        connect(&m_tick, &QTimer::timeout, this, [this] {
            m_sim.tick();
            drain();
        });
        m_tick.start(TickMs);
    }

    void queue(const QStringList &lines)
    {
        m_queue += lines;
        run();
    }

    void listenToStdin()
    {
        m_stdin = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        connect(m_stdin.get(), &QSocketNotifier::activated, this, &Runner::readStdin);
    }

    void drain()
    {
        for (const Output &out : m_sim.takeOutput()) {
            if (out.kind == Output::Kind::Event)
                printLine(out.text);
            else if (out.delayMs <= 0)
                send(out);
            else
                QTimer::singleShot(out.delayMs, this, [this, out] { send(out); });
        }
    }

private:
    void send(const Output &out)
    {
        m_port.write(out.bytes);
        printLine(QStringLiteral("-> ") + out.text);
    }

    void readStdin()
    {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            // End of input: the line keeps being served until quit or a signal.
            m_stdin->setEnabled(false);
            return;
        }
        m_stdinPending += QByteArray(buffer, n);
        QStringList lines;
        qsizetype end;
        while ((end = m_stdinPending.indexOf('\n')) >= 0) {
            lines << QString::fromUtf8(m_stdinPending.left(end));
            m_stdinPending.remove(0, end + 1);
        }
        queue(lines);
    }

    void run()
    {
        while (!m_waiting && !m_queue.isEmpty()) {
            const CommandInterpreter::Result result = m_commands.execute(m_queue.takeFirst());
            drain();
            if (result.action == CommandInterpreter::Result::Action::Quit) {
                m_queue.clear();
                QCoreApplication::quit();
                return;
            }
            if (result.action == CommandInterpreter::Result::Action::Wait) {
                m_waiting = true;
                QTimer::singleShot(result.waitMs, this, [this] {
                    m_waiting = false;
                    run();
                });
            }
        }
    }

    Simulator &m_sim;
    SimPort &m_port;
    CommandInterpreter m_commands;
    QTimer m_tick;
    QStringList m_queue;
    bool m_waiting = false;
    std::unique_ptr<QSocketNotifier> m_stdin;
    QByteArray m_stdinPending;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vrk-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QV_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates VRK dispensing controllers on a serial line. Commands come from --script and standard input."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption controllerOption(QStringLiteral("controller"),
        QStringLiteral("Configure controller A with status telegram t or i."), QStringLiteral("A:t|A:i"));
    const QCommandLineOption portOption(QStringLiteral("port"),
        QStringLiteral("Serve this serial device instead of a pseudo-terminal."), QStringLiteral("device"));
    const QCommandLineOption baudOption(QStringLiteral("baud"), QStringLiteral("Baud rate of --port (9600)."),
        QStringLiteral("rate"), QStringLiteral("9600"));
    const QCommandLineOption linkOption(QStringLiteral("link"),
        QStringLiteral("Also make PATH a symbolic link to the pseudo-terminal."), QStringLiteral("path"));
    const QCommandLineOption scriptOption(
        QStringLiteral("script"), QStringLiteral("Run the commands in FILE first."), QStringLiteral("file"));
    const QCommandLineOption demoOption(QStringLiteral("demo"), QStringLiteral("Random dispensings."));
    const QCommandLineOption gatewayOption(QStringLiteral("gateway"), QStringLiteral("Start with the gateway on."));
    const QCommandLineOption clockOption(QStringLiteral("clock"),
        QStringLiteral("Fixed date and time for the telegrams."), QStringLiteral("DDMMYY HHMM"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
        QStringLiteral("Seed of the random numbers, for a repeatable run."), QStringLiteral("n"));
    parser.addOptions({controllerOption, portOption, baudOption, linkOption, scriptOption, demoOption, gatewayOption,
        clockOption, seedOption});
    parser.process(app);

    Simulator sim;
    if (parser.isSet(seedOption))
        sim.setSeed(parser.value(seedOption).toUInt());

    // The options are commands too, so they are checked the same way.
    QStringList setup;
    for (const QString &c : parser.values(controllerOption))
        setup << QStringLiteral("controller ") + QString(c).replace(QLatin1Char(':'), QLatin1Char(' '));
    if (parser.isSet(gatewayOption))
        setup << QStringLiteral("gateway on");
    if (parser.isSet(clockOption))
        setup << QStringLiteral("clock ") + parser.value(clockOption);
    if (parser.isSet(demoOption))
        setup << QStringLiteral("demo on");
    CommandInterpreter setupCommands(sim);
    for (const QString &line : setup) {
        if (!setupCommands.execute(line).ok) {
            for (const Output &out : sim.takeOutput())
                std::fprintf(stderr, "vrk-sim: %s\n", qPrintable(out.text));
            return 2;
        }
    }

    QStringList script;
    if (parser.isSet(scriptOption)) {
        QFile file(parser.value(scriptOption));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "vrk-sim: %s: %s\n", qPrintable(file.fileName()), qPrintable(file.errorString()));
            return 2;
        }
        script = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    }

    std::unique_ptr<SimPort> port;
    QString error;
    QString firstLine;
    if (parser.isSet(portOption)) {
        bool ok = false;
        const int baud = parser.value(baudOption).toInt(&ok);
        auto serial = std::make_unique<SerialLinePort>();
        if (!ok || !serial->open(parser.value(portOption), baud, &error)) {
            std::fprintf(stderr, "vrk-sim: %s\n", ok ? qPrintable(error) : "--baud wants a number");
            return 1;
        }
        firstLine = QStringLiteral("PORT %1 %2").arg(parser.value(portOption)).arg(baud);
        port = std::move(serial);
    } else {
        auto pty = std::make_unique<PtyPort>();
        if (!pty->open(parser.value(linkOption), &error)) {
            std::fprintf(stderr, "vrk-sim: %s\n", qPrintable(error));
            return 1;
        }
        firstLine = QStringLiteral("PTY ") + pty->slavePath();
        port = std::move(pty);
    }

    // SIGINT and SIGTERM end the event loop, so the link is removed.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        std::perror("vrk-sim: socketpair");
        return 1;
    }
    QSocketNotifier signalNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);

    printLine(firstLine);
    Runner runner(sim, *port);
    runner.drain();
    runner.listenToStdin();
    // From inside the event loop, so that a "quit" in the script ends it.
    QTimer::singleShot(0, &runner, [&runner, script] { runner.queue(script); });
    return QCoreApplication::exec();
}
