// The main window driven as a user would: start-up on a real database copy,
// the no-database state, login and passwords, tab widths, shortcuts, the
// display language and the confirmed shutdown.

#include "DbTest.h"
#include "ProgramFixture.h"

#include "app/Clock.h"
#include "app/IniFile.h"
#include "app/Platform.h"
#include "app/QuorvaneApplication.h"
#include "app/ServiceCode.h"
#include "app/TFormMain.h"
#include "app/UserInteraction.h"
#include "db/FbConnection.h"
#include "db/SqlQuery.h"
#include "db/TDatenmodul.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QPlainTextEdit>
#include <QSystemTrayIcon>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace qv;
using test::Program;

namespace {

// Stores a workstation row with a password before the program starts.
void storePassword(const QString &databaseFile, const QString &key, const QString &password)
{
    db::FbConnection c;
    test::attachFile(c, databaseFile);
    db::SqlQuery q(c, QStringLiteral("INSERT INTO SETTINGS (IDENTIFICATIONNUMBER, SPEECH, USERPASSWORD) VALUES (:K, "
                                     "'EN', :P)"));
    q.bind(QStringLiteral("K"), key).bind(QStringLiteral("P"), password);
    q.exec();
}

const QStringList allButLog = {QStringLiteral("TabSheetQuorvane"),   QStringLiteral("TabSheetOrders"),
                               QStringLiteral("TabSheetData"),       QStringLiteral("TabSheetOverview"),
                               QStringLiteral("TabSheetSettings"),   QStringLiteral("TabSheetAdministration"),
                               QStringLiteral("TabSheetSpeech"),     QStringLiteral("TabSheetDataBase")};
const QStringList firstFour = allButLog.mid(0, 4);

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        app::UserInteraction::clearQueued();
    }

    void startUpOnTheDeliveredDatabase()
    {
        Program p;
        p.start();
        QVERIFY(!p.window->Programmstart());
        QVERIFY2(p.errorLog().isEmpty(), qPrintable(p.errorLog()));
        // No password stored: logged in, every tab but the debug monitor.
        QCOMPARE(p.visibleTabs(), allButLog);
        QCOMPARE(p.window->tabWidth(), 110);
        QCOMPARE(p.window->pageControl()->currentWidget()->objectName(), QStringLiteral("TabSheetQuorvane"));
        QCOMPARE(p.find<QPushButton>("ButtonAdminLogin")->text(), p.window->Texts().TEXT_LOGOUT);
        QCOMPARE(p.find<QLabel>("LabelInformation")->toolTip(), QStringLiteral("database=oil.fdb"));
        QVERIFY(!p.find<QLabel>("LabelNoDatabase")->isVisible());
        // The captions come from the text table in the display language.
        QCOMPARE(p.window->Username().Speech, QStringLiteral("EN"));
        QCOMPARE(p.window->pageControl()->tabText(1), p.window->GetSpeechText(2200));
        QCOMPARE(p.find<QLabel>("Label24")->text(), p.window->GetSpeechText(2000));
        QVERIFY(!p.window->Texts().TEXT_SAVE.isEmpty());
        // The workstation got its settings row.
        QCOMPARE(p.scalar(QStringLiteral("SELECT COUNT(*) FROM SETTINGS WHERE IDENTIFICATIONNUMBER = '%1'")
                              .arg(p.window->Username().WorkstationKey))
                     .toInt(),
                 1);
        QCOMPARE(p.window->Username().WorkstationKey, p.key());
        QCOMPARE(p.find<QLabel>("LabelVersion")->text(), app::GetWindowsVersion() + QLatin1Char(' '));
        QCOMPARE(p.find<QLabel>("LabelUserDir")->text(), p.dir.path());
    }

    void noDatabaseFile()
    {
        Program p(test::ProgramDataDir::Database::None);
        p.start();
        QCOMPARE(p.visibleTabs(), QStringList{QStringLiteral("TabSheetQuorvane")});
        QVERIFY(p.window->Programmstart());
        QVERIFY(p.window->isNoDatabaseState());
        QVERIFY(p.find<QLabel>("LabelNoDatabase")->isVisible());
        QCOMPARE(p.find<QLabel>("LabelNoDatabase")->text(), QStringLiteral("error - no database file"));
        QVERIFY(!p.find<QLineEdit>("EditAdminPasswort")->isEnabled());
        QVERIFY(!p.find<QPushButton>("ButtonAdminLogin")->isEnabled());
        QVERIFY2(p.errorLog().contains(QStringLiteral("oil.fdb")), qPrintable(p.errorLog()));

        // Once the file is there, the next showing starts properly.
        p.window->hide();
        QVERIFY(test::copyTemplateDatabase(p.dir.databaseFile()));
        p.window->show();
        QVERIFY(!p.window->Programmstart());
        QVERIFY(!p.find<QLabel>("LabelNoDatabase")->isVisible());
        QVERIFY(p.find<QPushButton>("ButtonAdminLogin")->isEnabled());
        QCOMPARE(p.visibleTabs(), allButLog);
    }

    void closingWithoutDatabaseAsksNothing()
    {
        Program p(test::ProgramDataDir::Database::None);
        p.start();
        QSignalSpy ending(p.window.get(), &app::TFormMain::programEnding);
        // No answer queued: a question would answer No and keep the window.
        QVERIFY(p.window->close());
        QCOMPARE(ending.count(), 1);
    }

    void unusableDatabaseFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not a database") << "text";
        QTest::newRow("empty database of another shape") << "empty";
    }
    void unusableDatabaseFiles()
    {
        QFETCH(QString, kind);
        Program p(test::ProgramDataDir::Database::None);
        if (kind == QLatin1String("text")) {
            QFile f(p.dir.databaseFile());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(70000, 'x'));
        } else {
            db::FbConnection c;
            db::FbConnectionParams params;
            params.database = p.dir.databaseFile();
            c.create(params);
        }
        const QByteArray before = [&] {
            QFile f(p.dir.databaseFile());
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        p.start();
        QVERIFY(p.window->isNoDatabaseState());
        QCOMPARE(p.visibleTabs(), QStringList{QStringLiteral("TabSheetQuorvane")});
        QVERIFY2(!p.errorLog().isEmpty(), "the failure is recorded in error.dat");
        p.window.reset();
        p.datenmodul.reset();
        if (kind == QLatin1String("text")) {
            QFile f(p.dir.databaseFile());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before); // nothing was written into the foreign file
        }
    }

    void loginWithStoredPassword()
    {
        Program p;
        storePassword(p.dir.databaseFile(), p.key(), QStringLiteral("Secret"));
        p.start();
        QCOMPARE(p.visibleTabs(), firstFour);
        QCOMPARE(p.window->tabWidth(), 150);
        auto *edit = p.find<QLineEdit>("EditAdminPasswort");
        auto *login = p.find<QPushButton>("ButtonAdminLogin");
        QCOMPARE(login->text(), p.window->Texts().TEXT_LOGIN);

        QTest::keyClicks(edit, QStringLiteral("secret"));
        QTest::mouseClick(login, Qt::LeftButton);
        QCOMPARE(p.visibleTabs(), firstFour); // case matters

        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("Secret"));
        QTest::mouseClick(login, Qt::LeftButton);
        QCOMPARE(p.visibleTabs(), allButLog);
        QCOMPARE(edit->text(), QStringLiteral("Secret")); // the field is not cleared
        QCOMPARE(login->text(), p.window->Texts().TEXT_LOGOUT);

        QTest::mouseClick(login, Qt::LeftButton);
        QCOMPARE(p.visibleTabs(), firstFour);
    }

    void loginWithoutPassword()
    {
        Program p;
        p.start();
        auto *login = p.find<QPushButton>("ButtonAdminLogin");
        QTest::mouseClick(login, Qt::LeftButton);
        QCOMPARE(p.visibleTabs(), firstFour);
        QTest::mouseClick(login, Qt::LeftButton); // empty field, empty password
        QCOMPARE(p.visibleTabs(), allButLog);
    }

    void passwordChange()
    {
        Program p;
        p.start();
        auto *old = p.find<QLineEdit>("EditPasswort");
        auto *fresh = p.find<QLineEdit>("EditNewPass");
        auto *confirm = p.find<QLineEdit>("EditConfirmPass");
        auto *save = p.find<QPushButton>("ButtonSaveNewPassword");
        const QString stored = QStringLiteral("SELECT USERPASSWORD FROM SETTINGS WHERE IDENTIFICATIONNUMBER = '%1'")
                                   .arg(p.key());

        // A wrong old password changes nothing.
        old->setText(QStringLiteral("x"));
        fresh->setText(QStringLiteral("abc"));
        confirm->setText(QStringLiteral("abc"));
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(p.scalar(stored).toString(), QString());

        // A mismatch sends the focus to the new password.
        p.window->pageControl()->setCurrentWidget(p.find<QWidget>("TabSheetAdministration"));
        QApplication::setActiveWindow(p.window.get());
        QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
        old->clear();
        confirm->setText(QStringLiteral("abd"));
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(p.scalar(stored).toString(), QString());
        QCOMPARE(QApplication::focusWidget(), fresh);

        // Blanks around the new password are dropped.
        fresh->setText(QStringLiteral("  abc  "));
        confirm->setText(QStringLiteral("abc"));
        QTest::mouseClick(save, Qt::LeftButton);
        QCOMPARE(p.scalar(stored).toString(), QStringLiteral("abc"));
        QCOMPARE(p.window->Username().Passwort, QStringLiteral("abc"));
        QVERIFY(old->text().isEmpty() && fresh->text().isEmpty() && confirm->text().isEmpty());
        QCOMPARE(save->text(), p.window->Texts().TEXT_OK);
        save->setFocus();
        old->setFocus();
        QCOMPARE(save->text(), p.window->Texts().TEXT_SAVE);
    }

    void serviceCodeResetsThePassword()
    {
        Program p;
        storePassword(p.dir.databaseFile(), p.key(), QStringLiteral("forgotten"));
        p.start();
        auto *edit = p.find<QLineEdit>("EditAdminPasswort");
        auto *reset = p.find<QPushButton>("ButtonResetPasswort");
        const QString code = app::ServiceCodeForDate(app::Clock::today());
        QTest::keyClicks(edit, code);
        QVERIFY(reset->isVisibleTo(p.window.get()));
        QTest::keyClick(edit, Qt::Key_Backspace);
        QVERIFY(!reset->isVisibleTo(p.window.get()));
        QTest::keyClicks(edit, code.right(1));
        QTest::mouseClick(reset, Qt::LeftButton);
        QVERIFY(edit->text().isEmpty());
        QVERIFY(!reset->isVisibleTo(p.window.get()));
        QCOMPARE(p.visibleTabs(), allButLog);
        QCOMPARE(p.scalar(QStringLiteral("SELECT USERPASSWORD FROM SETTINGS WHERE IDENTIFICATIONNUMBER = '%1'")
                              .arg(p.key()))
                     .toString(),
                 QString());
    }

    void tabWidthsAndDebugMonitor()
    {
        Program p;
        storePassword(p.dir.databaseFile(), p.key(), QStringLiteral("pw"));
        p.start();
        QCOMPARE(p.window->tabWidth(), 150); // 4 tabs
        QTest::keyClick(p.window.get(), Qt::Key_F5, Qt::AltModifier);
        QVERIFY(p.window->debugMonitorActive());
        QVERIFY(p.find<QLabel>("LabelDebugAnzeige")->isVisibleTo(p.window.get()));
        QCOMPARE(p.window->tabWidth(), 150); // 5 tabs
        p.window->SetAdminState(true);
        QCOMPARE(p.window->tabWidth(), 98); // 9 tabs
        QTest::keyClick(p.window.get(), Qt::Key_F5, Qt::AltModifier);
        QCOMPARE(p.window->tabWidth(), 110); // 8 tabs
        QVERIFY(!p.visibleTabs().contains(QStringLiteral("TabSheetLog")));
    }

    void debugMonitorLines()
    {
        Program p;
        p.start();
        app::Clock::setFixed(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89)));
        p.window->DebugAnzeigeLog(QStringLiteral("poll 0"), true);
        p.window->DebugAnzeigeLog(QStringLiteral("raw"), false);
        p.window->StatusDebugAnzeige(QStringLiteral("refused"));
        app::Clock::reset();
        auto *debug = p.find<QPlainTextEdit>("MemoDEBUG");
        auto *status = p.find<QPlainTextEdit>("MemoStatus");
        QCOMPARE(debug->toPlainText(), QStringLiteral("05:06:07:089 # poll 0\nraw"));
        QCOMPARE(status->toPlainText(), QStringLiteral("05:06:07:089 # refused"));
        QTest::mouseClick(p.find<QPushButton>("ButtonDebugCopy"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("05:06:07:089 # poll 0\nraw\n05:06:07:089 # refused\n"));
        QTest::mouseClick(p.find<QPushButton>("ButtonDebugClear"), Qt::LeftButton);
        QVERIFY(debug->toPlainText().isEmpty() && status->toPlainText().isEmpty());

        // Without auto scrolling the view stays where it was.
        p.window->ToggleDebugMonitor();
        p.window->pageControl()->setCurrentWidget(p.find<QWidget>("TabSheetLog"));
        for (int i = 0; i < 200; ++i)
            p.window->DebugAnzeigeLog(QStringLiteral("line %1").arg(i), false);
        QScrollBar *bar = debug->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        p.find<QCheckBox>("CheckBoxScolling")->setChecked(false);
        bar->setValue(10);
        p.window->DebugAnzeigeLog(QStringLiteral("one more"), false);
        QCOMPARE(bar->value(), 10);
        p.find<QCheckBox>("CheckBoxScolling")->setChecked(true);
        p.window->DebugAnzeigeLog(QStringLiteral("and one more"), false);
        QCOMPARE(bar->value(), bar->maximum());
        QTest::mouseClick(p.find<QPushButton>("ButtonDebugClear"), Qt::LeftButton);
        QTest::mouseClick(p.find<QPushButton>("ButtonDebugCopy"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    }

    void nextLanguageWithAltF12()
    {
        Program p;
        p.start();
        QCOMPARE(p.window->Sprachliste(), (QStringList{QStringLiteral("DE_"), QStringLiteral("EN_")}));
        QCOMPARE(p.window->Username().Speech, QStringLiteral("EN"));
        QTest::keyClick(p.window.get(), Qt::Key_F12, Qt::AltModifier);
        QCOMPARE(p.window->Username().Speech, QStringLiteral("DE")); // from the last to the first
        QCOMPARE(p.find<QLabel>("Label24")->text(), p.window->GetSpeechText(2000));
        QCOMPARE(p.window->pageControl()->tabText(1), p.window->GetSpeechText(2200));
        QTest::keyClick(p.window.get(), Qt::Key_F12, Qt::AltModifier);
        QCOMPARE(p.window->Username().Speech, QStringLiteral("EN"));
        // The stored setting stays as it was.
        QCOMPARE(p.scalar(QStringLiteral("SELECT SPEECH FROM SETTINGS WHERE IDENTIFICATIONNUMBER = '%1'").arg(p.key()))
                     .toString(),
                 QStringLiteral("EN"));
    }

    void languageBoxSelectsAndStores()
    {
        Program p;
        p.start();
        auto *box = p.find<QComboBox>("ComboBoxSpeech");
        p.window->pageControl()->setCurrentWidget(p.find<QWidget>("TabSheetSpeech"));
        QCOMPARE(box->currentText(), QStringLiteral("EN"));
        box->setCurrentIndex(box->findText(QStringLiteral("DE")));
        emit box->activated(box->currentIndex());
        QCOMPARE(p.window->Username().Speech, QStringLiteral("DE"));
        QCOMPARE(p.find<QPushButton>("ButtonSaveNewPassword")->text(), p.window->GetSpeechText(1100));
        QCOMPARE(p.scalar(QStringLiteral("SELECT SPEECH FROM SETTINGS WHERE IDENTIFICATIONNUMBER = '%1'").arg(p.key()))
                     .toString(),
                 QStringLiteral("DE"));
    }

    void languageListOrder()
    {
        Program p;
        p.create();
        {
            db::FbConnection c;
            test::attachFile(c, p.dir.databaseFile());
            for (const char *column : {"PL_", "FR_"}) {
                c.executeImmediate(QStringLiteral("ALTER TABLE SPEECH ADD \"%1\" VARCHAR(255) CHARACTER SET UTF8 "
                                                  "COLLATE UNICODE")
                                       .arg(QString::fromLatin1(column)));
            }
        }
        p.start();
        QCOMPARE(p.window->Sprachliste(), (QStringList{QStringLiteral("DE_"), QStringLiteral("EN_"),
                                                       QStringLiteral("PL_"), QStringLiteral("FR_")}));
        auto *box = p.find<QComboBox>("ComboBoxSpeech");
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, (QStringList{QStringLiteral("DE"), QStringLiteral("EN"), QStringLiteral("FR"),
                                     QStringLiteral("PL")}));
    }

    void missingAndEmptyTexts()
    {
        Program p;
        p.create();
        {
            db::FbConnection c;
            test::attachFile(c, p.dir.databaseFile());
            c.executeImmediate(QStringLiteral("ALTER TABLE SPEECH ADD FR_ VARCHAR(255) CHARACTER SET UTF8 COLLATE UNICODE"));
            c.executeImmediate(QStringLiteral("UPDATE SPEECH SET FR_ = EN_"));
            c.executeImmediate(QStringLiteral("UPDATE SPEECH SET FR_ = '' WHERE TAG = 1100"));
            c.executeImmediate(QStringLiteral("DELETE FROM SPEECH WHERE TAG = 4020"));
        }
        storePassword(p.dir.databaseFile(), p.key(), QString());
        p.start();
        p.exec(QStringLiteral("UPDATE SETTINGS SET SPEECH = 'FR'"));
        p.window->Username().Speech = QStringLiteral("FR");
        p.window->SetDisplayedSpeech();
        QCOMPARE(p.find<QPushButton>("ButtonSaveNewPassword")->text(), QString());
        QCOMPARE(p.find<QLabel>("Label7")->text(), QStringLiteral("Error[S=4020]"));
        QCOMPARE(p.window->GetSpeechText(4020), QStringLiteral("Error[S=4020]"));
        QCOMPARE(p.window->GetSpeechText(1100), QString());
    }

    void displayedSpeechTwiceKeepsOneColon()
    {
        Program p;
        p.start();
        p.window->SetDisplayedSpeech();
        p.window->SetDisplayedSpeech();
        const QString caption = p.find<QLabel>("LabelVersionText")->text();
        QCOMPARE(caption, p.window->GetSpeechText(4150) + QLatin1Char(':'));
        // The value label follows its caption.
        auto *captionLabel = p.find<QLabel>("LabelVersionText");
        QCOMPARE(p.find<QLabel>("LabelVersion")->x(),
                 captionLabel->x() + captionLabel->fontMetrics().horizontalAdvance(caption) + 6);
    }

    void closingAsksFirst()
    {
        Program p;
        p.start();
        QSignalSpy ending(p.window.get(), &app::TFormMain::programEnding);
        app::UserInteraction::setNextAnswer(QMessageBox::No);
        QTest::keyClick(p.window.get(), Qt::Key_Escape);
        QVERIFY(p.window->isVisible());
        QCOMPARE(ending.count(), 0);
        QVERIFY(p.datenmodul->isConnected());
        app::UserInteraction::setNextAnswer(QMessageBox::Yes);
        QTest::keyClick(p.window.get(), Qt::Key_Escape);
        QCOMPARE(ending.count(), 1);
        QVERIFY(!p.datenmodul->isConnected());
    }

    void startOptionsFromSettingsIni()
    {
        Program p;
        // Written by hand in other spellings than the program uses.
        {
            QFile f(p.dir.settingsIni());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("; kept\n[File]\nlog=1\n[program]\nVISIBLE=0\n");
        }
        p.start();
        QVERIFY(p.find<QCheckBox>("CheckBoxSaveLOG")->isChecked());
        QVERIFY(p.window->communicationLogSwitch());
        QVERIFY(!p.find<QCheckBox>("CheckBoxMinimiert")->isChecked());
        QVERIFY(!p.window->startsHidden());
        // The start-up wrote nothing back.
        {
            QFile f(p.dir.settingsIni());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("; kept\n[File]\nlog=1\n[program]\nVISIBLE=0\n"));
        }
        QTest::mouseClick(p.find<QCheckBox>("CheckBoxMinimiert"), Qt::LeftButton);
        QVERIFY(app::IniReadBool(p.dir.settingsIni(), QStringLiteral("PROGRAM"), QStringLiteral("Visible"), false));
        QTest::mouseClick(p.find<QCheckBox>("CheckBoxSaveLOG"), Qt::LeftButton);
        QVERIFY(!app::IniReadBool(p.dir.settingsIni(), QStringLiteral("FILE"), QStringLiteral("Log"), true));
        QVERIFY(!p.window->communicationLogSwitch());
    }

    void damagedSettingsIniGivesDefaults()
    {
        Program p;
        {
            QFile f(p.dir.settingsIni());
            QVERIFY(f.open(QIODevice::WriteOnly));
            QByteArray junk;
            for (int i = 0; i < 4096; ++i)
                junk.append(char((i * 37 + 11) % 256));
            f.write("[PROGRAM\nVisible\n=\n[FILE]]\nLog==x\n" + junk);
        }
        p.start();
        QVERIFY(!p.window->Programmstart());
        QVERIFY(p.find<QCheckBox>("CheckBoxMinimiert")->isChecked()); // the default
        QVERIFY(!p.find<QCheckBox>("CheckBoxSaveLOG")->isChecked());
        QVERIFY2(p.errorLog().isEmpty(), qPrintable(p.errorLog()));
    }

    void missingSettingsFolderIsReported()
    {
        Program p;
        QVERIFY(QDir(p.dir.settingsDir()).removeRecursively());
        p.start();
        QVERIFY(!p.window->Programmstart()); // the database still opens
        QCOMPARE(p.window->StatusText(0), QStringLiteral("settings folder not writable"));
        // A setting that cannot be stored is an error, not a crash.
        QTest::mouseClick(p.find<QCheckBox>("CheckBoxMinimiert"), Qt::LeftButton);
        QVERIFY(p.window->isVisible());
        QVERIFY(!QFileInfo::exists(p.dir.settingsDir()));
    }

    void noSettingsIniMeansStartInTheTray()
    {
        Program p;
        p.create();
        QVERIFY(p.find<QCheckBox>("CheckBoxMinimiert")->isChecked());
        // Offscreen there is no tray, so the window must show itself.
        QCOMPARE(p.window->startsHidden(), QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(!p.datenmodul->isConnected()); // nothing before the first showing
    }

    void errorsEscapingAHandlerGoToErrorDat()
    {
        Program p;
        p.start();
        app::Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(9, 8, 7)));
        p.datenmodul->Disconnect(); // the next store fails
        QTest::mouseClick(p.find<QPushButton>("ButtonSaveNewPassword"), Qt::LeftButton);
        app::Clock::reset();
        const QString log = p.errorLog();
        QVERIFY2(log.contains(QStringLiteral("[Exception]")), qPrintable(log));
        QVERIFY2(log.contains(QStringLiteral("11.12.26 - 09:08:07=# Sender: QPushButton - Typ: FbError - Error: ")),
                 qPrintable(log));
        QCOMPARE(p.window->Username().Passwort, QString()); // unchanged
        QVERIFY(p.window->isVisible());                      // the program goes on
    }

    void statusBar()
    {
        Program p;
        p.start();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        app::Clock::setFixed(QDateTime(QDate(2026, 12, 11), QTime(9, 8, 7)));
        p.window->TimerClockTimer();
        app::Clock::reset();
        QCOMPARE(p.window->StatusText(4), QStringLiteral("11.12.26   09:08:07"));
        QCOMPARE(p.window->StatusText(1), QString());
        // A click while nothing blinks does nothing; while it blinks it stops.
        const QString notice = p.window->StatusText(0);
        QTest::mouseClick(p.find<QWidget>("StatusBarMainPanel0"), Qt::LeftButton);
        QCOMPARE(p.window->StatusText(0), notice);
        p.window->StartBlinking(QStringLiteral("update available"));
        p.window->TimerBlinkTimer();
        QVERIFY(p.window->panelHighlighted());
        QTest::mouseClick(p.find<QWidget>("StatusBarMainPanel0"), Qt::LeftButton);
        QVERIFY(!p.window->panelHighlighted());
        QCOMPARE(p.window->StatusText(0), notice);
    }
};

int main(int argc, char **argv)
{
    app::QuorvaneApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
