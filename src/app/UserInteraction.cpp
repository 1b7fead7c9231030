#include "app/UserInteraction.h"

#include <QFileDialog>
#include <QGuiApplication>

#include <deque>

namespace qv::app {

namespace {

struct Queues {
    std::deque<QMessageBox::StandardButton> answers;
    std::deque<QString> fileNames;
    std::deque<std::optional<QString>> inputs;
    QStringList shown;
};

Queues &queues()
{
    static Queues q;
    return q;
}

// On the offscreen and minimal platforms nobody can see or close a box, so
// a real one would only block the program for good. There a message is just
// recorded, and an unanswered question or file dialog counts as cancelled.
bool canShowDialogs()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void record(const QString &title, const QString &text)
{
    queues().shown.append(title + QLatin1Char('\n') + text);
}

template <typename T>
bool take(std::deque<T> &queue, T &value)
{
    if (queue.empty())
        return false;
    value = std::move(queue.front());
    queue.pop_front();
    return true;
}

bool queuedFileName(const QString &caption, QString &name)
{
    if (take(queues().fileNames, name))
        return true;
    if (canShowDialogs())
        return false;
    qWarning("UserInteraction: no file name queued for \"%s\"; taken as cancelled", qUtf8Printable(caption));
    name.clear();
    return true;
}

} // namespace

QMessageBox::StandardButton UserInteraction::question(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    if (take(queues().answers, answer))
        return answer;
    if (!canShowDialogs()) {
        qWarning("UserInteraction: no answer queued for \"%s\"; taken as No", qUtf8Printable(title));
        return QMessageBox::No;
    }
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No);
}

void UserInteraction::information(QWidget *parent, const QString &title, const QString &text)
{
    record(title, text);
    if (canShowDialogs())
        QMessageBox::information(parent, title, text);
}

void UserInteraction::warning(QWidget *parent, const QString &title, const QString &text)
{
    record(title, text);
    if (canShowDialogs())
        QMessageBox::warning(parent, title, text);
}

QString UserInteraction::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                                      const QString &filter)
{
    QString name;
    if (queuedFileName(caption, name))
        return name;
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString UserInteraction::saveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                      const QString &filter)
{
    QString name;
    if (queuedFileName(caption, name))
        return name;
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString UserInteraction::existingDirectory(QWidget *parent, const QString &caption, const QString &dir)
{
    QString name;
    if (queuedFileName(caption, name))
        return name;
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

void UserInteraction::setNextAnswer(QMessageBox::StandardButton answer)
{
    queues().answers.push_back(answer);
}

void UserInteraction::setNextFileName(const QString &name)
{
    queues().fileNames.push_back(name);
}

void UserInteraction::setNextInput(const std::optional<QString> &text)
{
    queues().inputs.push_back(text);
}

bool UserInteraction::takeNextInput(std::optional<QString> &text)
{
    return take(queues().inputs, text);
}

QStringList UserInteraction::takeShownMessages()
{
    QStringList shown;
    shown.swap(queues().shown);
    return shown;
}

void UserInteraction::clearQueued()
{
    Queues &q = queues();
    q.answers.clear();
    q.fileNames.clear();
    q.inputs.clear();
    q.shown.clear();
}

} // namespace qv::app
