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

QString CharAt(const QString& text, int n)
{
    if (n < 1)
        return QString();
    const qsizetype start = UnitsOf(text, n - 1);
    return text.mid(start, UnitsOf(text, n) - start);
}

} // namespace data
