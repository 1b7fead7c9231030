#include "app/QuorvaneApplication.h"

#include <QDebug>

#include <cxxabi.h>
#include <cstdlib>
#include <typeinfo>

namespace qv::app {

QuorvaneApplication::QuorvaneApplication(int &argc, char **argv) : QApplication(argc, argv) {}

namespace {

QString typeName(const std::type_info &type)
{
    int status = 0;
    char *readable = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    QString name = QString::fromLatin1(status == 0 && readable ? readable : type.name());
    std::free(readable);
    // Keep the class name without its namespaces.
    const int colon = name.lastIndexOf(QLatin1String("::"));
    return colon >= 0 ? name.mid(colon + 2) : name;
}

} // namespace

QString QuorvaneApplication::errorLine(const QObject *sender, const std::exception *error, const char *kind)
{
    const QString senderName = sender ? QString::fromLatin1(sender->metaObject()->className()) : QStringLiteral("?");
    const QString errorType = error ? typeName(typeid(*error)) : QString::fromLatin1(kind ? kind : "unknown");
    const QString message = error ? QString::fromUtf8(error->what()) : QStringLiteral("unknown error");
    QString senderShort = senderName;
    const int colon = senderShort.lastIndexOf(QLatin1String("::"));
    if (colon >= 0)
        senderShort = senderShort.mid(colon + 2);
    return QStringLiteral("# Sender: ") + senderShort + QStringLiteral(" - Typ: ") + errorType
           + QStringLiteral(" - Error: ") + QString(message).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

bool QuorvaneApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        if (m_handler)
            m_handler(receiver, &e, nullptr);
        else
            qCritical().noquote() << errorLine(receiver, &e);
    } catch (...) {
        if (m_handler)
            m_handler(receiver, nullptr, "unknown");
        else
            qCritical().noquote() << errorLine(receiver, nullptr, "unknown");
    }
    return false;
}

} // namespace qv::app
