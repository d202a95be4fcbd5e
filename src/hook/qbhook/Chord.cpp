#include "hook/qbhook/Chord.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cctype>
#include <cstdio>
#include <vector>

namespace qbhook {

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

unsigned ModifierFromName(std::string_view part)
{
    const std::string name = Lower(part);
    if (name == "ctrl" || name == "control")
        return ChordCtrl;
    if (name == "alt")
        return ChordAlt;
    if (name == "shift")
        return ChordShift;
    if (name == "super" || name == "meta" || name == "win")
        return ChordSuper;
    return 0;
}

KeySym Lookup(const std::string& name)
{
    return XStringToKeysym(name.c_str());
}

// Keysym names are case-sensitive ("space", "Insert", "F5", "KP_Enter", "Page_Up"); users write
// them in any case, so the spellings that keysym names use are tried in turn.
KeySym KeysymFromName(std::string_view name)
{
    std::string exact(name);
    if (KeySym sym = Lookup(exact); sym != NoSymbol)
        return sym;
    std::string lower = Lower(name);
    std::string upper = lower;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string capital = lower;
    std::string words = lower; // "page_up" -> "Page_Up"
    capital[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(capital[0])));
    bool startOfWord = true;
    for (char& c : words) {
        if (startOfWord)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        startOfWord = c == '_';
    }
    std::string upperFirstWord = words; // "kp_enter" -> "KP_Enter"
    if (auto underscore = upperFirstWord.find('_'); underscore != std::string::npos)
        for (size_t i = 0; i < underscore; ++i)
            upperFirstWord[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upperFirstWord[i])));
    for (const std::string* candidate : {&lower, &capital, &upper, &words, &upperFirstWord})
        if (KeySym sym = Lookup(*candidate); sym != NoSymbol)
            return sym;
    return NoSymbol;
}

} // namespace

std::optional<Chord> Chord::Parse(std::string_view text)
{
    Chord chord;
    bool haveKey = false;
    if (Trim(text).empty())
        return std::nullopt;
    size_t start = 0;
    for (;;) {
        const size_t plus = text.find('+', start);
        const std::string_view part =
            Trim(text.substr(start, plus == std::string_view::npos ? std::string_view::npos : plus - start));
        if (part.empty())
            return std::nullopt;
        if (unsigned modifier = ModifierFromName(part)) {
            chord.modifiers |= modifier;
        } else {
            if (haveKey)
                return std::nullopt;
            KeySym sym = KeysymFromName(part);
            if (sym == NoSymbol || IsModifierKey(sym))
                return std::nullopt;
            KeySym lowerSym = sym, upperSym = sym;
            XConvertCase(sym, &lowerSym, &upperSym);
            chord.keysym = upperSym;
            haveKey = true;
        }
        if (plus == std::string_view::npos)
            break;
        start = plus + 1;
    }
    if (!haveKey)
        return std::nullopt;
    // A chord grabbed without Ctrl, Alt or Super would take the key away from every application's
    // typing (Shift+A is how a capital A is typed); function keys do not type text.
    if ((chord.modifiers & (ChordCtrl | ChordAlt | ChordSuper)) == 0 && !IsFunctionKey(chord.keysym)) // Xutil.h: F1..F35
        return std::nullopt;
    // WORKAROUND: the X server's default keymap binds Ctrl+Alt+F1..F12 to switching virtual
    // terminals and eats those keys before any grab sees them; such a chord would never arrive.
    if (chord.modifiers == (ChordCtrl | ChordAlt) && chord.keysym >= XK_F1 && chord.keysym <= XK_F12)
        return std::nullopt;
    return chord;
}

std::string Chord::ToString() const
{
    std::string text;
    const std::pair<unsigned, const char*> names[] = {
        {ChordCtrl, "Ctrl"}, {ChordAlt, "Alt"}, {ChordShift, "Shift"}, {ChordSuper, "Super"}};
    for (const auto& [flag, name] : names) {
        if (modifiers & flag) {
            text += name;
            text += '+';
        }
    }
    std::string key;
    if (const char* name = XKeysymToString(keysym)) {
        key = name;
    } else {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "0x%lx", keysym);
        key = buffer;
    }
    // Vendor keysyms such as "hpYdiaeresis" keep Xlib's spelling: capitalised they would not read back.
    std::string capital = key;
    capital[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(capital[0])));
    if (KeysymFromName(capital) == keysym)
        key = capital;
    return text + key;
}

} // namespace qbhook
