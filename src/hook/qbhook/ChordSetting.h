#pragma once
// The seven chords of the hook, each with its key in the settings group "Hook", its default, the
// message it sends and the words the reports use for it; and the texts of those reports.
// One table, shared by the library and by the program's HookConfig.
#include "hook/qbhook/HookMessage.h"
#include "hook/qbhook/Chord.h"

#include <array>
#include <string>
#include <string_view>

namespace qbhook {

struct ChordSetting {
    const char* key;         // key in the settings group "Hook"
    const char* defaultText; // the chord used when the key is missing or unreadable
    HookMessage message;     // what the chord sends once its keys are released
    const char* role;        // how the reports name what the chord does
};

// In the order of the QBHOOK_CHORD_* indexes of qbhook.h.
constexpr std::size_t kChordSettingCount = 7;
const std::array<ChordSetting, kChordSettingCount>& ChordSettings();

// Only one clipboard manager pair is grabbed (pair 0: Ctrl+Shift, 1: Ctrl+Alt), so that the
// other stays with the applications. Any pair other than 1 reads as 0.
bool ChordSettingInUse(std::size_t index, int clipboardMgrPair);

struct ResolvedChord {
    Chord chord;
    std::string fallbackText; // empty when the value was read (or missing); else the report
};

// The chord for setting, from value (nullptr when the key is missing: the default, silently).
// A value that Chord::Parse cannot read gives the default and the report that says so.
ResolvedChord ResolveChordSetting(const ChordSetting& setting, const char* value, std::string_view settingsFile);

// The report for a chord that another program holds.
std::string TakenChordText(const ChordSetting& setting, const Chord& chord, std::string_view settingsFile);

// The report for a chord whose key is on no key of the keyboard.
std::string NoKeyChordText(const ChordSetting& setting, const Chord& chord, std::string_view settingsFile);

// Where the settings live as the reports name them, when the caller does not say.
constexpr const char* kDefaultSettingsFile = "~/.config/Quillbox/Quillbox.conf";

} // namespace qbhook
