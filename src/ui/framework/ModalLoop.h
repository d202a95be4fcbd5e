#pragma once
// What every modal window of the program shares: the results its loop ends with, and the question
// its quit timer asks once a second.
#include "platform/MessageBox.h"

namespace ui {

// The modal loop was ended because the program is quitting.
constexpr int IDQUIT = 0;
// Esc or the window's close box.
constexpr int IDCANCEL = 2;
// Period of the timer by which a modal window notices that the program is quitting.
constexpr int kQuitPollMs = 1000;

// True once the user has chosen Quit (or a quit signal arrived). False when no controller exists,
// so that windows shown without one (tests, tools) simply stay open.
bool QuitRequested();

} // namespace ui
