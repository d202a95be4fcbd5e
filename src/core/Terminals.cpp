#include "core/Terminals.h"

namespace {

// The common terminal emulators by WM_CLASS name. xterm and rxvt paste PRIMARY with Shift+Insert
// and have no key that pastes the clipboard by default; the others paste the clipboard with
// Ctrl+Shift+V.
const QStringList CommonShiftInsert = {"xterm", "uxterm", "rxvt", "urxvt", "rxvt-unicode", "aterm", "eterm"};
const QStringList CommonCtrlShiftV = {
    "gnome-terminal", "gnome-terminal-server", "lxterminal", "xfce4-terminal", "mate-terminal", "konsole",
    "terminator", "tilix", "alacritty", "kitty", "st", "st-256color", "sakura", "qterminal", "terminology",
    "guake", "tilda", "kgx", "deepin-terminal", "roxterm", "lxterm", "wezterm", "termite", "cool-retro-term"};

QStringList ReadList(QSettings& settings, const char* key)
{
    QStringList names;
    for (const QString& name : settings.value(QLatin1String(key)).toStringList())
        for (const QString& part : name.split(QLatin1Char(',')))
            if (!part.trimmed().isEmpty())
                names << part.trimmed();
    return names;
}

bool Names(const QStringList& list, const QStringList& windowClass)
{
    for (const QString& name : windowClass)
        if (list.contains(name, Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace

TerminalClasses TerminalClasses::Read(QSettings& settings)
{
    TerminalClasses classes;
    settings.beginGroup(QLatin1String(Group));
    classes.m_ctrlShiftV = ReadList(settings, CtrlShiftVKey);
    classes.m_shiftInsert = ReadList(settings, ShiftInsertKey);
    settings.endGroup();
    return classes;
}

TerminalPaste TerminalClasses::PasteOf(const QStringList& windowClass) const
{
    // The user's own lists come first, so that a common terminal set up otherwise can be moved.
    if (Names(m_shiftInsert, windowClass))
        return TerminalPaste::ShiftInsert;
    if (Names(m_ctrlShiftV, windowClass))
        return TerminalPaste::CtrlShiftV;
    if (Names(CommonShiftInsert, windowClass))
        return TerminalPaste::ShiftInsert;
    if (Names(CommonCtrlShiftV, windowClass))
        return TerminalPaste::CtrlShiftV;
    return TerminalPaste::None;
}

QStringList TypedWords(const QString& typed, bool cut)
{
    QStringList words;
    const auto addEnd = [&](auto inWord) {
        qsizetype start = typed.size();
        while (start > 0 && inWord(typed.at(start - 1)))
            --start;
        const QString word = typed.mid(start);
        if (!word.isEmpty() && !(cut && start == 0) && !words.contains(word))
            words << word;
    };
    addEnd([](QChar c) { return !c.isSpace(); });
    addEnd([](QChar c) { return c.isLetterOrNumber() || c.isMark() || c == QLatin1Char('_'); });
    return words;
}
