#include "data/ShortcutName.h"

#include "data/Text.h"

#include <QRegularExpression>

namespace data {

namespace {

// Runs the prefix search; returns the length where it stopped.
int SearchPrefix(const QString& text, const NameTaken& taken)
{
    int n = 3;
    while (true) {
        if (!taken(LeftChars(text, n)))
            return n;
        if (n >= 10)
            return n;
        if (CharAt(text, n) == QLatin1String(" "))
            return n;
        ++n;
    }
}

} // namespace

std::optional<QString> MakeShortcutName(const QString& text, const NameTaken& taken)
{
    const int n = SearchPrefix(text, taken);
    if (n >= 10 || CharAt(text, n) == QLatin1String(" "))
        return std::nullopt;
    return LeftChars(text, n);
}

QString MakeFreeShortcutName(const QString& text, const NameTaken& taken)
{
    if (auto name = MakeShortcutName(text, taken))
        return *name;
    QString stem = LeftChars(text, SearchPrefix(text, taken));
    stem.remove(QRegularExpression(QStringLiteral("\\s")));
    stem = LeftChars(stem, 9);
    if (stem.isEmpty())
        stem = QStringLiteral("clip");
    for (int i = 1;; ++i) {
        const QString suffix = i == 1 ? QStringLiteral("_") : QStringLiteral("_%1").arg(i);
        // Keep the whole name within the 12 characters of a shortcut, shortening the stem as the
        // number grows.
        const QString name = LeftChars(stem, 12 - int(suffix.size())) + suffix;
        if (!taken(name))
            return name;
    }
}

} // namespace data
