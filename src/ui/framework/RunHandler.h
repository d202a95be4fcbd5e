#pragma once
// The boundary between Qt's event handling and the program's handlers. A handler that touches the
// data file may throw data::DatabaseError; Qt's own frames must never see an exception, so every
// such handler runs inside RunHandler, which shows the error and ends that handler, as a failed
// data-file operation has always ended the command that started it.
#include "data/DatabaseError.h"

#include <QObject>
#include <exception>
#include <utility>

namespace ui {

// Shows the data file's error (its engine text) with the exclamation style.
void ReportDatabaseError(const data::DatabaseError& error);
// Shows any other escaped error. It is a fault of the program, not of the user's input, but
// reporting it and going on keeps the user's work; letting it reach Qt would end the process.
void ReportUnexpectedError(const std::exception& error);

// Runs handler; returns true when it ran to its end, false when it was ended by an error that has
// been shown to the user.
template <class F>
bool RunHandler(F&& handler) noexcept
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const data::DatabaseError& error) {
        ReportDatabaseError(error);
    } catch (const std::exception& error) {
        // The last resort: see ReportUnexpectedError.
        ReportUnexpectedError(error);
    }
    return false;
}

// Connects signal of sender to the member handler of receiver (an On<Event> taking no arguments;
// the signal's arguments are dropped), run inside RunHandler.
template <class Sender, class Signal, class Receiver>
QMetaObject::Connection ConnectHandler(Sender* sender, Signal signal, Receiver* receiver, void (Receiver::*handler)())
{
    return QObject::connect(sender, signal, receiver, [receiver, handler] { RunHandler([&] { (receiver->*handler)(); }); });
}

} // namespace ui
