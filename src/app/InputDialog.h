#pragma once

#include <QRect>
#include <QString>

#include <functional>

class QFont;
class QWidget;

namespace qv::app {

// Where the parts of the input dialog go, in pixels. The dialog is measured
// in font units so that it grows with a long first prompt line.
struct InputDialogLayout {
    int horizontalUnit = 0;
    int verticalUnit = 0;
    int extraHeight = 0; // 24 with a line break in the prompt
    QRect dialog;        // position and client size on the screen
    QRect prompt;        // top-left only is binding (the label sizes itself)
    QRect edit;
    QRect okButton;
    QRect cancelButton;

    static InputDialogLayout compute(const QFont &font, const QString &prompt, const QRect &owner,
                                     const QRect &screen);
};

// Shows the modal input dialog; true and the edited text in value when
// confirmed, false and value unchanged otherwise.
bool ShowInputDialog(QWidget *Owner, const QString &Caption, const QString &Prompt, const QString &OkCaption,
                     const QString &CancelCaption, QString &Value);

// The typed confirmation before a destructive deletion: the prompt of tag
// 9000 with "###" replaced by the confirmation word (tag 1090) in acute
// accents; true only when the typed text equals that word, ignoring case.
using TextLookup = std::function<QString(int tag)>;
bool ConfirmByTypedWord(QWidget *Owner, const TextLookup &text);

} // namespace qv::app
