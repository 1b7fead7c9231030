#include "app/InputDialog.h"
#include "app/UserInteraction.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace qv::app;

namespace {

QFont dialogFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    return font;
}

const QRect fullHd(0, 0, 1920, 1080);
const QRect mainWindow(100, 50, 910, 610);

QString deletionText(int tag)
{
    static const QMap<int, QString> texts = {{9000, QStringLiteral("Type ### to delete the data")},
                                             {1090, QStringLiteral("Yes")},
                                             {1010, QStringLiteral("Delete")},
                                             {1020, QStringLiteral("OK")},
                                             {1150, QStringLiteral("Abort")}};
    return texts.value(tag, QStringLiteral("Error[S=%1]").arg(tag));
}

// Runs act on the modal dialog as soon as it is open. A dialog that act
// leaves open is rejected, and the watch gives up after a few seconds, so a
// failing test ends instead of hanging.
void whenModal(const std::function<void(QDialog *)> &act)
{
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, act] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (!dialog)
            return;
        act(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    timer->start(10);
}

} // namespace

class TstInputDialog : public QObject {
    Q_OBJECT

private slots:
    void init() { UserInteraction::clearQueued(); }

    // A long first line widens the dialog; what follows the line break does not.
    void widthFollowsTheFirstLine()
    {
        const auto layout = [](const QString &prompt) {
            return InputDialogLayout::compute(dialogFont(), prompt, mainWindow, fullHd);
        };
        const QString ten(10, QLatin1Char('x'));
        const QString sixty(60, QLatin1Char('x'));
        QVERIFY2(
            layout(sixty).dialog.width() > layout(ten).dialog.width(),
            qPrintable(QStringLiteral("%1 <= %2").arg(layout(sixty).dialog.width()).arg(layout(ten).dialog.width())));
        QCOMPARE(layout(ten + QStringLiteral("\r\n") + sixty + sixty).dialog.width(), layout(ten).dialog.width());
        QCOMPARE(layout(sixty + QStringLiteral("\r\nsecond")).dialog.width(),
                 layout(sixty + QStringLiteral("\r\n") + sixty + sixty).dialog.width());
    }

    void lineBreakAddsExactly24Pixels()
    {
        const InputDialogLayout one
            = InputDialogLayout::compute(dialogFont(), QStringLiteral("0123456789 second"), mainWindow, fullHd);
        const InputDialogLayout two
            = InputDialogLayout::compute(dialogFont(), QStringLiteral("0123456789\r\nsecond"), mainWindow, fullHd);
        QCOMPARE(two.dialog.height() - one.dialog.height(), 24);
        QCOMPARE(two.dialog.width(), one.dialog.width());
        QCOMPARE(two.edit.top() - one.edit.top(), 24);
        QCOMPARE(two.okButton.top() - one.okButton.top(), 24);
        QCOMPARE(two.prompt.topLeft(), one.prompt.topLeft());
    }

    // The parts do not overlap and stay inside the dialog, for one and for
    // two prompt lines.
    void partsFitTheDialog_data()
    {
        QTest::addColumn<QString>("prompt");
        QTest::newRow("one line") << QStringLiteral("Type \u00B4Yes\u00B4 to delete the data");
        QTest::newRow("two lines") << QStringLiteral("Capacity of the new tank\r\nin litres");
        QTest::newRow("long line") << QString(120, QLatin1Char('W'));
    }

    void partsFitTheDialog()
    {
        QFETCH(QString, prompt);
        const InputDialogLayout l = InputDialogLayout::compute(dialogFont(), prompt, mainWindow, fullHd);
        const QRect client(QPoint(0, 0), l.dialog.size());
        QVERIFY(client.contains(l.edit));
        QVERIFY(client.contains(l.okButton));
        QVERIFY(client.contains(l.cancelButton));
        QVERIFY(l.prompt.bottom() < l.edit.top());
        QVERIFY(l.edit.bottom() < l.okButton.top());
        QVERIFY(l.okButton.right() < l.cancelButton.left());
        QCOMPARE(l.okButton.size(), l.cancelButton.size());
    }

    void placement_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QString>("horizontal"); // centred, left edge or right edge
        QTest::addColumn<QString>("vertical"); // centred, top edge or bottom edge
        QTest::newRow("centred") << mainWindow << "centred"
                                 << "centred";
        QTest::newRow("owner partly off the right") << QRect(1700, 100, 910, 610) << "right edge"
                                                    << "centred";
        QTest::newRow("owner partly off the bottom") << QRect(100, 900, 910, 610) << "centred"
                                                     << "bottom edge";
        QTest::newRow("negative becomes 0") << QRect(-900, -600, 910, 610) << "left edge"
                                            << "top edge";
    }

    void placement()
    {
        QFETCH(QRect, owner);
        QFETCH(QString, horizontal);
        QFETCH(QString, vertical);
        const QRect d = InputDialogLayout::compute(dialogFont(), QStringLiteral("Prompt"), owner, fullHd).dialog;
        const QPoint ownerCentre(owner.left() + owner.width() / 2, owner.top() + owner.height() / 2);
        const QPoint dialogCentre(d.left() + d.width() / 2, d.top() + d.height() / 2);
        if (horizontal == QLatin1String("centred"))
            QVERIFY2(qAbs(dialogCentre.x() - ownerCentre.x()) <= 1, qPrintable(QString::number(d.left())));
        else if (horizontal == QLatin1String("right edge"))
            QCOMPARE(d.right(), fullHd.right());
        else
            QCOMPARE(d.left(), 0);
        if (vertical == QLatin1String("centred"))
            QVERIFY2(qAbs(dialogCentre.y() - ownerCentre.y()) <= 1, qPrintable(QString::number(d.top())));
        else if (vertical == QLatin1String("bottom edge"))
            QCOMPARE(d.bottom(), fullHd.bottom());
        else
            QCOMPARE(d.top(), 0);
    }

    void typedConfirmation_data()
    {
        QTest::addColumn<bool>("cancelled");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("small letters") << false << "yes" << true;
        QTest::newRow("capitals") << false << "YES" << true;
        QTest::newRow("as spelled") << false << "Yes" << true;
        QTest::newRow("trailing blank") << false << "Yes " << false;
        QTest::newRow("leading blank") << false << " yes" << false;
        QTest::newRow("other word") << false << "No" << false;
        QTest::newRow("nothing typed") << false << "" << false;
        QTest::newRow("cancelled") << true << "" << false;
    }

    void typedConfirmation()
    {
        QFETCH(bool, cancelled);
        QFETCH(QString, typed);
        QFETCH(bool, confirmed);
        UserInteraction::setNextInput(cancelled ? std::nullopt : std::optional<QString>(typed));
        QCOMPARE(ConfirmByTypedWord(nullptr, deletionText), confirmed);
        std::optional<QString> left;
        QVERIFY2(!UserInteraction::takeNextInput(left), "the queued input was not used");
    }

    // The seam every other test leans on: answers come back in the order
    // queued, messages are recorded, and offscreen nothing real opens.
    void queuedAnswersAndShownMessages()
    {
        UserInteraction::setNextAnswer(QMessageBox::Yes);
        UserInteraction::setNextAnswer(QMessageBox::No);
        UserInteraction::setNextFileName(QStringLiteral("/tmp/a.csv"));
        UserInteraction::setNextFileName(QString());
        QCOMPARE(UserInteraction::question(nullptr, QStringLiteral("Quorvane"), QStringLiteral("Quit?")),
                 QMessageBox::Yes);
        QCOMPARE(UserInteraction::question(nullptr, QStringLiteral("Quorvane"), QStringLiteral("Quit?")),
                 QMessageBox::No);
        QCOMPARE(UserInteraction::saveFileName(nullptr, QString(), QString(), QString()), QStringLiteral("/tmp/a.csv"));
        QCOMPARE(UserInteraction::openFileName(nullptr, QString(), QString(), QString()), QString());

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no answer queued.*Unasked")));
        QCOMPARE(UserInteraction::question(nullptr, QStringLiteral("Unasked"), QStringLiteral("?")), QMessageBox::No);
        UserInteraction::information(nullptr, QStringLiteral("Backup"), QStringLiteral("done"));
        UserInteraction::warning(nullptr, QStringLiteral("Import"), QStringLiteral("failed"));
        QCOMPARE(UserInteraction::takeShownMessages(),
                 (QStringList {QStringLiteral("Backup\ndone"), QStringLiteral("Import\nfailed")}));
        QCOMPARE(UserInteraction::takeShownMessages(), QStringList());
    }

    void emptyWordNeverConfirms()
    {
        UserInteraction::setNextInput(QString());
        QVERIFY(!ConfirmByTypedWord(nullptr, [](int tag) { return tag == 1090 ? QString() : deletionText(tag); }));
    }

    // The real modal dialog, driven by keys as a user would: it carries the
    // texts, the computed size and place, and gives back what was typed.
    void realDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("finish");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("value");
        QTest::newRow("typed over the selection, Enter") << "new"
                                                         << "enter" << true << "new";
        QTest::newRow("Esc keeps the value") << "new"
                                             << "escape" << false << "old";
        QTest::newRow("cancel button keeps the value") << "new"
                                                       << "cancel" << false << "old";
        QTest::newRow("OK button") << ""
                                   << "ok" << true << "old";
    }

    void realDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, finish);
        QFETCH(bool, accepted);
        QFETCH(QString, value);

        QWidget owner;
        owner.setFont(dialogFont());
        const QRect screen = owner.screen()->geometry();
        owner.setGeometry(screen.right() - 200, screen.top() + 50, 400, 300); // partly off the right edge
        const QString prompt = QStringLiteral("Capacity of the new tank\r\nin litres");
        const InputDialogLayout expected
            = InputDialogLayout::compute(dialogFont(), prompt, owner.frameGeometry(), screen);

        QRect frame;
        QSize client;
        QString title;
        whenModal([&](QDialog *dialog) {
            frame = dialog->frameGeometry();
            client = dialog->size();
            title = dialog->windowTitle();
            auto *edit = dialog->findChild<QLineEdit *>();
            if (!edit)
                return;
            if (!typed.isEmpty())
                QTest::keyClicks(edit, typed);
            if (finish == QLatin1String("enter"))
                QTest::keyClick(edit, Qt::Key_Return);
            else if (finish == QLatin1String("escape"))
                QTest::keyClick(edit, Qt::Key_Escape);
            else if (auto *button = dialog->findChild<QPushButton *>(
                         finish == QLatin1String("ok") ? QStringLiteral("ButtonOk") : QStringLiteral("ButtonCancel")))
                QTest::mouseClick(button, Qt::LeftButton);
        });
        QString edited = QStringLiteral("old");
        QCOMPARE(ShowInputDialog(&owner, QStringLiteral("New tank"), prompt, QStringLiteral("OK"),
                                 QStringLiteral("Abort"), edited),
                 accepted);
        QCOMPARE(edited, value);
        QCOMPARE(title, QStringLiteral("New tank"));
        QCOMPARE(client, expected.dialog.size());
        QCOMPARE(frame.right(), screen.right());
    }

    void realTypedConfirmation()
    {
        QWidget owner;
        owner.setFont(dialogFont());
        QString prompt;
        QStringList buttons;
        whenModal([&](QDialog *dialog) {
            if (auto *label = dialog->findChild<QLabel *>())
                prompt = label->text();
            for (auto *button : dialog->findChildren<QPushButton *>())
                buttons.append(button->text());
            if (auto *edit = dialog->findChild<QLineEdit *>()) {
                QTest::keyClicks(edit, QStringLiteral("yes"));
                QTest::keyClick(edit, Qt::Key_Return);
            }
        });
        QVERIFY(ConfirmByTypedWord(&owner, deletionText));
        QCOMPARE(prompt, QStringLiteral("Type \u00B4Yes\u00B4 to delete the data"));
        QCOMPARE(buttons, (QStringList {QStringLiteral("OK"), QStringLiteral("Abort")}));
    }
};

QTEST_MAIN(TstInputDialog)
#include "tst_inputdialog.moc"
