#pragma once
// Splitting a parameter string into a program's arguments the way a program on Windows splits its
// command line, so that the parameters an application was configured with arrive the same here.
#include <QString>
#include <QStringList>

namespace platform {

// The arguments of a command line, gathered as a splitter walks it with its own quoting rules:
// characters go into the argument being read, and a separator ends it. An argument opened by a
// quote is kept even when it stays empty.
class ArgumentList {
public:
    void Add(QChar c)
    {
        m_argument += c;
        m_open = true;
    }
    void Open() { m_open = true; }
    void End()
    {
        if (m_open)
            m_arguments << m_argument;
        m_argument.clear();
        m_open = false;
    }
    QStringList Finish()
    {
        End();
        return m_arguments;
    }

private:
    QStringList m_arguments;
    QString m_argument;
    bool m_open = false;
};

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
