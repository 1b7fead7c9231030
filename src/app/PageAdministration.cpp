#include "app/PageAdministration.h"

#include "app/AdminPasswords.h"
#include "app/IniFile.h"
#include "app/MainServices.h"
#include "db/TUsername.h"
#include "language/SpeechTable.h"

#include <QEvent>

namespace qv::app {

PageAdministration::PageAdministration(MainServices &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    ui.setupUi(this);
    ui.ButtonSaveNewPassword->installEventFilter(this);
    connect(ui.ButtonSaveNewPassword, &QPushButton::clicked, this, &PageAdministration::ButtonSaveNewPasswordClick);
    connect(ui.CheckBoxMinimiert, &QCheckBox::toggled, this, &PageAdministration::CheckBoxMinimiertClick);
}

void PageAdministration::ButtonSaveNewPasswordClick()
{
    qv::db::TUsername &u = m_main.Username();
    const auto result = AdminPasswords::change(m_main.Datenmodul(), u.WorkstationKey, u.Passwort,
                                               ui.EditPasswort->text(), ui.EditNewPass->text(),
                                               ui.EditConfirmPass->text());
    switch (result) {
    case AdminPasswords::ChangeResult::WrongOldPassword:
        return;
    case AdminPasswords::ChangeResult::Mismatch:
        ui.EditNewPass->setFocus();
        return;
    case AdminPasswords::ChangeResult::Changed:
        ui.EditPasswort->clear();
        ui.EditNewPass->clear();
        ui.EditConfirmPass->clear();
        ui.ButtonSaveNewPassword->setText(m_main.Texts().TEXT_OK);
        return;
    }
}

void PageAdministration::ButtonSaveNewPasswordExit()
{
    ui.ButtonSaveNewPassword->setText(m_main.Texts().TEXT_SAVE);
}

void PageAdministration::CheckBoxMinimiertClick()
{
    if (!m_main.Programmstart())
        IniWriteBool(m_main.SettingsIniFile(), QStringLiteral("PROGRAM"), QStringLiteral("Visible"),
                     ui.CheckBoxMinimiert->isChecked());
}

bool PageAdministration::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui.ButtonSaveNewPassword && event->type() == QEvent::FocusOut)
        ButtonSaveNewPasswordExit();
    return QWidget::eventFilter(watched, event);
}

} // namespace qv::app
