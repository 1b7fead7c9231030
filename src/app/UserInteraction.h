#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace qv::app {

// Every question, message box, file dialog and typed input of the program
// goes through here, so tests can queue answers in advance instead of
// clicking real dialogs. With nothing queued the real dialog is shown,
// except on the offscreen and minimal platforms, where nobody could close it:
// there a message is only recorded, and an unanswered question counts as No,
// an unanswered file dialog as cancelled.
class UserInteraction {
public:
    static QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text);
    static void information(QWidget *parent, const QString &title, const QString &text);
    static void warning(QWidget *parent, const QString &title, const QString &text);
    static QString openFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &dir, const QString &filter);
    static QString existingDirectory(QWidget *parent, const QString &caption, const QString &dir);

    // Tests: the next question gets this answer; the next file dialog this
    // name (empty: cancelled); the next input dialog this text (nullopt:
    // cancelled).
    static void setNextAnswer(QMessageBox::StandardButton answer);
    static void setNextFileName(const QString &name);
    static void setNextInput(const std::optional<QString> &text);
    static bool takeNextInput(std::optional<QString> &text); // false when none queued
    // Messages shown since the last call (title + "\n" + text), for tests.
    static QStringList takeShownMessages();
    static void clearQueued();
};

} // namespace qv::app
