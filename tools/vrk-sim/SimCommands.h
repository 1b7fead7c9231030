#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace qv::sim {

class Simulator;

// Splits a command line into words: white space separates, double quotes
// keep spaces inside a word, "#" at the start of a word begins a comment.
// nullopt for an unclosed quote.
std::optional<QStringList> SplitCommand(const QString &line);

// Runs the line-based commands of scripts and standard input on a
// simulator. What a command prints goes to the simulator's output as event
// lines; waiting and quitting are left to the caller.
class CommandInterpreter {
public:
    struct Result {
        enum class Action { Continue, Wait, Quit };
        Action action = Action::Continue;
        int waitMs = 0;
        bool ok = true; // false: the line was rejected, an "ERROR" line says why
    };

    explicit CommandInterpreter(Simulator &sim) : m_sim(sim) { }

    Result execute(const QString &line);

    static QStringList help();

private:
    // Each throws a usage error for a line it cannot carry out; args
    // starts with the command word.
    void controllerCommand(const QStringList &args);
    void keyCommand(const QStringList &args);
    void flowCommand(const QStringList &args);
    void pointCommand(const QStringList &args);
    void faultCommand(const QStringList &args);
    void garbageCommand(const QStringList &args);
    void clockCommand(const QStringList &args);
    void switchCommand(const QStringList &args);
    void listOrders();
    void listStatus();

    Simulator &m_sim;
};

} // namespace qv::sim
