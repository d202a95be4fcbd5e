#pragma once
// Limits of what an edit holds, counted in characters as the data file counts them (an emoji is
// one character, though Qt counts it as two units): a longer text, typed or pasted, is cut at the
// limit, never inside a character.
#include <QString>
#include <initializer_list>

class QLineEdit;
class QPlainTextEdit;

namespace ui {

void LimitChars(QLineEdit* edit, int maxChars);
void LimitChars(QPlainTextEdit* edit, int maxChars);

// A text of a field and the width it may fill; label is the field's name as the page shows it.
struct FieldText {
    QString label;
    QString text;
    int width;
};

// Whether every text fits its width. The first that does not is refused with a message that names
// its field and both lengths.
bool CheckWidths(std::initializer_list<FieldText> fields);

} // namespace ui
