#pragma once
// The controller: one instance for the life of the program. It holds the working copy of the
// preferences, the quit and enabled flags, the windows and the two stores, runs start-up, the main
// loop and the shutdown, and is the only way other code reaches the stores.
#include "core/Terminals.h"
#include "core/SearchIndex.h"
#include "data/Environments.h"
#include "data/SourceLibrary.h"
#include "platform/Platform.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <csignal>
#include <initializer_list>
#include <memory>
#include <span>

class CQuillboxDlg;
class CSplashDlg;
class IMainWindows;
class CShortcut;
class CClipboard;
struct ShortcutRecord;

class CMain {
public:
    CMain();
    virtual ~CMain();
    CMain(const CMain&) = delete;
    CMain& operator=(const CMain&) = delete;

    // Start-up, the main loop and the shutdown; returns when the user has quit.
    int Start();
    // Sets the quit flag; the main loop ends on its next pass.
    int Quit();

    // Reads every preference (writing the defaults of missing ones) and makes sure a data file
    // exists. Returns 0 only when the user declined to create a missing data file: the program
    // then ends before any window exists.
    int LoadPreferences();
    // Writes every preference, unconditionally.
    int SavePreferences();

    int InstallSystemHook();
    int DestroySystemHook();
    int CreateStores();
    // Dispatches events until m_bQuit is set; when nothing is pending it waits for the next event,
    // at most 50 ms, so that the quit flag is looked at again.
    void RunMessageLoop();
    void HideSplash();
    void SetClipboardAutoSave(bool on);
    // The end when the display went away while the main loop ran (Qt then ends the process from
    // inside its event processing): the keyboard helper is stopped, the preferences are written
    // and the process ends with exit code 0. Nothing of the data file is open at that moment.
    void EndWithoutDisplay();

    // The expansion: the word before the caret in the application in front is copied; when it is
    // a shortcut, its text is pasted over it. The user's clipboard text comes back. 1 when it did.
    int ResolveShortcut();

    // The clipboard history.
    int CaptureClipboard();
    void AddClipboardText(const QString& text);
    void GetNextClipboardItem(QString& text);
    void UseClipboardItem(int index);
    int DeleteClipboardItem(int index);
    int DeleteAllClipboardItems();
    void SaveClipboard();
    void LoadClipboard();

    // The shortcuts. Names are lower-cased first unless shortcuts are case-sensitive.
    ShortcutRecord* FindShortcut(QString name);
    int AddShortcut(ShortcutRecord* record);
    bool RemoveShortcut(const QString& name);
    int RemoveAllShortcuts();
    ShortcutRecord* GetNextShortcut();
    bool ShortcutTextExists(const QString& text);
    void MakeShortcutFromText(const QString& text);
    void ReloadShortcuts();

    // The source library.
    QList<data::SourceRecord> GetSources();
    void AddSource(const data::SourceRecord& record);
    void DeleteSource(int id);
    void DeleteAllSources();
    // Opens the source file path (row id) in the text editor of the preferences or its associated
    // application, in its folder. On failure returns false with the system's reason in *error.
    bool OpenSource(int id, const QString& path, QString* error);

    // The environments.
    QList<data::EnvRecord> GetEnvironments();
    void AddEnvironment(const QString& name, const QString& desc, const QList<data::AppRecord>& apps);
    void RemoveEnvironment(int id);
    void RemoveAllEnvironments();
    // Starts every application of the environment; returns a text for each one that could not be.
    QStringList LaunchEnvironment(int envId);

    // Gives window the focus and pastes the clipboard into it with its paste key (Ctrl+V, or a
    // terminal's own).
    void PasteIntoWindow(platform::WindowId window);
    // How the window in front pastes: Ctrl+V, or a terminal's own key.
    TerminalPaste PasteKindInFront();
    // Pastes text into the window that has the focus with the paste key how. The text goes on the
    // clipboard (marked as passing when restore is given) and, for a terminal that pastes PRIMARY,
    // on PRIMARY too, whose own text comes back once the paste has fetched the text (capMs at
    // most); with restore, the clipboard gets *restore back then as well, marked secret when
    // restoreSecret.
    void PasteText(const QString& text, TerminalPaste how, const QString* restore, int capMs,
                   bool restoreSecret = false);

    // Pastes text into window as the expansion does, with the paste key of that window: the user's
    // clipboard text (and its secret mark) comes back afterwards. With no window, text is put on
    // the clipboard for the user to paste.
    void PasteRestoring(platform::WindowId window, const QString& text);

    // The search over the shortcuts, the clipboard history, the source library and the
    // environments, brought up to date with them: only the kinds changed since the last call are
    // read again.
    const search::SearchIndex& SearchIndex();
    // Acts on what the search found as its own sheet does: a shortcut's or history item's text is
    // pasted into window (PasteText), a source file is opened, an environment is started. Returns a
    // text for the user for each thing that failed.
    QStringList UseSearchEntry(const search::Entry& entry, platform::WindowId window);

    // The seams to the operating system this program runs with (the X11 backend, or fakes in tests).
    platform::Services& Platform() { return *m_pPlatform; }
    bool HasPlatform() const { return m_pPlatform != nullptr; }

    // The keyboard helper's messages, around an expansion and while a sheet is open: RemoveHook
    // suspends them (the helper stays up and its chords stay taken), InstallHook resumes them, in
    // pairs. With no helper running, InstallHook starts one.
    void InstallHook();
    void RemoveHook();
    // Stops the helper: its chords go back to the applications (the services switched off).
    void UninstallHook();
    // Starts the helper again with the chords of the preferences (another clipboard manager pair).
    void ReinstallHook();
    // Synthesizes keys in the window in front.
    void SendKeys(std::span<const platform::KeyStep> steps);
    // The helper's hold of the user's keys: held keys come after everything SendKeys sent, in order.
    void HoldKeys();
    void ReleaseKeys();
    void SendKeys(std::initializer_list<platform::KeyStep> steps) { SendKeys(std::span(steps.begin(), steps.size())); }
    void SetPlatform(std::unique_ptr<platform::Services> services);
    // The program's windows; without them (tests) the controller runs windowless.
    void SetWindows(std::unique_ptr<IMainWindows> windows);

    // Preferences and state, in declaration order.
    int m_nUpgradeToShortcut = -1;
    int m_bLoadClipboardOnStartup = 0;
    int m_bClipboardAutoSave = 0;
    // Set from the tray's Quit and from SIGINT/SIGTERM, hence a type a signal handler may write.
    volatile std::sig_atomic_t m_bQuit = 0;
    int m_bAutoPasteShortcut = 1;
    int m_nMaxClipboardItems = 10;
    platform::WindowId m_pPrevForegroundWnd = 0;
    CQuillboxDlg* m_pTrayDlg = nullptr;
    CSplashDlg* m_pSplashDlg = nullptr;
    int m_hHook = 0;
    QString m_strEditorPath;
    QString m_strDatabase;
    int m_nClipboardMgrKeys = 0;
    int m_bShortcutsCaseSensitive = 0;
    int m_bClipboardActive = 1;
    int m_bEnabled = 1;
    CClipboard* m_pClipboard = nullptr;
    CShortcut* m_pShortcut = nullptr;
    int m_hSharedMapping = -1;

    // Set by LoadPreferences when "ClipboardActive" was missing: this is the first run, and an
    // existing data file is set aside before a new one is made.
    bool m_bFirstRun = false;
    // Whether the keyboard helper can run: an X11 session. Tests have no helper.
    bool m_bKeyboardHelper = false;
    // The terminal emulators: the common ones and those of the settings.
    TerminalClasses m_terminals;

private:
    std::unique_ptr<platform::Services> m_pPlatform;
    std::unique_ptr<IMainWindows> m_pWindows;
    bool m_bRunning = false;   // the main loop runs
    bool m_bResolving = false; // an expansion runs; it is not re-entered
    int m_nHookSuspended = 0;  // RemoveHook calls not yet matched by InstallHook

    // PasteText into window, made the one in front, with the keys the user types meanwhile held
    // until the application has its text.
    void PasteHolding(platform::WindowId window, const QString& text, const QString* restore, int capMs,
                      bool restoreSecret);

    // The search's index and, per kind, whether it must be read again. A change is brought into
    // the index once the program is idle, so that the Search chord finds it ready.
    void SearchChanged(search::Kind kind);
    search::SearchIndex m_search;
    std::array<bool, search::kKindCount> m_searchStale{true, true, true, true};
    QString m_searchDatabase;
    QTimer m_searchRefresh;
};

// The one controller of the program (null before it exists and after it is gone).
CMain* GetMain();
