#include "app/TFormMain.h"

#include "app/Clock.h"
#include "app/ErrorLog.h"
#include "app/FixedWidthTabWidget.h"
#include "app/IniFile.h"
#include "app/PageAdministration.h"
#include "app/PageLog.h"
#include "app/PageQuorvane.h"
#include "app/Platform.h"
#include "device/TFormConnection.h"
#include "app/QuorvaneApplication.h"
#include "app/UserInteraction.h"
#include "db/DisplayFormats.h"
#include "db/FbError.h"
#include "db/SchemaUpgrade.h"
#include "db/TDatenmodul.h"
#include "language/PageSpeech.h"
#include "language/TaggedTexts.h"
#include "maintenance/PageDataBase.h"
#include "masterdata/PageSettings.h"
#include "orders/PageOrders.h"
#include "results/PageData.h"
#include "tanks/PageOverview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDebug>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>

#include <memory>

namespace qv::app {

namespace {

QIcon trayIconPicture()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(188, 207, 19));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(13);
    p.setFont(f);
    p.drawText(QRectF(0, 0, 32, 32), Qt::AlignCenter, QStringLiteral("Q6"));
    return QIcon(pm);
}

} // namespace

TFormMain::TFormMain(const QString &programFile, QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FormMain"));
    // 1. The debug monitor starts switched off; the start-up has not run yet.
    m_debugMonitorActive = false;
    m_programmstart = true;

    // 2. A fixed window: minimise and close, no maximise.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(WindowWidth, WindowHeight);

    PageControlMain = new FixedWidthTabWidget(this);
    PageControlMain->setObjectName(QStringLiteral("PageControlMain"));
    setCentralWidget(PageControlMain);

    TabSheetQuorvane = new PageQuorvane(*this);
    TabSheetOrders = new qv::orders::PageOrders;
    TabSheetData = new qv::results::PageData;
    TabSheetOverview = new qv::tanks::PageOverview;
    TabSheetSettings = new qv::masterdata::PageSettings;
    TabSheetAdministration = new PageAdministration(*this);
    TabSheetSpeech = new qv::language::PageSpeech(*this);
    TabSheetDataBase = new qv::maintenance::PageDataBase;
    TabSheetLog = new PageLog(*this);
    const std::pair<QWidget *, const char *> pages[] = {
        {TabSheetQuorvane, "Quorvane"},  {TabSheetOrders, "Orders"},
        {TabSheetData, "Data"},          {TabSheetOverview, "Overview"},
        {TabSheetSettings, "Settings"},  {TabSheetAdministration, "Administration"},
        {TabSheetSpeech, "Speech"},      {TabSheetDataBase, "Database"},
        {TabSheetLog, "Log"},
    };
    for (const auto &[page, caption] : pages)
        PageControlMain->addTab(page, QString::fromLatin1(caption));
    PageControlMain->setTabWidth(m_tabWidth);

    connect(TabSheetLog, &PageLog::ButtonDebugStopClicked, this, &TFormMain::ButtonDebugStopClick);
    connect(TabSheetLog, &PageLog::CheckBoxSaveLOGClicked, this, &TFormMain::CheckBoxSaveLOGClick);
    connect(TabSheetAdministration->ui.ButtonConnectToDevice, &QPushButton::clicked, this,
            &TFormMain::ButtonConnectToDeviceClick);

    buildStatusBar();

    // 3.-4. Accent colour and caption.
    setWindowTitle(Caption);
    TabSheetQuorvane->ui.LabelTitleCaption->setText(Caption);
    TabSheetQuorvane->ui.LabelTitleCaption->setStyleSheet(
        QStringLiteral("color: %1;").arg(COLOUR_ACCENT_GREEN.name()));

    // 5. Notices that only appear when needed; the debug monitor page is hidden.
    TabSheetQuorvane->ui.LabelNoDatabase->setVisible(false);
    TabSheetQuorvane->ui.LabelDebugAnzeige->setVisible(false);
    setPageVisible(TabSheetLog, false);

    // 6.-7.
    boolAuftragSuchen = true;
    MinAbgabeWert = 0;
    MaxAbgabeWert = 99.99;
    for (int i = 1; i <= 3; ++i)
        StatusAnzeige(i, QString());

    // 9. Folders.
    m_dirs = Directories::resolve(programFile);
    m_username.Backup.BackupDirectory = m_dirs.BackupDirectory;
    TabSheetAdministration->ui.LabelProgrammverzeichnis->setText(m_dirs.ExeProgramDirectory);
    TabSheetAdministration->ui.LabelUserDir->setText(m_dirs.ProgramDataDirectory);

    // 10. First pages selected.
    PageControlMain->setCurrentWidget(TabSheetQuorvane);
    TabSheetOrders->ui.PageControlOrders->setCurrentIndex(0);
    TabSheetData->ui.PageControlData->setCurrentIndex(0);

    // settings.ini and error.dat live in the settings folder; the program
    // does not create it, but says so where it cannot write there.
    const QFileInfo settingsFolder(m_dirs.UserDataDirectory);
    if (!settingsFolder.isDir() || !settingsFolder.isWritable()) {
        const QString notice = QStringLiteral("Cannot write the settings folder ") + m_dirs.UserDataDirectory;
        qWarning().noquote() << notice;
        m_panels[0]->setText(QStringLiteral("settings folder not writable"));
        m_panels[0]->setToolTip(notice);
    }

    // 11. Start hidden in the tray? Without a settings file: yes.
    m_startMinimised = IniReadBool(SettingsIniFile(), QStringLiteral("PROGRAM"), QStringLiteral("Visible"), true);
    TabSheetAdministration->ui.CheckBoxMinimiert->setChecked(m_startMinimised);
    // A desktop without a tray could never bring the window back.
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        m_startMinimised = false;

    // 12. Tray icon.
    buildTray();

    connect(&TimerClock, &QTimer::timeout, this, &TFormMain::TimerClockTimer);
    TimerClock.start(1000);
    TimerClockTimer();
    connect(&TimerBlink, &QTimer::timeout, this, &TFormMain::TimerBlinkTimer);
    TimerBlink.setInterval(750);

    // Keys reach the window before its controls.
    qApp->installEventFilter(this);

    if (auto *app = qobject_cast<QuorvaneApplication *>(qApp)) {
        app->setExceptionHandler(
            [this](QObject *receiver, const std::exception *error, const char *kind) { HandleException(receiver, error, kind); });
    }

    // Centred on the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        move(avail.center() - QPoint(WindowWidth / 2, WindowHeight / 2));
    }
}

TFormMain::~TFormMain()
{
    qApp->removeEventFilter(this);
    if (auto *app = qobject_cast<QuorvaneApplication *>(qApp))
        app->setExceptionHandler(nullptr);
}

void TFormMain::buildStatusBar()
{
    StatusBarMain = new QStatusBar(this);
    StatusBarMain->setObjectName(QStringLiteral("StatusBarMain"));
    StatusBarMain->setSizeGripEnabled(false);
    setStatusBar(StatusBarMain);
    const int widths[5] = {220, 120, 70, 250, 50};
    for (int i = 0; i < 5; ++i) {
        auto *panel = new QLabel(StatusBarMain);
        panel->setObjectName(QStringLiteral("StatusBarMainPanel%1").arg(i));
        panel->setAlignment(Qt::AlignCenter);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        if (i < 4)
            panel->setFixedWidth(widths[i]);
        else
            panel->setMinimumWidth(widths[i]);
        StatusBarMain->addWidget(panel, i == 4 ? 1 : 0);
        m_panels[size_t(i)] = panel;
    }
    m_panels[0]->setText(FixedNotice);
    StatusBarMain->installEventFilter(this);
    for (QLabel *panel : m_panels)
        panel->installEventFilter(this);
}

void TFormMain::buildTray()
{
    TrayIcon = new QSystemTrayIcon(trayIconPicture(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(Caption);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            TrayIconClick();
    });
    TrayIcon->show();
    if (m_startMinimised)
        TrayIcon->showMessage(QString(), Caption);
}

qv::db::TDatenmodul &TFormMain::Datenmodul()
{
    if (!m_db)
        throw qv::db::FbError(QStringLiteral("no data module"));
    return *m_db;
}

// --- Tab pages -------------------------------------------------------------

void TFormMain::setPageVisible(QWidget *page, bool visible)
{
    auto *tabs = qobject_cast<QTabWidget *>(page->parentWidget() ? page->parentWidget()->parentWidget() : nullptr);
    if (!tabs)
        return;
    const int i = tabs->indexOf(page);
    if (i >= 0)
        tabs->setTabVisible(i, visible);
}

bool TFormMain::isPageVisible(const QWidget *page) const
{
    auto *tabs = qobject_cast<QTabWidget *>(page->parentWidget() ? page->parentWidget()->parentWidget() : nullptr);
    if (!tabs)
        return false;
    const int i = tabs->indexOf(const_cast<QWidget *>(page));
    return i >= 0 && tabs->isTabVisible(i);
}

bool TFormMain::IsLoggedIn() const
{
    // The deletion page of the data tab is shown exactly while logged in.
    return isPageVisible(TabSheetData->ui.TabSheetAbgabeDatenDelete);
}

void TFormMain::SetAdminState(bool loggedIn)
{
    for (QWidget *page : {static_cast<QWidget *>(TabSheetSettings), static_cast<QWidget *>(TabSheetAdministration),
                          static_cast<QWidget *>(TabSheetSpeech), static_cast<QWidget *>(TabSheetDataBase)})
        setPageVisible(page, loggedIn);
    setPageVisible(TabSheetOrders->ui.TabSheetNewOrder, loggedIn);
    setPageVisible(TabSheetOrders->ui.TabSheetStatusData, loggedIn);
    setPageVisible(TabSheetData->ui.TabSheetAbgabeDatenDelete, loggedIn);
    setPageVisible(TabSheetData->ui.TabSheetPrinting, loggedIn);
    if (loggedIn) {
        TabSheetOrders->ui.PageControlOrders->setCurrentWidget(TabSheetOrders->ui.TabSheetNewOrder);
        TabSheetData->ui.PageControlData->setCurrentWidget(TabSheetData->ui.TabSheetAbgabeDaten);
    }
    TabSheetQuorvane->ui.ButtonAdminLogin->setText(loggedIn ? m_texts.TEXT_LOGOUT : m_texts.TEXT_LOGIN);
    AdjustTabWidth();
}

void TFormMain::AdjustTabWidth()
{
    int visible = 0;
    for (int i = 0; i < PageControlMain->count(); ++i)
        visible += PageControlMain->isTabVisible(i) ? 1 : 0;
    if (visible < 6)
        m_tabWidth = 150;
    else if (visible <= 8)
        m_tabWidth = 110;
    else if (visible == 9)
        m_tabWidth = 98;
    else if (visible == 10)
        m_tabWidth = 88;
    PageControlMain->setTabWidth(m_tabWidth);
}

void TFormMain::SelectFirstPage()
{
    PageControlMain->setCurrentWidget(TabSheetQuorvane);
}

// --- Status, debug monitor, error log ---------------------------------------

void TFormMain::StatusAnzeige(int position, const QString &value)
{
    if (position >= 0 && position < int(m_panels.size()))
        m_panels[size_t(position)]->setText(value);
}

QString TFormMain::StatusText(int position) const
{
    return position >= 0 && position < int(m_panels.size()) ? m_panels[size_t(position)]->text() : QString();
}

void TFormMain::DebugAnzeigeLog(const QString &value, bool clock)
{
    const QString line =
        clock ? Clock::now().toString(QStringLiteral("hh:mm:ss:zzz")) + QStringLiteral(" # ") + value : value;
    TabSheetLog->appendDebugLine(line);
}

void TFormMain::StatusDebugAnzeige(const QString &value)
{
    TabSheetLog->appendStatusLine(Clock::now().toString(QStringLiteral("hh:mm:ss:zzz")) + QStringLiteral(" # ")
                                  + value);
}

void TFormMain::ToggleDebugMonitor()
{
    m_debugMonitorActive = !m_debugMonitorActive;
    setPageVisible(TabSheetLog, m_debugMonitorActive);
    TabSheetQuorvane->ui.LabelDebugAnzeige->setVisible(m_debugMonitorActive);
    AdjustTabWidth();
}

void TFormMain::ButtonDebugStopClick()
{
    m_debugMonitorActive = !m_debugMonitorActive;
    TabSheetLog->ui.ButtonDebugStop->setText(m_debugMonitorActive ? m_texts.TEXT_STOP : m_texts.TEXT_START);
    TabSheetQuorvane->ui.LabelDebugAnzeige->setVisible(m_debugMonitorActive);
}

void TFormMain::CheckBoxSaveLOGClick(bool checked)
{
    // The device link takes the switch in every case; the file keeps it only
    // once the start-up is over.
    m_communicationLog = checked;
    if (m_connection)
        m_connection->SetWriteLog(checked);
    if (!m_programmstart)
        IniWriteBool(SettingsIniFile(), QStringLiteral("File"), QStringLiteral("Log"), checked);
}

void TFormMain::WriteErrorLog(const QString &line)
{
    try {
        qv::app::WriteErrorLog(m_dirs.UserDataDirectory + QStringLiteral("error.dat"), line, Clock::now());
    } catch (const std::exception &e) {
        // Nowhere left to record it but the console.
        qCritical().noquote() << line << "(error.dat:" << e.what() << ")";
    }
}

void TFormMain::HandleException(QObject *sender, const std::exception *error, const char *kind)
{
    const QString line = QuorvaneApplication::errorLine(sender, error, kind);
    qWarning().noquote() << line;
    WriteErrorLog(line);
}

void TFormMain::TimerClockTimer()
{
    const QLocale locale;
    const QDateTime now = Clock::now();
    StatusAnzeige(4, locale.toString(now.date(), QLocale::ShortFormat) + QStringLiteral("   ")
                         + locale.toString(now.time(), qv::db::longTimeFormat(locale)));
}

void TFormMain::StartBlinking(const QString &notice)
{
    StatusAnzeige(0, notice);
    TimerBlink.start();
}

void TFormMain::TimerBlinkTimer()
{
    m_panel0Highlighted = !m_panel0Highlighted;
    m_panels[0]->setStyleSheet(m_panel0Highlighted
                                   ? QStringLiteral("background-color: %1; color: white;").arg(COLOUR_ACCENT_GREEN.name())
                                   : QString());
}

void TFormMain::StatusBarMainClick()
{
    if (!TimerBlink.isActive())
        return;
    TimerBlink.stop();
    m_panel0Highlighted = false;
    m_panels[0]->setStyleSheet(QString());
    // Opening the update page and recording the check come with the update check.
    m_panels[0]->setText(FixedNotice);
}

// --- Start-up -------------------------------------------------------------

void TFormMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_programmstart)
        FormShow();
}

void TFormMain::FormShow()
{
    try {
        runStartUpSequence();
    } catch (const qv::db::FbError &e) {
        // A database that opens but does not answer as ours does (wrong
        // shape, damaged) is treated like a missing one, so nothing works on
        // half-loaded settings.
        HandleException(this, &e, nullptr);
        m_db->Disconnect();
        enterNoDatabaseState();
    } catch (const std::exception &e) {
        HandleException(this, &e, nullptr);
    }
}

void TFormMain::enterNoDatabaseState()
{
    m_noDatabase = true;
    for (int i = 1; i < PageControlMain->count(); ++i)
        PageControlMain->setTabVisible(i, false);
    PageControlMain->setCurrentWidget(TabSheetQuorvane);
    TabSheetQuorvane->ui.EditAdminPasswort->setEnabled(false);
    TabSheetQuorvane->ui.ButtonAdminLogin->setEnabled(false);
    TabSheetQuorvane->ui.LabelNoDatabase->setVisible(true);
}

void TFormMain::leaveNoDatabaseState()
{
    m_noDatabase = false;
    TabSheetQuorvane->ui.EditAdminPasswort->setEnabled(true);
    TabSheetQuorvane->ui.ButtonAdminLogin->setEnabled(true);
    TabSheetQuorvane->ui.LabelNoDatabase->setVisible(false);
}

void TFormMain::runStartUpSequence()
{
    if (!m_db)
        throw qv::db::FbError(QStringLiteral("no data module"));

    // 1. Connect: the local file through the embedded engine, or a server
    // named in settings.ini.
    const QString ini = SettingsIniFile();
    const QString server = IniReadString(ini, QStringLiteral("DATABASE"), QStringLiteral("Server"), QString()).trimmed();
    const int port = IniReadString(ini, QStringLiteral("DATABASE"), QStringLiteral("Port"), QStringLiteral("3050")).toInt();
    const QString database =
        server.isEmpty() ? m_dirs.DatabaseDirectory + QStringLiteral("oil.fdb")
                         : IniReadString(ini, QStringLiteral("DATABASE"), QStringLiteral("Database"), QStringLiteral("oil"));
    if (!m_db->ConnectToDatabase(server, database, m_dirs.ExeProgramDirectory, port > 0 ? port : 3050)) {
        // 2. No database: only the title page, no login, the notice. The
        // sequence runs again the next time the window is shown.
        WriteErrorLog(QStringLiteral("# Database: ") + database + QStringLiteral(" - ") + m_db->lastConnectError());
        qWarning().noquote() << "cannot open the database" << database << ":" << m_db->lastConnectError();
        enterNoDatabaseState();
        return;
    }
    leaveNoDatabaseState();

    // 3.-4.
    ShowDatabaseInformation();
    qv::db::SchemaUpgrade(m_db->connection(), [this](const QString &line) { WriteErrorLog(line); })
        .checkSchemaVersion();

    // 5.-6.
    TabSheetAdministration->ui.LabelVersion->setText(GetWindowsVersion() + QLatin1Char(' '));
    TabSheetLog->ui.CheckBoxSaveLOG->setChecked(
        IniReadBool(ini, QStringLiteral("FILE"), QStringLiteral("Log"), false));
    CheckBoxSaveLOGClick(TabSheetLog->ui.CheckBoxSaveLOG->isChecked());
    // 7.
    if (m_connection)
        m_connection->SetPelvorDivisor(1000);

    // 8.-10.
    LoadLanguageList();
    ReloadSettings();

    // 12.-13.
    SetDisplayedSpeech();
    TabSheetQuorvane->ui.ButtonAdminLogin->setText(m_username.Passwort.isEmpty() ? m_texts.TEXT_LOGOUT
                                                                                   : m_texts.TEXT_LOGIN);
    // 14.-15. The serial ports last, once every setting is in place.
    FillPortLists();
    RestorePortConnections();
    // 16.
    m_programmstart = false;
}

void TFormMain::ShowDatabaseInformation()
{
    TabSheetDataBase->ui.LabelInformation->setToolTip(m_db->databaseInformation());
}

QString TFormMain::GetWorkstationKey()
{
    return qv::app::GetWorkstationKey(QCoreApplication::applicationFilePath());
}

void TFormMain::ReloadSettings()
{
    m_username.WorkstationKey = GetWorkstationKey();
    LoadWorkstationSettings();
    LoadAdministrationSettings();
    ApplyStartView();
}

void TFormMain::LoadWorkstationSettings()
{
    qv::db::WorkstationSettings loader(m_db->connection());
    m_workstationRow = loader.LoadWorkstationSettings(
        m_username, m_sprachliste, {GetWindowsUserName(), GetSystemLanguage(), Clock::today()});
}

void TFormMain::LoadAdministrationSettings()
{
    qv::db::WorkstationSettings loader(m_db->connection());
    loader.LoadAdministrationSettings(m_username, Clock::today());
}

void TFormMain::ApplyStartView()
{
    for (QWidget *page : {static_cast<QWidget *>(TabSheetOrders), static_cast<QWidget *>(TabSheetData),
                          static_cast<QWidget *>(TabSheetOverview)})
        setPageVisible(page, true);
    SetAdminState(m_username.Passwort.isEmpty());
    setWindowTitle(Caption);
    PageControlMain->setCurrentWidget(TabSheetQuorvane);
}

// --- Window events ------------------------------------------------------------

bool TFormMain::FormKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool alt = modifiers & Qt::AltModifier;
    switch (key) {
    case Qt::Key_F1:
        // The help document comes with the help and update-check page.
        return !alt;
    case Qt::Key_Escape:
        if (alt)
            return false;
        close();
        return true;
    case Qt::Key_F5:
        if (!alt)
            return false;
        ToggleDebugMonitor();
        return true;
    case Qt::Key_F12:
        if (!alt)
            return false;
        SwitchToNextLanguage();
        return true;
    default:
        return false;
    }
}

bool TFormMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *w = qobject_cast<QWidget *>(watched);
        // Only keys meant for this window, and only once (the event also
        // passes the parents of the focused control).
        if (w && w->window() == this && (w == QApplication::focusWidget() || w == this)) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (FormKeyDown(key->key(), key->modifiers()))
                return true;
        }
    } else if (event->type() == QEvent::MouseButtonPress
               && (watched == StatusBarMain || std::find(m_panels.begin(), m_panels.end(), watched) != m_panels.end())) {
        StatusBarMainClick();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && QSystemTrayIcon::isSystemTrayAvailable()) {
        // Minimised windows live in the tray.
        QTimer::singleShot(0, this, [this] {
            hide();
            TrayIcon->showMessage(QString(), windowTitle());
        });
    }
}

void TFormMain::TrayIconClick()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    if (m_db && m_db->isConnected() && !m_noDatabase) {
        QString question;
        try {
            question = GetSpeechText(9060);
        } catch (const std::exception &) {
            question = QStringLiteral("Quit Quorvane 6?");
        }
        if (UserInteraction::question(this, QStringLiteral("Quorvane"), question) != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    TimerBlink.stop();
    if (m_db)
        m_db->Disconnect();
    event->accept();
    TrayIcon->hide();
    emit programEnding();
}

} // namespace qv::app
