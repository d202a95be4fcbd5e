#pragma once
// The one way any layer shows a message box. The user-interface layer installs the real dialog at
// start-up; tests install a handler that answers and records. Layers without widgets (data/) use it
// too, so they never link QtWidgets.
#include <QString>
#include <functional>

namespace platform {

enum class MsgStyle {
    Exclamation, // refusals of input: exclamation icon, OK button
    Question,    // questions: question icon, Yes and No buttons
    Plain,       // plain OK button, no icon
    RetryQuit,   // a file held by another program: exclamation icon, Retry and Quit buttons
    NewFileQuit, // a file that cannot be used: exclamation icon, "Start New" and Quit buttons
};

// Button results, numbered as the classic message-box results so that logs read the same.
constexpr int IDOK = 1;     // OK; "Start New"
constexpr int IDCANCEL = 2; // Quit
constexpr int IDRETRY = 4;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

using MessageHandler = std::function<int(const QString& text, MsgStyle style)>;

// Shows text with the caption "Quillbox" and returns the button pressed. With no handler installed
// the text goes to standard error and the answer is IDOK (IDNO for questions, IDCANCEL: Quit, for
// the boxes that offer to quit). A box still open when the program is told to quit (the Quit
// command, a signal) closes with that same answer.
int ShowMessage(const QString& text, MsgStyle style);

// The one message for a file, folder or program that could not be opened: what, and the system's
// reason why.
void ReportCannotOpen(const QString& what, const QString& why);

// The answer that leaves things as they are and lets the program end: No, Quit, or OK.
int QuitAnswer(MsgStyle style);

// Installs handler (an empty one restores the default); returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);

} // namespace platform
