#include "device/CommunicationLog.h"

#include "app/Clock.h"

#include <QLocale>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qv::device {

QString CommunicationLog::currentFileName() const
{
    return m_directory + QStringLiteral("log-") + qv::app::Clock::today().toString(QStringLiteral("dd-MM-yyyy")) +
           QStringLiteral(".txt");
}

void CommunicationLog::WriteCommunicationLog(const QString &text, bool sent)
{
    const QDateTime now = qv::app::Clock::now();
    const QString timeSeparator = [] {
        // The system's time separator: whatever the locale puts between hours
        // and minutes; normally a colon.
        const QString sample = QLocale().toString(QTime(1, 2, 3), QStringLiteral("h:mm"));
        return sample.size() == 4 ? QString(sample.at(1)) : QStringLiteral(":");
    }();
    const QString stamp = now.toString(QStringLiteral("dd.MM.yyyy - hh")) + timeSeparator +
                          now.toString(QStringLiteral("mm")) + timeSeparator + now.toString(QStringLiteral("ss"));
    const QByteArray line =
        (stamp + QStringLiteral(" # ") + (sent ? QStringLiteral("-> ") : QStringLiteral("<- ")) + text +
         QStringLiteral("\r\n"))
            .toUtf8();

    const QByteArray path = currentFileName().toLocal8Bit();
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot open the communication log " + path.toStdString() + ": " +
                                 std::strerror(errno));
    // Exclusive while the line is written: another program holding the file
    // makes this write fail rather than interleave with it.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        throw std::runtime_error("the communication log " + path.toStdString() + " is locked: " +
                                 std::strerror(error));
    }
    qsizetype written = 0;
    while (written < line.size()) {
        const ssize_t n = ::write(fd, line.constData() + written, size_t(line.size() - written));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            throw std::runtime_error("cannot write the communication log " + path.toStdString() + ": " +
                                     std::strerror(error));
        }
        written += n;
    }
    ::close(fd);
}

} // namespace qv::device
