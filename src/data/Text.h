#pragma once
// Text helpers shared by the stores and pages.
#include <QString>

namespace data {

// The number of characters of text as the data file counts them (code points, so an emoji is one).
int CharCount(const QString& text);

// The first n characters of text (the whole text when it is shorter), never splitting a character.
QString LeftChars(const QString& text, int n);

// How a text reads in a list: one line (line breaks and tabs as blanks) of at most n characters,
// with an ellipsis when more was cut. A copy may hold megabytes over thousands of lines; laying all
// of that out would freeze the list.
QString OneLinePreview(const QString& text, int n);

// The character at position n counted from 1, or an empty string past the end.
QString CharAt(const QString& text, int n);

} // namespace data
