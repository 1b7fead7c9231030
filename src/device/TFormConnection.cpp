#include "device/TFormConnection.h"

#include "app/IniFile.h"

#include <cmath>

namespace qv::device {

namespace {
const QString OnlineSection = QStringLiteral("Online");

// Runs f when the scope ends, however it ends.
template <typename F>
struct AtExit {
    F f;
    ~AtExit() { f(); }
};
template <typename F>
AtExit(F) -> AtExit<F>;
} // namespace

TFormConnection::TFormConnection(DeviceHost &host, qv::db::FbConnection &db, const QString &userDataDirectory,
                                 double timeScale, QObject *parent)
    : QObject(parent), m_host(host), m_settingsFile(userDataDirectory + QStringLiteral("settings.ini")),
      m_timeScale(timeScale), m_decoder(m_state, *this), m_log(userDataDirectory),
      m_release(DeviceContext{db, host, m_queue, m_log, m_state.VRK}),
      m_recorder(DeviceContext{db, host, m_queue, m_log, m_state.VRK}), m_pollingInterval(scaled(PollingInterval))
{
    setObjectName(QStringLiteral("FormConnection"));
    ComPortDevice.setObjectName(QStringLiteral("ComPortDevice"));
    TimerPolling.setObjectName(QStringLiteral("TimerPolling"));
    TimerTimeout.setObjectName(QStringLiteral("TimerTimeout"));
    ComPortDevice.setPortName(QStringLiteral("COM1"));
    ComPortDevice.setBaudRate(9600);

    for (int i = 0; i < VrkCount; ++i) {
        TVrkState &vrk = m_state.VRK[std::size_t(i)];
        vrk.Online = qv::app::IniReadString(m_settingsFile, OnlineSection, QString::number(i), QString()) ==
                     QStringLiteral("On");
    }

    TimerPolling.setInterval(m_pollingInterval);
    TimerTimeout.setInterval(scaled(AnswerTimeout));
    TimerTimeout.setSingleShot(true);
    // The 20 ms gap after an answer is a large part of every cycle; a coarse
    // timer would stretch it.
    TimerPolling.setTimerType(Qt::PreciseTimer);
    TimerTimeout.setTimerType(Qt::PreciseTimer);

    // Errors that escape a tick (a communication log that cannot be
    // written) go to the error log; the fall-back tick keeps the line alive.
    const auto guarded = [this](QObject *sender, auto handler) {
        return [this, sender, handler] {
            try {
                (this->*handler)();
            } catch (const std::exception &error) {
                m_host.HandleException(sender, &error, "exception");
            }
        };
    };
    connect(&TimerPolling, &QTimer::timeout, this, guarded(&TimerPolling, &TFormConnection::TimerPollingTimer));
    connect(&TimerTimeout, &QTimer::timeout, this, guarded(&TimerTimeout, &TFormConnection::TimerTimeoutTimer));
    connect(&ComPortDevice, &QSerialPort::readyRead, this,
            guarded(&ComPortDevice, &TFormConnection::ComPortDeviceReceive));
    connect(&ComPortDevice, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        // The device went away (an adapter pulled, the other end of a
        // pseudo-terminal gone): the port is closed as if by the button.
        if (error == QSerialPort::ResourceError && ComPortDevice.isOpen()) {
            if (m_host.DebugMonitorActive())
                m_host.DebugAnzeigeLog(ComPortDevice.portName() + QStringLiteral(": ") + ComPortDevice.errorString(),
                                       true);
            DisconnectFromDevicePort();
        }
    });
}

TFormConnection::~TFormConnection()
{
    closeLink();
    storeOnlineList();
}

int TFormConnection::scaled(int ms) const
{
    return std::max(1, int(std::lround(ms * m_timeScale)));
}

void TFormConnection::closeLink()
{
    TimerPolling.stop();
    TimerTimeout.stop();
    // Closing at the end is not a closing by the user: the stored "connect"
    // state stays, so the port opens again at the next start.
    if (ComPortDevice.isOpen())
        ComPortDevice.close();
}

void TFormConnection::storeOnlineList()
{
    try {
        qv::app::IniEraseSection(m_settingsFile, OnlineSection);
        for (int i = 0; i < VrkCount; ++i)
            if (m_state.VRK[std::size_t(i)].Online)
                qv::app::IniWriteString(m_settingsFile, OnlineSection, QString::number(i), QStringLiteral("On"));
    } catch (...) {
        // The program is ending; a list that cannot be stored is found again
        // by the offline rotation.
    }
}

// --- Port ----------------------------------------------------------------------

void TFormConnection::ConnectToDevicePort(const QString &port, int baudrate)
{
    if (ComPortDevice.isOpen())
        return;
    ComPortDevice.setPortName(port);
    ComPortDevice.setBaudRate(baudrate);
    ComPortDevice.setDataBits(QSerialPort::Data8);
    ComPortDevice.setParity(QSerialPort::NoParity);
    ComPortDevice.setStopBits(QSerialPort::OneStop);
    ComPortDevice.setFlowControl(QSerialPort::NoFlowControl);
    if (!ComPortDevice.open(QIODevice::ReadWrite)) {
        const QString message = ComPortDevice.errorString();
        ComPortDevice.clearError();
        m_host.ShowPortError(port + QStringLiteral(": ") + message);
        return;
    }
    // A pseudo-terminal has no modem lines; the refusal is harmless there.
    ComPortDevice.setDataTerminalReady(true);
    ComPortDevice.setRequestToSend(true);
    ComPortDevice.clearError();
    m_deviceMessage.clear();
    portOpened();
}

void TFormConnection::DisconnectFromDevicePort()
{
    if (!ComPortDevice.isOpen())
        return;
    ComPortDevice.close();
    portClosed();
}

void TFormConnection::portOpened()
{
    m_host.SetDevicePortStatus(true);
    TimerPolling.start();
}

void TFormConnection::portClosed()
{
    TimerTimeout.stop();
    TimerPolling.stop();
    m_host.SetDevicePortStatus(false);
}

void TFormConnection::ComPortDeviceReceive()
{
    const QByteArray bytes = ComPortDevice.readAll();
    qsizetype from = 0;
    while (from < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', from);
        if (lf < 0) {
            m_deviceMessage.append(bytes.constData() + from, bytes.size() - from);
            break;
        }
        m_deviceMessage.append(bytes.constData() + from, lf - from);
        from = lf + 1;
        // Telegrams are single-byte text; Latin-1 maps each byte to the
        // character of the same code, as the checksum counts them.
        const QString line = TrimLine(QString::fromLatin1(m_deviceMessage));
        m_deviceMessage.clear();
        if (!line.isEmpty() && line != m_sendeStr) {
            TimerTimeout.stop();
            ProcessTelegram(line);
        }
        // A line equal to the last frame sent is our own transmission heard
        // back on the line: the answer time-out keeps running.
    }
    // A noisy line that never sends a line feed would grow the buffer
    // without end; no telegram is anywhere near this long.
    if (m_deviceMessage.size() > ReceiveBufferLimit) {
        if (m_host.DebugMonitorActive())
            m_host.DebugAnzeigeLog(QStringLiteral("<- ** Receive buffer overflow: %1 bytes without line end dropped **")
                                       .arg(m_deviceMessage.size()),
                                   true);
        m_deviceMessage.clear();
    }
}

// --- Polling cycle ---------------------------------------------------------------

void TFormConnection::scheduleNextTick(int interval)
{
    TimerPolling.stop();
    m_pollingInterval = interval;
    TimerPolling.setInterval(interval);
    // While the line is paused, an answer still on its way is taken but
    // starts no new tick; resumePolling does.
    if (!m_paused)
        TimerPolling.start();
}

void TFormConnection::ProcessTelegram(const QString &line)
{
    TimerPolling.stop();
    const AtExit next{[this] { scheduleNextTick(scaled(AnswerGap)); }};
    m_decoder.ProcessTelegram(line);
}

void TFormConnection::HandlePointReport(const PointReport &report)
{
    switch (report.statusDigit) {
    case 0:
        m_recorder.HandleNoDispensing(report);
        break;
    case 1:
        m_release.HandleReleaseRequest(report);
        break;
    case 2:
        m_recorder.HandleDispensingRunning(report);
        break;
    case 3:
    case 4:
    case 5:
    case 6:
        m_recorder.HandleDispensingEnded(report);
        break;
    default:
        break;
    }
}

void TFormConnection::TimerPollingTimer()
{
    scheduleNextTick(scaled(PollingInterval));
    m_host.StatusAnzeige(1, m_state.ConnectionStatusCounter > 0 ? m_host.StatusConnectText()
                                                                : m_host.StatusNotConnectText());
    if (!m_queue.isEmpty())
        sendQueueHead();
    else
        sendPoll(m_rotation.nextAddress(m_state.VRK));
}

void TFormConnection::sendQueueHead()
{
    TimerTimeout.stop();
    const SendQueue::Telegram telegram = m_queue.takeHead();
    const int address = AddressIndex(telegram.address);
    // An unanswered queued telegram counts against the controller it was
    // sent to, not against the one polled before it.
    if (address >= 0)
        m_abfrageAdresse = address;
    m_host.StatusAnzeige(2, QStringLiteral("ADR ") + telegram.address);
    m_sendeStr = FrameTelegram(telegram.payload);
    if (m_host.DebugMonitorActive())
        m_host.DebugAnzeigeLog(QStringLiteral("-> ") + m_sendeStr, true);
    if (m_log.WriteLog())
        m_log.WriteCommunicationLog(m_sendeStr, true);
    writeFrame(m_sendeStr);
    TimerTimeout.start();
}

void TFormConnection::sendPoll(int address)
{
    TimerTimeout.stop();
    m_abfrageAdresse = address;
    const QChar a = AddressChar(address);
    m_host.StatusAnzeige(2, QStringLiteral("ADR ") + a);
    m_sendeStr = FrameTelegram(QString(a) + QLatin1Char('T'));
    if (m_host.DebugMonitorActive())
        m_host.DebugAnzeigeLog(QStringLiteral("-> ") + m_sendeStr, true);
    writeFrame(m_sendeStr);
    TimerTimeout.start();
}

void TFormConnection::writeFrame(const QString &frame)
{
    const QByteArray bytes = (frame + QStringLiteral("\r\n")).toLatin1();
    if (ComPortDevice.write(bytes) != bytes.size()) {
        // Only logged: the answer time-out then expires as for any
        // unanswered telegram.
        if (m_host.DebugMonitorActive())
            m_host.DebugAnzeigeLog(ComPortDevice.errorString(), false);
        ComPortDevice.clearError();
    }
}

void TFormConnection::TimerTimeoutTimer()
{
    TimerTimeout.stop();
    TVrkState &vrk = m_state.VRK[std::size_t(m_abfrageAdresse)];
    if (vrk.TimeoutCounter + 1 > 3) {
        if (vrk.Online && m_host.DebugMonitorActive())
            m_host.DebugAnzeigeLog(QString(31, QLatin1Char('-')) + QStringLiteral(" Device [") + vrk.Address +
                                       QStringLiteral("] lost"),
                                   true);
        vrk.TimeoutCounter = 0;
        vrk.Online = false;
    } else {
        if (vrk.Online)
            ++vrk.TimeoutCounter;
        if (m_host.DebugMonitorActive())
            m_host.DebugAnzeigeLog(QString(54, QLatin1Char('-')) + QStringLiteral(" TIME OUT"), true);
    }
    m_state.ConnectionStatusCounter = std::max(-1, m_state.ConnectionStatusCounter - 1);
    TimerPollingTimer();
}

// --- Queue and pausing -------------------------------------------------------------

void TFormConnection::NewOrderData(const QString &order)
{
    for (int i = 0; i < VrkCount; ++i)
        if (m_state.VRK[std::size_t(i)].Online)
            m_queue.append(QLatin1Char('0') + AddressChar(i) + order);
}

TFormConnection::Pause TFormConnection::pausePolling()
{
    const Pause pause{TimerPolling.isActive()};
    m_paused = true;
    TimerPolling.stop();
    TimerTimeout.stop();
    return pause;
}

void TFormConnection::resumePolling(const Pause &pause)
{
    m_paused = false;
    if (pause.pollingWasActive)
        TimerPolling.start();
}

} // namespace qv::device
