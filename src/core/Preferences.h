#pragma once
// The ten preferences: each key with its default, its "read as missing" value and the controller
// field that holds it, in the order they are read and written.
#include <QSettings>
#include <QString>
#include <variant>
#include <vector>

class CMain;

struct Preference {
    const char* key;
    std::variant<int CMain::*, QString CMain::*> field;
    // For integers: the default and the value that reads as missing.
    int defaultInt = 0;
    int missingInt = -1;
};

// The table, in reading and writing order.
const std::vector<Preference>& Preferences();

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
