#pragma once

// A pseudo-terminal for tests of the serial links: the program opens the
// slave path like a real port; the test sits on the master side and reads
// what the program sent, line by line, and answers.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace qv::test {

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        // Keeping the slave open here too means the master never sees a
        // hang-up while the program closes and reopens its end.
        m_slave = slave;
        m_path = QString::fromLocal8Bit(name);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_path; }

    void write(const QByteArray &bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                ::usleep(1000);
        }
    }
    void writeLine(const QString &line) const { write(line.toLatin1() + '\n'); }

    // Lines the program sent (CR LF stripped), keeping the events flowing
    // while it waits. Empty when nothing complete arrived in time.
    QString readLine(int timeoutMs = 3000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (true) {
            const qsizetype lf = m_buffer.indexOf('\n');
            if (lf >= 0) {
                QByteArray line = m_buffer.left(lf);
                m_buffer.remove(0, lf + 1);
                if (line.endsWith('\r'))
                    line.chop(1);
                return QString::fromLatin1(line);
            }
            if (deadline.hasExpired())
                return {};
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
                char chunk[512];
                const ssize_t n = ::read(m_master, chunk, sizeof chunk);
                if (n > 0)
                    m_buffer.append(chunk, n);
            }
        }
    }
    // Reads lines until one satisfies pred; all lines read are kept in seen.
    template <typename Pred>
    QString readUntil(Pred pred, int timeoutMs = 5000)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (!deadline.hasExpired()) {
            const QString line = readLine(int(std::max<qint64>(1, deadline.remainingTime())));
            if (line.isEmpty() && deadline.hasExpired())
                break;
            seen << line;
            if (pred(line))
                return line;
        }
        return {};
    }

    QStringList seen;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QByteArray m_buffer;
};

} // namespace qv::test
