#pragma once

#include "app/Directories.h"
#include "app/FixedWidthTabWidget.h"
#include "app/MainServices.h"
#include "db/TUsername.h"
#include "db/WorkstationSettings.h"
#include "device/DeviceHost.h"
#include "language/SpeechTable.h"

#include <QColor>
#include <QMainWindow>
#include <QTimer>

#include <array>
#include <functional>
#include <exception>

class QLabel;
class QStatusBar;
class QSystemTrayIcon;
class QTabWidget;

namespace qv::db {
class TDatenmodul;
}
namespace qv::language {
class PageSpeech;
}
namespace qv::device {
class TFormConnection;
}
namespace qv::orders {
class PageOrders;
}
namespace qv::results {
class PageData;
}
namespace qv::tanks {
class PageOverview;
}
namespace qv::masterdata {
class PageSettings;
}
namespace qv::maintenance {
class PageDataBase;
}

namespace qv::app {


class PageAdministration;
class PageLog;
class PageQuorvane;

// The main window: the fixed-size window with its nine tab pages, the status
// bar and tray icon, the start-up sequence and the orderly shutdown. It wires
// the pages together and owns the global settings record.
class TFormMain : public QMainWindow, public MainServices, public qv::device::DeviceHost {
    Q_OBJECT
public:
    static constexpr int WindowWidth = 910;
    static constexpr int WindowHeight = 610;
    static inline const QString Caption = QStringLiteral("Quorvane 6.0.3");

    // Creation touches no database. programFile locates the program folder.
    explicit TFormMain(const QString &programFile, QWidget *parent = nullptr);
    ~TFormMain() override;

    // The data module is created after the window, as at program start.
    void setDatenmodul(qv::db::TDatenmodul *datenmodul) { m_db = datenmodul; }
    // ... and the device link after the data module.
    void setConnection(qv::device::TFormConnection *connection) { m_connection = connection; }
    qv::device::TFormConnection *connection() const { return m_connection; }

    // Whether the window stays hidden in the tray when the program starts.
    bool startsHidden() const { return m_startMinimised; }

    // --- MainServices
    qv::db::TDatenmodul &Datenmodul() override;
    qv::db::TUsername &Username() override { return m_username; }
    const qv::language::SpeechTexts &Texts() const override { return m_texts; }
    QString GetSpeechText(int tag) override;
    QStringList Sprachliste() const override { return m_sprachliste; }
    bool Programmstart() const override { return m_programmstart; }
    bool IsLoggedIn() const override;
    void SetAdminState(bool loggedIn) override;
    void SetDisplayedSpeech() override;
    void ToggleDebugMonitor() override;
    void SelectFirstPage() override;
    void DebugAnzeigeLog(const QString &value, bool clock) override;
    void StatusAnzeige(int position, const QString &value) override;

    // --- DeviceHost (the rest of it)
    bool DebugMonitorActive() const override { return m_debugMonitorActive; }
    void StatusDebugAnzeige(const QString &value) override;
    void ActualizeTableData(bool OpenOrder, bool ResultData) override;
    void RefreshOpenOrders() override;
    bool ResultAutoUpdate() const override { return false; }
    QString StatusConnectText() override { return m_texts.TEXT_STATUS_CONNECT; }
    QString StatusNotConnectText() override { return m_texts.TEXT_STATUS_NOT_CONNECT; }
    void SetDevicePortStatus(bool Connect) override;
    void ShowPortError(const QString &message) override;
    void HandleException(QObject *sender, const std::exception *error, const char *kind) override;

    // --- The controller port box
    void ButtonConnectToDeviceClick();
    void FillPortLists();
    void RestorePortConnections();
    QString SettingsIniFile() const override { return m_dirs.UserDataDirectory + QStringLiteral("settings.ini"); }

    // --- Operations of the window
    void FormShow();
    void AdjustTabWidth();
    int tabWidth() const { return m_tabWidth; }
    QString StatusText(int position) const;
    void WriteErrorLog(const QString &line);
    void ReloadSettings();
    void LoadLanguageList();
    void SetTaggedTexts();
    void SwitchToNextLanguage();
    void ShowDatabaseInformation();
    QString GetWorkstationKey();
    void TrayIconClick();
    void TimerClockTimer();
    void StartBlinking(const QString &notice);
    void TimerBlinkTimer();
    void StatusBarMainClick();
    bool panelHighlighted() const { return m_panel0Highlighted; }
    bool isNoDatabaseState() const { return m_noDatabase; }
    bool debugMonitorActive() const { return m_debugMonitorActive; }
    void ButtonDebugStopClick();
    void CheckBoxSaveLOGClick(bool checked);
    bool communicationLogSwitch() const { return m_communicationLog; }

    const Directories &directories() const { return m_dirs; }
    QTabWidget *pageControl() const { return PageControlMain; }
    const qv::db::WorkstationRow &workstationRow() const { return m_workstationRow; }

    QColor COLOUR_ACCENT_GREEN{188, 207, 19};
    double MinAbgabeWert = 0;
    double MaxAbgabeWert = 99.99;
    bool boolAuftragSuchen = true;

    static inline const QString FixedNotice = QStringLiteral("Quorvane 6 - dispensing");

signals:
    // The user confirmed the end of the program.
    void programEnding();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildStatusBar();
    void buildTray();
    void setPageVisible(QWidget *page, bool visible);
    bool isPageVisible(const QWidget *page) const;
    void runStartUpSequence();
    void enterNoDatabaseState();
    void leaveNoDatabaseState();
    void LoadWorkstationSettings();
    void LoadAdministrationSettings();
    void ApplyStartView();
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void placeValueLabels();
    std::function<QString(int)> textLookup();

    Directories m_dirs;
    qv::db::TDatenmodul *m_db = nullptr;
    qv::device::TFormConnection *m_connection = nullptr;
    qv::db::TUsername m_username;
    qv::db::WorkstationRow m_workstationRow;
    qv::language::SpeechTexts m_texts;
    QStringList m_sprachliste;
    bool m_programmstart = true;
    bool m_debugMonitorActive = false;
    bool m_noDatabase = false;
    bool m_startMinimised = true;
    bool m_communicationLog = false;
    bool m_panel0Highlighted = false;
    int m_tabWidth = 95;

    FixedWidthTabWidget *PageControlMain = nullptr;
    PageQuorvane *TabSheetQuorvane = nullptr;
    qv::orders::PageOrders *TabSheetOrders = nullptr;
    qv::results::PageData *TabSheetData = nullptr;
    qv::tanks::PageOverview *TabSheetOverview = nullptr;
    qv::masterdata::PageSettings *TabSheetSettings = nullptr;
    PageAdministration *TabSheetAdministration = nullptr;
    qv::language::PageSpeech *TabSheetSpeech = nullptr;
    qv::maintenance::PageDataBase *TabSheetDataBase = nullptr;
    PageLog *TabSheetLog = nullptr;

    QStatusBar *StatusBarMain = nullptr;
    std::array<QLabel *, 5> m_panels{};
    QSystemTrayIcon *TrayIcon = nullptr;
    QTimer TimerClock;
    QTimer TimerBlink;
};

} // namespace qv::app
