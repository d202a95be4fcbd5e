#pragma once
// What the hook is installed with: the chords of the settings group "Hook" (each key missing or
// unreadable gives its default), the clipboard manager pair chosen by the preference
// ClipboardMgrKeys, and the name of the shared block.
#include "hook/qbhook/qbhook.h"

#include <QSettings>
#include <QString>
#include <QStringList>

#include <array>

namespace hook {

class HookConfig {
public:
    // Every chord at its default, the Ctrl+Shift pair, the block of this user and display.
    HookConfig();

    // Reads the group "Hook" of settings (which must stand at its top level). clipboardMgrKeys is
    // the preference ClipboardMgrKeys: 1 chooses the Ctrl+Alt pair, anything else Ctrl+Shift.
    static HookConfig Load(QSettings& settings, int clipboardMgrKeys);

    int ClipboardMgrPair() const { return m_pair; }

    // The value of chord index (QBHOOK_CHORD_*) as the settings hold it; null when missing.
    QString Value(int index) const;
    // The chord that is grabbed for index, in its canonical form ("Ctrl+Alt+Space").
    QString Chord(int index) const;
    // Whether index is grabbed at all: only the chosen clipboard manager pair is.
    bool InUse(int index) const;

    // One text for each chord in use whose value cannot be read and gave way to the default.
    // The hook reports these same texts itself through HookInstaller's callback, once per run,
    // so the program need not show them again.
    QStringList FallbackMessages() const;

    // The settings file as the texts name it, with the home folder written "~".
    QString SettingsFile() const { return m_settingsFile; }

    // Whether the expand and search chords hold the user's type-ahead until
    // HookInstaller::ReleaseKeys; the program then synthesizes its keys with
    // HookInstaller::SendKeys. Off unless set.
    bool HoldTypeAhead() const { return m_holdTypeAhead; }
    void SetHoldTypeAhead(bool hold) { m_holdTypeAhead = hold; }

    QString SharedBlockName() const { return m_sharedBlockName; }
    void SetSharedBlockName(const QString& name) { m_sharedBlockName = name; }

private:
    int m_pair = 0;
    std::array<QString, QBHOOK_CHORD_COUNT> m_values; // null: missing
    QString m_settingsFile;
    QString m_sharedBlockName;
    bool m_holdTypeAhead = false;
};

} // namespace hook
