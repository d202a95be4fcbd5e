#pragma once
// Limits of what an edit holds, counted in characters as the data file counts them (an emoji is
// one character, though Qt counts it as two units): a longer text, typed or pasted, is cut at the
// limit, never inside a character.
class QLineEdit;
class QPlainTextEdit;

namespace ui {

void LimitChars(QLineEdit* edit, int maxChars);
void LimitChars(QPlainTextEdit* edit, int maxChars);

} // namespace ui
