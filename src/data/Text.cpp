#include "data/Text.h"

namespace data {

namespace {

// The index in UTF-16 units where the character after the first n characters begins.
qsizetype UnitsOf(const QString& text, int n)
{
    qsizetype units = 0;
    for (int i = 0; i < n && units < text.size(); ++i)
        units += (text.at(units).isHighSurrogate() && units + 1 < text.size()) ? 2 : 1;
    return units;
}

} // namespace

int CharCount(const QString& text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size())
            ++i;
    }
    return count;
}

QString LeftChars(const QString& text, int n)
{
    return text.left(UnitsOf(text, n));
}

QString OneLinePreview(const QString& text, int n)
{
    QString line = LeftChars(text, n);
    const bool cut = line.size() < text.size();
    for (QChar& c : line)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    return cut ? line + QChar(0x2026) : line;
}

QString CharAt(const QString& text, int n)
{
    if (n < 1)
        return QString();
    const qsizetype start = UnitsOf(text, n - 1);
    return text.mid(start, UnitsOf(text, n) - start);
}

} // namespace data
