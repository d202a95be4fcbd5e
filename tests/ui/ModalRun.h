#pragma once
// Runs a modal dialog's exec() in a test, doing something while it is open, with a bound: a dialog
// still open after boundMs is ended with kTimedOut, so a broken dialog fails the test instead of
// hanging it.
#include <QDialog>
#include <QTimer>
#include <functional>

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

} // namespace test
