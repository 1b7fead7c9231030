#pragma once

// The controller end of a pseudo-terminal: the link opens the slave path as
// its serial port, the peer reads the PC's frames from the master side and
// writes answers back. Everything runs in the test's event loop, so answers
// go out while the QTRY_ macros wait.

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>

namespace qv::test {

class PtyPeer : public QObject {
public:
    PtyPeer()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            return;
        m_slavePath = QString::fromLocal8Bit(name);
        // Raw from the start: no echo, no CR/LF translation, before and
        // after the link has the port open. The slave end stays open here,
        // so the master never sees a hang-up while the link has it closed.
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slave, TCSANOW, &tio);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        connect(m_readNotifier.get(), &QSocketNotifier::activated, this, [this] { readMaster(); });
        m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
        m_writeNotifier->setEnabled(false);
        connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, [this] { flush(); });
    }

    ~PtyPeer() override
    {
        m_readNotifier.reset();
        m_writeNotifier.reset();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }

    bool isValid() const { return m_master >= 0 && !m_slavePath.isEmpty(); }
    QString slavePath() const { return m_slavePath; }

    // Everything received, as it came.
    QByteArray received;
    // Received lines, without "\r\n".
    QStringList lines;
    // Called for each received line; may answer with write() or writeLine().
    std::function<void(const QString &line)> onLine;

    void write(const QByteArray &bytes)
    {
        m_pending += bytes;
        flush();
    }
    // A controller ends its telegrams with a line feed.
    void writeLine(const QString &line) { write(line.toLatin1() + '\n'); }
    bool allWritten() const { return m_pending.isEmpty(); }

    // The controller end goes away, as an adapter that is pulled out.
    void hangUp()
    {
        m_readNotifier.reset();
        m_writeNotifier.reset();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
    }

private:
    void readMaster()
    {
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            received.append(buffer, n);
            m_partial.append(buffer, n);
        }
        qsizetype lf;
        while ((lf = m_partial.indexOf('\n')) >= 0) {
            QByteArray line = m_partial.left(lf);
            m_partial.remove(0, lf + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            const QString text = QString::fromLatin1(line);
            lines << text;
            if (onLine)
                onLine(text);
        }
    }

    // The terminal's input buffer is small; what does not fit goes when the
    // link has read some.
    void flush()
    {
        while (!m_pending.isEmpty()) {
            const ssize_t n = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            m_pending.remove(0, n);
        }
        if (m_writeNotifier)
            m_writeNotifier->setEnabled(!m_pending.isEmpty());
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QByteArray m_partial;
    QByteArray m_pending;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
};

} // namespace qv::test
