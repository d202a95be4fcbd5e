#pragma once
// The program's message box: the caption "Quillbox", the icon and buttons of its style.
#include "platform/MessageBox.h"

#include <QString>

namespace ui {

// Shows text modally above whatever window of the program is active and returns the button
// pressed: platform::IDOK, or platform::IDYES / platform::IDNO for questions (Esc answers No).
int MessageBox(const QString& text, platform::MsgStyle style);

// Shows text in a message box that does not wait for an answer: the program goes on meanwhile.
void ShowNotice(const QString& text);

// Makes MessageBox the handler of platform::ShowMessage, so that every layer (data/ included)
// shows its messages through it. Called once at start-up, after the application object exists.
void InstallMessageBoxes();

} // namespace ui
