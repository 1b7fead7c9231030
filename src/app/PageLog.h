#pragma once

#include "ui_PageLog.h"

#include <QWidget>

namespace qv::app {

class MainServices;

// The debug monitor: the device link's telegram log, the decision log of the
// release logic, and their buttons.
class PageLog : public QWidget {
    Q_OBJECT
public:
    explicit PageLog(MainServices &main, QWidget *parent = nullptr);

    Ui::PageLog ui;

    void appendDebugLine(const QString &line);
    void appendStatusLine(const QString &line);

    void ButtonDebugCopyClick();
    void ButtonDebugClearClick();
    void ButtonCloseDebugWindowsClick();

signals:
    void ButtonDebugStopClicked();
    void CheckBoxSaveLOGClicked(bool checked);

private:
    MainServices &m_main;
};

} // namespace qv::app
