// The main window's side of the device link: the controller port box, the
// port status, restoring the connection at start-up, and the refresh hook
// through which the link's changes reach the views.

#include "app/IniFile.h"
#include "app/PageAdministration.h"
#include "app/TFormMain.h"
#include "app/UserInteraction.h"
#include "db/TDatenmodul.h"
#include "device/TFormConnection.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace qv::app {

namespace {
const QString ComSection = QStringLiteral("COM");

// Selects the entry equal to text (without regard to case); -1 when none.
int selectEntry(QComboBox *box, const QString &text)
{
    const int index = text.isEmpty() ? -1 : box->findText(text, Qt::MatchFixedString);
    box->setCurrentIndex(index);
    if (index < 0 && box->isEditable())
        box->setEditText(QString());
    return index;
}
} // namespace

void TFormMain::ActualizeTableData(bool OpenOrder, bool ResultData)
{
    if (!m_db)
        return;
    // A refresh that fails leaves the grid showing what it showed.
    if (OpenOrder)
        RefreshOpenOrders();
    if (ResultData && m_db->QueryGridResultData()->isOpen()) {
        try {
            m_db->QueryGridResultData()->refresh();
        } catch (const std::exception &) {
        }
    }
}

void TFormMain::RefreshOpenOrders()
{
    if (!m_db || !m_db->QueryGridOpenOrders()->isOpen())
        return;
    try {
        m_db->QueryGridOpenOrders()->refresh();
    } catch (const std::exception &) {
    }
}

void TFormMain::FillPortLists()
{
    QComboBox *box = TabSheetAdministration->ui.ComboBoxCOM;
    box->clear();
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        box->addItem(info.systemLocation());
}

void TFormMain::RestorePortConnections()
{
    const QString ini = SettingsIniFile();
    QComboBox *com = TabSheetAdministration->ui.ComboBoxCOM;
    if (IniReadBool(ini, ComSection, QStringLiteral("Connect"), false)) {
        const QString port = IniReadString(ini, ComSection, QStringLiteral("Port"), QString());
        // Pseudo-terminals and devices plugged in late are not listed; a
        // stored one that exists is offered all the same.
        if (!port.isEmpty() && com->findText(port, Qt::MatchFixedString) < 0 && QFileInfo::exists(port))
            com->addItem(port);
        selectEntry(com, port);
        selectEntry(TabSheetAdministration->ui.ComboBoxBaudrate,
                    IniReadString(ini, ComSection, QStringLiteral("Baudrate"), QStringLiteral("9600")));
        // A stored port that no longer exists leaves the box empty, and
        // nothing is attempted.
        if (com->currentIndex() >= 0)
            ButtonConnectToDeviceClick();
    } else if (com->count() > 0) {
        com->setCurrentIndex(0);
    }
}

void TFormMain::ButtonConnectToDeviceClick()
{
    if (!m_connection)
        return;
    if (m_connection->isOpen()) {
        m_connection->DisconnectFromDevicePort();
        return;
    }
    const QString port = TabSheetAdministration->ui.ComboBoxCOM->currentText().trimmed();
    if (port.isEmpty())
        return;
    bool ok = false;
    int baudrate = TabSheetAdministration->ui.ComboBoxBaudrate->currentText().toInt(&ok);
    if (!ok)
        baudrate = 9600;
    m_connection->ConnectToDevicePort(port, baudrate);
}

void TFormMain::SetDevicePortStatus(bool Connect)
{
    auto &ui = TabSheetAdministration->ui;
    ui.ButtonConnectToDevice->setText(Connect ? m_texts.TEXT_DISCONNECT : m_texts.TEXT_CONNECT);
    ui.ComboBoxCOM->setEnabled(!Connect);
    ui.ComboBoxBaudrate->setEnabled(!Connect);
    const QString ini = SettingsIniFile();
    IniWriteBool(ini, ComSection, QStringLiteral("Connect"), Connect);
    const QString port = ui.ComboBoxCOM->currentText();
    if (Connect) {
        IniWriteString(ini, ComSection, QStringLiteral("Port"), port);
        IniWriteString(ini, ComSection, QStringLiteral("Baudrate"), ui.ComboBoxBaudrate->currentText());
    }
    if (m_debugMonitorActive)
        DebugAnzeigeLog(port + (Connect ? QStringLiteral(" OPEN") : QStringLiteral(" CLOSE")), true);
    StatusAnzeige(1, QString());
    StatusAnzeige(2, QString());
}

void TFormMain::ShowPortError(const QString &message)
{
    UserInteraction::warning(this, windowTitle(), message);
}

} // namespace qv::app
