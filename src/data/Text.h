#pragma once
// Text helpers shared by the stores and pages.
#include <QString>

namespace data {

// The number of characters of text as the data file counts them (code points, so an emoji is one).
int CharCount(const QString& text);

// The first n characters of text (the whole text when it is shorter), never splitting a character.
QString LeftChars(const QString& text, int n);

// The character at position n counted from 1, or an empty string past the end.
QString CharAt(const QString& text, int n);

} // namespace data
