#pragma once

#include "ui_PageQuorvane.h"

#include <QWidget>

namespace qv::app {

class MainServices;

// The title page: caption, logo, administrator login, help button and the
// no-database notice.
class PageQuorvane : public QWidget {
    Q_OBJECT
public:
    explicit PageQuorvane(MainServices &main, QWidget *parent = nullptr);

    Ui::PageQuorvane ui;

    void ButtonAdminLoginClick();
    void EditAdminPasswortChange(const QString &text);
    void ButtonResetPasswortClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MainServices &m_main;
};

} // namespace qv::app
