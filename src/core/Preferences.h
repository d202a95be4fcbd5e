#pragma once
// The ten preferences: each key with its default, its "read as missing" value, the controller
// field that holds it, the values the Properties dialog accepts and the control that shows it
// there, in the order they are read and written. Start-up, the Properties dialog and the shutdown
// all read this one table.
#include <QSettings>
#include <QString>
#include <climits>
#include <variant>
#include <vector>

class CMain;

// How the Properties dialog shows a preference.
enum class PreferenceControl {
    None,
    Check,          // a check box: 0 or 1
    Number,         // a number edit
    Choice,         // a pair of radio buttons: 0 or 1 (for a text: 0 exactly when it is the default)
    OptionalNumber, // a check box and a number edit: the preference is -1 while the box is clear
    Path,           // a read-only edit showing the text
};

struct Preference {
    const char* key;
    std::variant<int CMain::*, QString CMain::*> field;
    // For integers: the default and the value that reads as missing.
    int defaultInt = 0;
    int missingInt = -1;
    // For integers set in the Properties dialog: the values it accepts, and what it says (in a
    // plain box when refusalPlain, else with the exclamation icon) when another is entered.
    int minInt = INT_MIN;
    int maxInt = INT_MAX;
    const char* refusal = nullptr;
    bool refusalPlain = false;
    // The Properties control and its text (a check box's text, a number edit's label, a group's
    // title). A Choice of a text is shown only: the dialog's buttons set that text themselves.
    PreferenceControl control = PreferenceControl::None;
    const char* label = nullptr;
};

// The table, in reading and writing order.
const std::vector<Preference>& Preferences();

// The row of key; nullptr when there is none.
const Preference* FindPreference(const char* key);

// The default of a text preference: "notepad" for the editor, DefaultDatabasePath() for the data file.
QString DefaultText(const Preference& preference);

// The settings group of the preferences.
inline constexpr const char* PreferencesGroup = "Prefrences";

// The settings the program uses: NativeFormat, per user, "Quillbox"/"Quillbox".
QSettings* OpenSettings();

// The default data file: the current directory, the native separator and "qbdat.dbf".
QString DefaultDatabasePath();

// Reads every preference into main, writing the default of each missing one at once. Returns true
// when "ClipboardActive" was missing, which marks the first run.
bool ReadPreferences(CMain& main, QSettings& settings);

// Writes every preference from main, unconditionally.
void WritePreferences(const CMain& main, QSettings& settings);

// Sets the integer preference key of main to value when the table accepts it; otherwise says so
// and leaves the preference as it was. Returns whether it was set.
bool ApplyPreference(CMain& main, const char* key, int value);
