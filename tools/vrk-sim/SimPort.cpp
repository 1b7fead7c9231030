#include "SimPort.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qv::sim {

namespace {
// A "line" this long without a line feed is noise; it is dropped so the
// buffer cannot grow without end.
constexpr qsizetype LongestLine = 4096;
// After a read error on the master, listen again this much later instead of
// spinning on a descriptor that keeps reporting it.
constexpr int ReadRetryMs = 200;

QString systemError(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

void SimPort::take(const QByteArray &bytes)
{
    m_pending += bytes;
    qsizetype end;
    while ((end = m_pending.indexOf('\n')) >= 0) {
        const QByteArray line = m_pending.left(end + 1);
        m_pending.remove(0, end + 1);
        emit lineReceived(line);
    }
    if (m_pending.size() > LongestLine)
        m_pending.clear();
}

PtyPort::~PtyPort()
{
    if (!m_link.isEmpty() && QFileInfo(m_link).isSymLink())
        QFile::remove(m_link);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

bool PtyPort::open(const QString &linkPath, QString *error)
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        *error = systemError("pseudo-terminal");
        return false;
    }
    const char *name = ::ptsname(m_master);
    if (!name) {
        *error = systemError("ptsname");
        return false;
    }
    m_path = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        *error = systemError("opening the slave");
        return false;
    }
    // Raw, so nothing on the way is translated or echoed; the PC sets its
    // own mode when it opens the port.
    termios tio{};
    ::tcgetattr(m_slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(m_slave, TCSANOW, &tio);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    if (!linkPath.isEmpty()) {
        if (QFileInfo(linkPath).isSymLink())
            QFile::remove(linkPath);
        if (!QFile::link(m_path, linkPath)) {
            *error = QStringLiteral("cannot create the link %1").arg(linkPath);
            return false;
        }
        m_link = linkPath;
    }

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPort::readAvailable);
    return true;
}

void PtyPort::readAvailable()
{
    char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            take(QByteArray(buffer, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // EIO or end of file: no slave side open at the moment.
        m_notifier->setEnabled(false);
        QTimer::singleShot(ReadRetryMs, this, [this] { m_notifier->setEnabled(true); });
        return;
    }
}

void PtyPort::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            // Nobody reads the slave and its buffer is full: the rest is
            // lost, as it would be on a real line nobody listens to.
            std::fprintf(stderr, "vrk-sim: write: %s\n", std::strerror(errno));
            return;
        }
        done += n;
    }
}

SerialLinePort::SerialLinePort(QObject *parent) : SimPort(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, [this] { take(m_port.readAll()); });
}

bool SerialLinePort::open(const QString &name, int baud, QString *error)
{
    m_port.setPortName(name);
    m_port.setBaudRate(baud);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("%1: %2").arg(name, m_port.errorString());
        return false;
    }
    return true;
}

void SerialLinePort::write(const QByteArray &bytes)
{
    m_port.write(bytes);
}

} // namespace qv::sim
