#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

class QSocketNotifier;

namespace qv::sim {

// The simulator's end of the line to the PC. Received bytes come out as
// lines, each with its line feed (and the PC's carriage return before it).
class SimPort : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void write(const QByteArray &bytes) = 0;

signals:
    void lineReceived(const QByteArray &line);

protected:
    void take(const QByteArray &bytes);

private:
    QByteArray m_pending;
};

// A pseudo-terminal of our own: the PC opens its slave side like a serial
// port. We hold the slave open too, so that the PC closing and reopening it
// never leaves the master without a slave (which reads as EIO).
class PtyPort : public SimPort {
    Q_OBJECT
public:
    using SimPort::SimPort;
    ~PtyPort() override;

    // linkPath, when not empty, becomes a symbolic link to the slave.
    bool open(const QString &linkPath, QString *error);
    QString slavePath() const { return m_path; }
    void write(const QByteArray &bytes) override;

private:
    void readAvailable();

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QString m_link;
    QSocketNotifier *m_notifier = nullptr;
};

// A real serial port (or any device QSerialPort opens), 8N1, no handshake.
class SerialLinePort : public SimPort {
    Q_OBJECT
public:
    explicit SerialLinePort(QObject *parent = nullptr);

    bool open(const QString &name, int baud, QString *error);
    void write(const QByteArray &bytes) override;

private:
    QSerialPort m_port;
};

} // namespace qv::sim
