#pragma once

#include "ui_PageAdministration.h"

#include <QWidget>

namespace qv::app {

class MainServices;

// The administration page: password change, start-minimised option, the
// program's folders and the operating system.
class PageAdministration : public QWidget {
    Q_OBJECT
public:
    explicit PageAdministration(MainServices &main, QWidget *parent = nullptr);

    Ui::PageAdministration ui;

    void ButtonSaveNewPasswordClick();
    void ButtonSaveNewPasswordExit();
    void CheckBoxMinimiertClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MainServices &m_main;
};

} // namespace qv::app
