#include "app/PageLog.h"

#include "app/MainServices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>

namespace qv::app {

PageLog::PageLog(MainServices &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    ui.setupUi(this);
    connect(ui.ButtonDebugCopy, &QPushButton::clicked, this, &PageLog::ButtonDebugCopyClick);
    connect(ui.ButtonDebugClear, &QPushButton::clicked, this, &PageLog::ButtonDebugClearClick);
    connect(ui.ButtonDebugStop, &QPushButton::clicked, this, &PageLog::ButtonDebugStopClicked);
    connect(ui.ButtonCloseDebugWindows, &QPushButton::clicked, this, &PageLog::ButtonCloseDebugWindowsClick);
    connect(ui.CheckBoxSaveLOG, &QCheckBox::toggled, this, &PageLog::CheckBoxSaveLOGClicked);
}

void PageLog::appendDebugLine(const QString &line)
{
    // Without auto scrolling the view stays where the user left it.
    QScrollBar *bar = ui.MemoDEBUG->verticalScrollBar();
    const bool follow = ui.CheckBoxScolling->isChecked();
    const int position = bar->value();
    ui.MemoDEBUG->appendPlainText(line);
    if (follow)
        bar->setValue(bar->maximum());
    else
        bar->setValue(position);
}

void PageLog::appendStatusLine(const QString &line)
{
    ui.MemoStatus->appendPlainText(line);
}

void PageLog::ButtonDebugCopyClick()
{
    QString text = ui.MemoDEBUG->toPlainText();
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    text += ui.MemoStatus->toPlainText();
    if (!ui.MemoStatus->toPlainText().isEmpty())
        text += QLatin1Char('\n');
    QGuiApplication::clipboard()->setText(text);
}

void PageLog::ButtonDebugClearClick()
{
    ui.MemoDEBUG->clear();
    ui.MemoStatus->clear();
}

void PageLog::ButtonCloseDebugWindowsClick()
{
    m_main.ToggleDebugMonitor();
    m_main.SelectFirstPage();
}

} // namespace qv::app
