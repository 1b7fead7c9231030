#pragma once

#include <QApplication>

#include <exception>
#include <functional>

namespace qv::app {

// The application object. Every error that escapes an event handler ends
// here and goes to the error log; the program goes on with the next event.
class QuorvaneApplication : public QApplication {
    Q_OBJECT
public:
    QuorvaneApplication(int &argc, char **argv);

    using ExceptionHandler = std::function<void(QObject *receiver, const std::exception *error, const char *kind)>;
    void setExceptionHandler(ExceptionHandler handler) { m_handler = std::move(handler); }

    bool notify(QObject *receiver, QEvent *event) override;

    // "# Sender: <class> - Typ: <error type> - Error: <message>"
    static QString errorLine(const QObject *sender, const std::exception *error, const char *kind = nullptr);

private:
    ExceptionHandler m_handler;
};

} // namespace qv::app
