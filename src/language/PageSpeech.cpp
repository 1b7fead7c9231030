#include "language/PageSpeech.h"

#include "app/MainServices.h"
#include "db/TDatenmodul.h"
#include "db/TUsername.h"
#include "language/SpeechTable.h"

#include <QSignalBlocker>

namespace qv::language {

PageSpeech::PageSpeech(qv::app::MainServices &main, QWidget *parent) : QWidget(parent), m_main(main)
{
    ui.setupUi(this);
    connect(ui.ComboBoxSpeech, &QComboBox::activated, this, &PageSpeech::ComboBoxSpeechSelect);
}

void PageSpeech::fillLanguages(const QStringList &languageColumns)
{
    QStringList codes;
    for (const QString &column : languageColumns)
        codes << SpeechTable::codeOfColumn(column);
    codes.sort();
    const QSignalBlocker block(ui.ComboBoxSpeech);
    ui.ComboBoxSpeech->clear();
    ui.ComboBoxSpeech->addItems(codes);
    ui.ComboBoxSpeech->setCurrentIndex(-1);
}

void PageSpeech::ComboBoxSpeechSelect(int index)
{
    if (index < 0)
        return;
    qv::db::TUsername &u = m_main.Username();
    u.Speech = ui.ComboBoxSpeech->itemText(index);
    m_main.SetDisplayedSpeech();
    m_main.Datenmodul().UpdateOneTableDataRecord(QStringLiteral("SETTINGS"), QStringLiteral("SPEECH"), u.Speech,
                                                 QStringLiteral("IDENTIFICATIONNUMBER"), u.WorkstationKey);
}

void PageSpeech::TabSheetSpeechShow()
{
    const QSignalBlocker block(ui.ComboBoxSpeech);
    ui.ComboBoxSpeech->setCurrentIndex(ui.ComboBoxSpeech->findText(m_main.Username().Speech));
}

void PageSpeech::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    TabSheetSpeechShow();
}

} // namespace qv::language
