#pragma once

#include "ui_PageSpeech.h"

#include <QWidget>

namespace qv::app {
class MainServices;
}

namespace qv::language {

// The speech tab: choosing the display language (language maintenance joins
// it later).
class PageSpeech : public QWidget {
    Q_OBJECT
public:
    explicit PageSpeech(qv::app::MainServices &main, QWidget *parent = nullptr);

    Ui::PageSpeech ui;

    // Fills the language box with the codes of the language columns, sorted.
    void fillLanguages(const QStringList &languageColumns);
    void ComboBoxSpeechSelect(int index);
    void TabSheetSpeechShow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    qv::app::MainServices &m_main;
};

} // namespace qv::language
