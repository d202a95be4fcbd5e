#pragma once
// Splitting a parameter string into a program's arguments the way a program on Windows splits its
// command line, so that the parameters an application was configured with arrive the same here.
#include <QString>
#include <QStringList>

namespace platform {

// Splits parameters into arguments:
// - blanks outside double quotes separate arguments; runs of blanks count as one;
// - a double quote starts or ends a quoted part and is removed ("-n file.txt" is one argument,
//   a"b c"d is "ab cd");
// - three double quotes in a row stand for one literal double quote;
// - a pair of quotes with nothing between them is an empty argument, as on Windows;
// - backslashes are ordinary characters, so C:\Tools\ and "C:\My Tools\" keep theirs.
// These are the rules of QProcess::splitCommand except for the empty argument, which
// splitCommand drops.
QStringList SplitCommandLine(const QString& parameters);

// The parameter string that SplitCommandLine reads back as exactly one argument, argument itself,
// whatever it holds (blanks, double quotes, or nothing at all): it is put in double quotes, and
// each double quote in it is written as three.
QString QuoteArgument(const QString& argument);

} // namespace platform
