#pragma once
// Runs a modal dialog's exec() in a test, doing something while it is open, with a bound: a dialog
// still open after boundMs is ended with kTimedOut, so a broken dialog fails the test instead of
// hanging it.
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

namespace test {

constexpr int kTimedOut = -99;

// Calls whileOpen (if any) once the loop runs, then returns what exec() returned.
inline int RunModal(QDialog& dialog, const std::function<void()>& whileOpen = {}, int boundMs = 5000)
{
    // Local timers: they die with this call and cannot fire into a later test.
    QTimer action;
    action.setSingleShot(true);
    if (whileOpen)
        QObject::connect(&action, &QTimer::timeout, whileOpen);
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &dialog, [&dialog] {
        if (dialog.isVisible())
            dialog.done(kTimedOut);
    });
    action.start(0);
    bound.start(boundMs);
    return dialog.exec();
}

// Runs dialog modally and sets quitFlag to 1 after 1,300 ms, past the first tick of a one-second
// quit timer, so a dialog that closed without the flag would show. Returns exec()'s result and puts
// the milliseconds from the flag to the end in *msAfterQuit (-1 when the flag was never set).
template <class Flag>
int RunModalUntilQuit(QDialog& dialog, Flag& quitFlag, qint64* msAfterQuit)
{
    QElapsedTimer sinceQuit;
    QTimer setQuit;
    setQuit.setSingleShot(true);
    QObject::connect(&setQuit, &QTimer::timeout, [&] {
        quitFlag = 1;
        sinceQuit.start();
    });
    const int ended = RunModal(dialog, [&] { setQuit.start(1300); });
    *msAfterQuit = sinceQuit.isValid() ? sinceQuit.elapsed() : -1;
    return ended;
}

// Acts on the next modal window of type Dialog once it is open (polled, bounded). Whatever is
// still open afterwards, or when no such window came, is closed, so that a dialog that does not
// behave fails the test instead of hanging it.
template <class Dialog>
inline void WhenOpen(std::function<void(Dialog*)> act, int boundMs = 5000)
{
    auto* poll = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<Dialog*>(modal);
        if (dialog == nullptr && clock->elapsed() < boundMs)
            return;
        poll->deleteLater();
        poll->stop();
        if (dialog != nullptr)
            act(dialog);
        if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget()); open && open == modal)
            open->done(kTimedOut);
    });
    poll->start(10);
}

} // namespace test
