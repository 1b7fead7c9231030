#include "app/InputDialog.h"

#include "app/UserInteraction.h"

#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <optional>

namespace qv::app {

namespace {

constexpr int maxInputLength = 255;
constexpr int lineBreakExtraHeight = 24;

// Products in font units are rounded as an integer multiply-then-divide.
int scaled(int factor, int unit, int divisor)
{
    return factor * unit / divisor;
}

// Position (from 1) of the first line break, or 0 without one. A lone line
// feed counts as well: the label breaks the line there just the same.
int firstLineBreak(const QString &prompt)
{
    const qsizetype lf = prompt.indexOf(QLatin1Char('\n'));
    if (lf < 0)
        return 0;
    const bool crlf = lf > 0 && prompt.at(lf - 1) == QLatin1Char('\r');
    return int(crlf ? lf : lf + 1);
}

QString sampleText(int letters)
{
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QString sample;
    sample.reserve(letters);
    while (sample.size() < letters)
        sample.append(alphabet.left(letters - sample.size()));
    return sample;
}

QFont ownerFont(QWidget *owner)
{
    return owner ? owner->window()->font() : QApplication::font();
}

QRect ownerRect(QWidget *owner, const QRect &screen)
{
    return owner ? owner->window()->frameGeometry() : screen;
}

QRect screenRect(QWidget *owner)
{
    QScreen *screen = owner ? owner->window()->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

// Centred over the owner; a negative left or top becomes 0, and a window
// that would reach past the screen's right or bottom edge ends at that edge.
QPoint placeOver(const QRect &owner, const QSize &size, const QRect &screen)
{
    int left = qMax(owner.left() + (owner.width() - size.width()) / 2, 0);
    int top = qMax(owner.top() + (owner.height() - size.height()) / 2, 0);
    const int screenRight = screen.left() + screen.width();
    const int screenBottom = screen.top() + screen.height();
    if (left + size.width() > screenRight)
        left = screenRight - size.width();
    if (top + size.height() > screenBottom)
        top = screenBottom - size.height();
    return {left, top};
}

} // namespace

InputDialogLayout InputDialogLayout::compute(const QFont &font, const QString &prompt, const QRect &owner,
                                             const QRect &screen)
{
    InputDialogLayout l;
    const int lineBreak = firstLineBreak(prompt);
    const int p = lineBreak > 0 ? lineBreak : int(prompt.size());
    l.extraHeight = lineBreak > 0 ? lineBreakExtraHeight : 0;

    // The units follow the font, and the sample grows with the first prompt
    // line, so that a long first line gets a wider dialog.
    const QFontMetrics metrics(font);
    const QString sample = sampleText(qMax(p + 15, 50));
    l.horizontalUnit = metrics.horizontalAdvance(sample) / 52;
    l.verticalUnit = metrics.height();
    const int hu = l.horizontalUnit;
    const int vu = l.verticalUnit;
    const int e = l.extraHeight;

    const int width = scaled(180, hu, 4);
    const int height = scaled(63, vu, 8) + e;
    l.dialog = QRect(placeOver(owner, QSize(width, height), screen), QSize(width, height));

    const int margin = scaled(8, hu, 4);
    const QSize promptSize = metrics.boundingRect(QRect(), Qt::TextExpandTabs, prompt).size();
    l.prompt = QRect(QPoint(margin, scaled(8, vu, 8)), promptSize);
    l.edit = QRect(margin, e + scaled(19, vu, 8), scaled(164, hu, 4), scaled(12, vu, 8));
    const int buttonTop = e + scaled(41, vu, 8);
    const QSize buttonSize(scaled(50, hu, 4), scaled(14, vu, 8));
    l.okButton = QRect(QPoint(scaled(38, hu, 4), buttonTop), buttonSize);
    l.cancelButton = QRect(QPoint(scaled(92, hu, 4), buttonTop), buttonSize);
    return l;
}

bool ShowInputDialog(QWidget *Owner, const QString &Caption, const QString &Prompt, const QString &OkCaption,
                     const QString &CancelCaption, QString &Value)
{
    std::optional<QString> queued;
    if (UserInteraction::takeNextInput(queued)) {
        if (!queued)
            return false;
        Value = queued->left(maxInputLength); // what the edit line would have taken
        return true;
    }

    const QFont font = ownerFont(Owner);
    const QRect screen = screenRect(Owner);
    const QRect owner = ownerRect(Owner, screen);
    const InputDialogLayout layout = InputDialogLayout::compute(font, Prompt, owner, screen);

    QDialog dialog(Owner ? Owner->window() : nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog.setObjectName(QStringLiteral("InputDialog"));
    dialog.setWindowTitle(Caption);
    dialog.setFont(font);
    dialog.setFixedSize(layout.dialog.size());
    // Placed by its outer size where the platform already knows the frame,
    // so that the title bar and border, too, end at the screen edge.
    dialog.winId();
    const QMargins frame = dialog.windowHandle() ? dialog.windowHandle()->frameMargins() : QMargins();
    dialog.move(placeOver(owner, layout.dialog.size().grownBy(frame), screen));

    auto *prompt = new QLabel(Prompt, &dialog);
    prompt->setObjectName(QStringLiteral("Prompt"));
    prompt->setTextFormat(Qt::PlainText); // texts come from the text table, not markup
    prompt->move(layout.prompt.topLeft());
    prompt->adjustSize();

    auto *edit = new QLineEdit(&dialog);
    edit->setObjectName(QStringLiteral("Edit"));
    edit->setMaxLength(maxInputLength);
    edit->setText(Value);
    edit->setGeometry(layout.edit);
    edit->selectAll();

    auto *ok = new QPushButton(OkCaption, &dialog);
    ok->setObjectName(QStringLiteral("ButtonOk"));
    ok->setGeometry(layout.okButton);
    ok->setDefault(true); // Enter confirms; Esc rejects the dialog by itself
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);

    auto *cancel = new QPushButton(CancelCaption, &dialog);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    cancel->setGeometry(layout.cancelButton);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);

    edit->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Value = edit->text();
    return true;
}

bool ConfirmByTypedWord(QWidget *Owner, const TextLookup &text)
{
    const QString word = text(1090);
    const QChar accent(0x00B4);
    QString prompt = text(9000);
    prompt.replace(QLatin1String("###"), accent + word + accent);
    QString typed;
    if (!ShowInputDialog(Owner, text(1010), prompt, text(1020), text(1150), typed))
        return false;
    // Without a word (a text table lacking it) an empty input must not
    // count as the confirmation of a deletion.
    return !word.isEmpty() && typed.toUpper() == word.toUpper();
}

} // namespace qv::app
