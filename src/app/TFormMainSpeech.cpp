// The main window's display language: captions from the text table, the
// shared texts, and stepping through the languages.

#include "app/TFormMain.h"

#include "app/PageQuorvane.h"

#include "db/TDatenmodul.h"
#include "language/PageSpeech.h"
#include "language/TaggedTexts.h"

#include <QAbstractButton>
#include <QLabel>

#include <memory>

namespace qv::app {


QString TFormMain::GetSpeechText(int tag)
{
    return qv::language::SpeechTable(Datenmodul().connection()).GetSpeechText(m_username.Speech, tag);
}

void TFormMain::LoadLanguageList()
{
    m_sprachliste = qv::language::SpeechTable(Datenmodul().connection()).languageColumns();
    TabSheetSpeech->fillLanguages(m_sprachliste);
}

std::function<QString(int)> TFormMain::textLookup()
{
    // All texts of the language in one statement; the same result as one
    // lookup per tag.
    auto texts = std::make_shared<const QMap<int, QString>>(
        qv::language::SpeechTable(Datenmodul().connection()).allTexts(m_username.Speech));
    return [texts](int tag) {
        const auto it = texts->constFind(tag);
        return it == texts->constEnd() ? qv::language::SpeechTable::missingText(tag) : *it;
    };
}

void TFormMain::SetTaggedTexts()
{
    qv::language::TaggedTexts::apply(this, textLookup());
}

void TFormMain::SetDisplayedSpeech()
{
    // 1. Captions of every tagged control.
    const auto lookup = textLookup();
    qv::language::TaggedTexts::apply(this, lookup);

    // 2. The shared texts.
    m_texts.fill(lookup);

    // 3. Captions that depend on state.
    TabSheetQuorvane->ui.ButtonAdminLogin->setText(IsLoggedIn() ? m_texts.TEXT_LOGOUT : m_texts.TEXT_LOGIN);
    for (const auto &[button, list] : {std::pair{"ButtonConnectToDevice", "ComboBoxCOM"},
                                       std::pair{"ButtonConnectBarcode", "ComboBoxPortBarcode"}}) {
        auto *b = findChild<QAbstractButton *>(QString::fromLatin1(button));
        auto *l = findChild<QWidget *>(QString::fromLatin1(list));
        if (b && l)
            b->setText(l->isEnabled() ? m_texts.TEXT_CONNECT : m_texts.TEXT_DISCONNECT);
    }

    // 4. Caption labels followed by a value get a colon (the texts carry none,
    // and step 1 has just reset them, so it never doubles).
    static const char *const colonLabels[] = {
        "LabelOrderOrdernumber", "LabelMaxTankVolumen", "LabelActualVolumeTxt", "LabelChangingTxt",
        "LabelTankDateTimeTxt",  "LabelTankChangeValueTxt", "LabelSinceTxt",    "LabelMinAbgabe",
        "LabelMaxAbgabe",        "LabelDeleteOne",      "LabelOnlineHilfe",     "LabelVersionText",
    };
    for (const char *name : colonLabels)
        if (auto *label = findChild<QLabel *>(QString::fromLatin1(name)))
            label->setText(label->text() + QLatin1Char(':'));

    // 5. Value labels follow their captions.
    placeValueLabels();

    // 6. Group labels stand right-aligned against their range labels.
    for (int i = 1; i <= 6; ++i)
        if (auto *label = findChild<QLabel *>(QStringLiteral("LabelOel%1").arg(i)))
            label->setText(label->text() + QLatin1Char(' '));
}

void TFormMain::placeValueLabels()
{
    static const std::pair<const char *, const char *> pairs[] = {
        {"LabelSelectOrdernumber", "LabelOrderOrdernumber"}, {"LabelNumberToDelete", "LabelDatainPeriod"},
        {"LabelDeleteOneOrder", "LabelDeleteOne"},           {"LabelMaxInhalt", "LabelMaxTankVolumen"},
        {"LabelActualVolume", "LabelActualVolumeTxt"},       {"LabelChanging", "LabelChangingTxt"},
        {"LabelTankDateTime", "LabelTankDateTimeTxt"},       {"LabelTankChangeValue", "LabelTankChangeValueTxt"},
        {"LabelSince", "LabelSinceTxt"},                     {"LabelOnlineUpdate", "LabelOnlineHilfe"},
        {"LabelVersion", "LabelVersionText"},
    };
    auto follow = [this](const char *valueName, const char *captionName, int gap) {
        auto *value = findChild<QWidget *>(QString::fromLatin1(valueName));
        auto *caption = findChild<QLabel *>(QString::fromLatin1(captionName));
        if (!value || !caption)
            return;
        const int end = caption->x() + caption->fontMetrics().horizontalAdvance(caption->text());
        value->move(end + gap, value->y());
    };
    for (const auto &[value, caption] : pairs)
        follow(value, caption, 6);
    follow("ComboBoxUserNumber", "LabelUsernameNumber", 12);
}

void TFormMain::SwitchToNextLanguage()
{
    try {
        if (m_sprachliste.isEmpty())
            return;
        const int current = m_sprachliste.indexOf(m_username.Speech + QLatin1Char('_'));
        const int next = current < 0 ? 0 : (current + 1) % int(m_sprachliste.size());
        m_username.Speech = qv::language::SpeechTable::codeOfColumn(m_sprachliste[next]);
        SetDisplayedSpeech();
    } catch (const std::exception &) {
        // A failed switch leaves the captions as they were.
    }
}

} // namespace qv::app
