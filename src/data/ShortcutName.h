#pragma once
// Naming a shortcut after the beginning of its text, shared by the New shortcut page and the
// promotion of often-pasted clipboard items.
#include <QString>
#include <functional>
#include <optional>

namespace data {

// Whether a name is already a shortcut (the lookup applies the case rule).
using NameTaken = std::function<bool(const QString& name)>;

// The shortest prefix of text, from 3 characters, that is not yet a shortcut. The search stops at a
// prefix whose last character is a space and at 10 characters; either gives no name. A text shorter
// than 3 characters is its own candidate.
std::optional<QString> MakeShortcutName(const QString& text, const NameTaken& taken);

// A free name for a shortcut made from a clipboard item: the name above when there is one;
// otherwise the prefix where the search stopped, without blanks and cut to 9 characters, followed by
// "_", "_2", "_3", ... until the name is free. Never longer than 12 characters.
QString MakeFreeShortcutName(const QString& text, const NameTaken& taken);

} // namespace data
