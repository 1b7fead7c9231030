#pragma once

class QCoreApplication;

namespace qv::app {

// SIGTERM and SIGINT (logout, shutdown, Ctrl+C) end the program the orderly
// way: the event loop quits, the database is detached and the settings are
// kept. The Firebird client catches both signals for itself and would
// otherwise leave the program running, so call this after the client library
// is loaded.
void quitOnTerminationSignals(QCoreApplication &app);

} // namespace qv::app
