#pragma once

#include "device/CommunicationLog.h"
#include "device/DeviceHost.h"
#include "device/DispensingRecorder.h"
#include "device/PollingRotation.h"
#include "device/ReleaseDecision.h"
#include "device/SendQueue.h"
#include "device/TelegramDecoder.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

namespace qv::db {
class FbConnection;
}

namespace qv::device {

// The link to the dispensing controllers: the controller port, the polling
// timer and the answer time-out, the per-address states and the send queue.
// It is never shown; it reaches the window only through DeviceHost.
class TFormConnection : public QObject, private TelegramEvents {
    Q_OBJECT
public:
    static constexpr int PollingInterval = 1000; // ms, the fall-back tick
    static constexpr int AnswerGap = 20;         // ms after an answer
    static constexpr int AnswerTimeout = 500;    // ms
    // Anything buffered beyond this without a line feed is noise.
    static constexpr int ReceiveBufferLimit = 4 * LongestTelegram;

    // userDataDirectory ends with a separator and holds settings.ini (the
    // online list) and the communication log files. timeScale shortens all
    // three intervals for tests (1 in the program).
    TFormConnection(DeviceHost &host, qv::db::FbConnection &db, const QString &userDataDirectory,
                    double timeScale = 1.0, QObject *parent = nullptr);
    ~TFormConnection() override;

    // Opens the port; an error is shown through the host and the link stays
    // closed.
    void ConnectToDevicePort(const QString &port, int baudrate);
    void DisconnectFromDevicePort();
    bool isOpen() const { return ComPortDevice.isOpen(); }
    // Queues Order (kind letter and fields) for every online controller.
    void NewOrderData(const QString &order);

    qint32 PelvorDivisor() const { return m_state.PelvorDivisor; }
    void SetPelvorDivisor(qint32 value) { m_state.PelvorDivisor = value; }
    bool WriteLog() const override { return m_log.WriteLog(); }
    void SetWriteLog(bool value) { m_log.SetWriteLog(value); }

    // Keeping the line quiet for a while (restore, text import).
    struct Pause {
        bool pollingWasActive;
    };
    Pause pausePolling();
    void resumePolling(const Pause &pause);

    // Ends the link as the program ends: timers off, port closed.
    void closeLink();

    // --- Handlers and state, public for the window's debug lines and tests
    void TimerPollingTimer();
    void TimerTimeoutTimer();
    void ComPortDeviceReceive();
    void ProcessTelegram(const QString &line);

    const VrkArray &VRK() const { return m_state.VRK; }
    VrkArray &VRK() { return m_state.VRK; }
    qint32 ConnectionStatusCounter() const { return m_state.ConnectionStatusCounter; }
    const SendQueue &SendeListe() const { return m_queue; }
    SendQueue &SendeListe() { return m_queue; }
    QString SendeStr() const { return m_sendeStr; }
    qint32 AbfrageAdresse() const { return m_abfrageAdresse; }
    const PollingRotation &rotation() const { return m_rotation; }
    CommunicationLog &communicationLog() { return m_log; }
    QSerialPort &port() { return ComPortDevice; }
    QTimer &timerPolling() { return TimerPolling; }
    QTimer &timerTimeout() { return TimerTimeout; }

private:
    // TelegramEvents
    bool DebugMonitorActive() const override { return m_host.DebugMonitorActive(); }
    void DebugLog(const QString &line) override { m_host.DebugAnzeigeLog(line, true); }
    void StatusPanel(int position, const QString &value) override { m_host.StatusAnzeige(position, value); }
    void LogReceived(const QString &line) override { m_log.WriteCommunicationLog(line, false); }
    void Acknowledge() override { m_queue.acknowledge(); }
    void HandlePointReport(const PointReport &report) override;

    void sendQueueHead();
    void sendPoll(int address);
    void writeFrame(const QString &frame);
    void scheduleNextTick(int interval);
    void portOpened();
    void portClosed();
    void storeOnlineList();
    int scaled(int ms) const;

    DeviceHost &m_host;
    QString m_settingsFile;
    double m_timeScale;
    LinkState m_state;
    TelegramDecoder m_decoder;
    SendQueue m_queue;
    PollingRotation m_rotation;
    CommunicationLog m_log;
    ReleaseDecision m_release;
    DispensingRecorder m_recorder;
    QString m_sendeStr;
    qint32 m_abfrageAdresse = 0;
    QByteArray m_deviceMessage; // bytes received since the last line feed
    int m_pollingInterval;
    bool m_paused = false; // between pausePolling and resumePolling

    QSerialPort ComPortDevice;
    QTimer TimerPolling;
    QTimer TimerTimeout;
};

} // namespace qv::device
