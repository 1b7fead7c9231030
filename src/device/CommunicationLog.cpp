#include "device/CommunicationLog.h"

#include "app/Clock.h"

#include <QFile>
#include <QLocale>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace qv::device {

namespace {
QString fileNameFor(const QString &directory, const QDate &date)
{
    return directory + QStringLiteral("log-") + date.toString(QStringLiteral("dd-MM-yyyy")) + QStringLiteral(".txt");
}

// The system's time separator: whatever the locale's time format puts after
// the hours; normally a colon.
QString timeSeparator()
{
    const QString format = QLocale().timeFormat(QLocale::ShortFormat);
    qsizetype i = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    if (i < 0)
        return QStringLiteral(":");
    while (i < format.size() && format.at(i).toLower() == QLatin1Char('h'))
        ++i;
    if (i >= format.size() || format.at(i).isLetterOrNumber() || format.at(i).isSpace() ||
        format.at(i) == QLatin1Char('\''))
        return QStringLiteral(":");
    return QString(format.at(i));
}
} // namespace

QString CommunicationLog::currentFileName() const
{
    return fileNameFor(m_directory, qv::app::Clock::today());
}

void CommunicationLog::WriteCommunicationLog(const QString &text, bool sent)
{
    // One reading of the clock for the stamp and the file name, so a line
    // written on the stroke of midnight goes to the file of its own date.
    const QDateTime now = qv::app::Clock::now();
    const QString separator = timeSeparator();
    const QString stamp = now.toString(QStringLiteral("dd.MM.yyyy - hh")) + separator +
                          now.toString(QStringLiteral("mm")) + separator + now.toString(QStringLiteral("ss"));
    const QByteArray line =
        (stamp + QStringLiteral(" # ") + (sent ? QStringLiteral("-> ") : QStringLiteral("<- ")) + text +
         QStringLiteral("\r\n"))
            .toUtf8();

    const QByteArray path = QFile::encodeName(fileNameFor(m_directory, now.date()));
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
