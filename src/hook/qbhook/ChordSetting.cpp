#include "hook/qbhook/ChordSetting.h"

namespace qbhook {

const std::array<ChordSetting, kChordSettingCount>& ChordSettings()
{
    static const std::array<ChordSetting, kChordSettingCount> table = {{
        {"Expand", "Ctrl+Alt+Space", {QB_MSG_EXPAND, 0, 0}, "expand key"},
        {"ClipboardManagerCtrlShift", "Ctrl+Shift+Insert",
         {QB_MSG_CLIPBOARD_MANAGER, 0, QB_CLIPBOARD_PAIR_CTRL_SHIFT}, "clipboard manager key"},
        {"ClipboardManagerCtrlAlt", "Ctrl+Alt+Insert", {QB_MSG_CLIPBOARD_MANAGER, 0, QB_CLIPBOARD_PAIR_CTRL_ALT},
         "clipboard manager key"},
        {"ShowShortcuts", "Ctrl+Alt+Shift+S", {QB_MSG_SHOW_SHORTCUTS, 0, 0}, "shortcut list key"},
        {"ShowSources", "Ctrl+Alt+Shift+L", {QB_MSG_SHOW_SOURCES, 0, 0}, "source library key"},
        {"ShowEnvironments", "Ctrl+Alt+Shift+E", {QB_MSG_SHOW_ENVIRONMENTS, 0, 0}, "environment list key"},
        {"Search", "Ctrl+Alt+Shift+F", {QB_MSG_SEARCH, 0, 0}, "search key"},
    }};
    return table;
}

bool ChordSettingInUse(std::size_t index, int clipboardMgrPair)
{
    const long pair = clipboardMgrPair == 1 ? QB_CLIPBOARD_PAIR_CTRL_ALT : QB_CLIPBOARD_PAIR_CTRL_SHIFT;
    const HookMessage& message = ChordSettings().at(index).message;
    return message.number != QB_MSG_CLIPBOARD_MANAGER || message.lParam == pair;
}

namespace {
std::string ChooseAnother(const ChordSetting& setting, std::string_view settingsFile)
{
    return std::string("Quillbox's ") + setting.role + " works again when you choose another one: set " + setting.key +
           " in the [Hook] group of " + std::string(settingsFile) + ".";
}
} // namespace

ResolvedChord ResolveChordSetting(const ChordSetting& setting, const char* value, std::string_view settingsFile)
{
    // The defaults are constants of this file; a failure to read one is a fault of this table.
    const Chord fallback = *Chord::Parse(setting.defaultText);
    if (value == nullptr)
        return {fallback, {}};
    if (auto chord = Chord::Parse(value))
        return {*chord, {}};
    return {fallback, std::string("Quillbox cannot read \"") + value + "\", the value of " + setting.key +
                          " in the [Hook] group of " + std::string(settingsFile) + ", and uses " +
                          setting.defaultText + " for its " + setting.role +
                          " instead. A key chord is written as modifiers and one key joined by '+', "
                          "for example Ctrl+Alt+Space."};
}

std::string TakenChordText(const ChordSetting& setting, const Chord& chord, std::string_view settingsFile)
{
    return chord.ToString() + " is already taken by another program. " + ChooseAnother(setting, settingsFile);
}

std::string NoKeyChordText(const ChordSetting& setting, const Chord& chord, std::string_view settingsFile)
{
    return chord.ToString() + " is on no key of this keyboard. " + ChooseAnother(setting, settingsFile);
}

} // namespace qbhook
