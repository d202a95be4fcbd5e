#pragma once
// Runs a modal dialog's exec() in a test with a bound (a dialog still open after boundMs ends with
// kTimedOut, so a broken dialog fails the test instead of hanging it), acts on the next modal
// window of a type, and delivers a widget's timer at once instead of waiting it out.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QTimerEvent>
#include <functional>
#include <memory>

namespace test {

constexpr int kTimedOut = -99;

// Calls whileOpen (if any) once the loop runs, then returns what exec() returned.
inline int RunModal(QDialog& dialog, const std::function<void()>& whileOpen = {}, int boundMs = 5000)
{
    // Local timers: they die with this call and cannot fire into a later test.
    QTimer action, bound;
    action.setSingleShot(true);
    bound.setSingleShot(true);
    if (whileOpen)
        QObject::connect(&action, &QTimer::timeout, whileOpen);
    QObject::connect(&bound, &QTimer::timeout, &dialog, [&dialog] {
        if (dialog.isVisible())
            dialog.done(kTimedOut);
    });
    action.start(0);
    bound.start(boundMs);
    return dialog.exec();
}

// Acts on the next modal window of type Dialog once it is open (polled, bounded). Whatever is still
// open afterwards, or when no such window came, is closed.
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

// Delivers now the running timer of object whose interval (ms) satisfies fits, as if its time had
// come; false when it has no such timer.
inline bool FireTimer(QObject* object, const std::function<bool(int)>& fits)
{
    for (const auto& timer : QAbstractEventDispatcher::instance()->registeredTimers(object)) {
        if (fits(timer.interval)) {
            QTimerEvent event(timer.timerId);
            QCoreApplication::sendEvent(object, &event);
            return true;
        }
    }
    return false;
}

} // namespace test
