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
};

// Button results, numbered as the classic message-box results so that logs read the same.
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

using MessageHandler = std::function<int(const QString& text, MsgStyle style)>;

// Shows text with the caption "Quillbox" and returns the button pressed. With no handler installed
// the text goes to standard error and the answer is IDOK (IDNO for questions).
int ShowMessage(const QString& text, MsgStyle style);

// Installs handler (an empty one restores the default); returns the previous handler.
MessageHandler SetMessageHandler(MessageHandler handler);

} // namespace platform
