#pragma once
// The main window. Hidden for the whole run, it owns the tray icon and its menu, receives the
// keyboard helper's messages, runs the services' sheets, holds the clipboard read and write and
// the timers of capture, flash and auto save. Shown, it is the Properties dialog.
#include <QBasicTimer>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <variant>
#include <vector>
#include <memory>

class CMain;
class CSearchDlg;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QSystemTrayIcon;
class QTabWidget;
class QPushButton;

// The tray icon's mouse messages, as the tray callback numbers them.
constexpr int WM_MOUSEMOVE = 0x200;
constexpr int WM_LBUTTONUP = 0x202;
constexpr int WM_LBUTTONDBLCLK = 0x203;
constexpr int WM_RBUTTONDOWN = 0x204;

// The four sheets, one guard each.
enum class SheetKind { Shortcuts, Clipboard, Sources, Environments };

class CQuillboxDlg : public QDialog {
    Q_OBJECT
public:
    explicit CQuillboxDlg(QWidget* parent = nullptr);
    ~CQuillboxDlg() override;

    // Makes the window (and so its window id, the target of the helper's messages), hidden.
    int Create();
    int CreateSystrayIcon();
    int DestroySystrayIcon();
    // Destroys the native window at shutdown.
    bool DestroyWindow();

    // The keyboard helper, at most one installed at a time.
    void RemoveHook();
    void InstallHook();

    // Message handlers, each returning 0.
    int OnMouseMsg();
    int OnCopyMsg();
    int OnPasteMsg(long lParam);
    int OnSystrayIconClicked(int mouseMessage);
    int OnCloseSplashWnd();
    int OnShowEnvironmentsMsg();
    int OnShowShortcutsMsg();
    int OnShowSourcesMsg();
    int OnResolveShortcutMsg();
    int OnSearchMsg();
    // Dispatches one message of the keyboard helper by its number.
    void DispatchHookMessage(long number, long lParam);

    // The tray menu's commands.
    void OnSystrayNewshortcut();
    void OnSystrayViewshortcuts();
    void OnSystrayAddtoclipboard();
    void OnSystrayClipboardmanager();
    void OnSystrayAddtosourcelibrary();
    void OnSystrayViewcurrentsources();
    void OnSystrayAddenvironment();
    void OnSystraySelectenvironment();
    void OnSystrayProperties();
    void OnSystrayHelp();
    void OnSystrayAbout();
    void OnSystrayQuit();

    // Shows the flash icon for two seconds.
    void StartFlash();
    // Timer 3, the clipboard auto save: started (60,000 ms) or stopped.
    void SetAutoSaveTimer(bool on);

    // What the tray shows, for tests and the log: the icon number (129, 141 or 144) and the tip.
    int TrayIconNumber() const { return m_nTrayIcon; }
    QString TrayTip() const;
    bool IsSheetOpen(SheetKind kind) const;
    bool IsCopyPending() const { return m_bCopyPending; }
    // The search window, made hidden with the main window.
    CSearchDlg* SearchWindow() const { return m_search; }

    // The tray menu as it is loaded on a right click (its items, separators and the Help submenu).
    QMenu* LoadTrayMenu();

    // Properties: the values shown, exchanged with the controls.
    void OnShowWindow(bool show);
    // Moves the values between the controls and the members; false when a number edit was empty.
    bool UpdateData(bool saveAndValidate);

protected:
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
    void timerEvent(QTimerEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    friend class TestMainWindow;

    // Runs a sheet. fromHook: opened by one of the helper's list messages or the clipboard manager
    // keys, so the window in front is recorded for the pages to give the focus back.
    // giveBackForeground: afterwards the recorded window gets the focus back and the record is
    // cleared. Returns the sheet's result, or -1 when it was not opened.
    int RunSheet(SheetKind kind, int startPage, bool fromHook, bool giveBackForeground = false);
    int& Guard(SheetKind kind);
    void SetTrayIcon(int number);
    void BuildProperties();
    void OnTimer(int id);
    // Properties handlers.
    void OnOk();
    void OnCancel();
    void OnBrowseDataFile();
    void OnWindowsNotepad();
    void OnCustomEditor();
    void OnUpgrade();
    void EnableUses(bool enable);
    // The members from the controller's preferences (the constructor and every showing), and back
    // (every hiding but Cancel's), as the preference table says for each.
    void LoadMembers(const CMain& main);
    void StoreMembers(CMain& main);

public:
    // Members, in the order the main window declares them.
    int m_bCancel = 0;
    int m_bEnvSheetOpen = 0;
    int m_bSourceSheetOpen = 0;
    int m_bCopyPending = 0;
    QPointer<QMenu> m_menu;
    QSystemTrayIcon* m_nid = nullptr;
    int m_bClipboardSheetOpen = 0;
    int m_bShortcutSheetOpen = 0;
    QTabWidget* m_tab = nullptr;
    QPushButton* m_btnBrowse = nullptr;
    int m_bClipboardActive = 0;
    int m_bCaseSensitive = 0;
    int m_nClipboardKeys = 0;
    int m_nEditor = 0;
    int m_nMaxClipboardItems = 0;
    int m_bAutoPaste = 0;
    QString m_strDataFile;
    int m_bAutoSave = 0;
    int m_bLoadOnStartup = 0;
    int m_bUpgrade = 0;
    int m_nUses = 0;

    // The Properties controls.
    struct Controls {
        QLineEdit* dataFile = nullptr;
        QCheckBox* clipboardActive = nullptr;
        QSpinBox* maxItems = nullptr;
        QCheckBox* autoSave = nullptr;
        QCheckBox* loadOnStartup = nullptr;
        QRadioButton* ctrlShift = nullptr;
        QRadioButton* ctrlAlt = nullptr;
        QButtonGroup* keys = nullptr;
        QCheckBox* caseSensitive = nullptr;
        QCheckBox* autoPaste = nullptr;
        QCheckBox* upgrade = nullptr;
        QLabel* after = nullptr;
        QSpinBox* uses = nullptr;
        QLabel* usesLabel = nullptr;
        QRadioButton* notepad = nullptr;
        QRadioButton* customEditor = nullptr;
        QButtonGroup* editor = nullptr;
        QPushButton* ok = nullptr;
        QPushButton* cancel = nullptr;
    } m_controls;

    // The exchange between the members and the controls, in exchange order: the preference a
    // member edits, the member and its control.
    struct Exchange {
        const char* key;
        std::variant<int*, QString*> member;
        QObject* control;
    };
    std::vector<Exchange> m_exchange;

private:
    int m_nTrayIcon = 129;
    // Timer 1: the copy absorption window. Timer 2: the tray flash. Timer 3: the clipboard auto save.
    QBasicTimer m_copyTimer;
    QBasicTimer m_flashTimer;
    QBasicTimer m_autoSaveTimer;
    CSearchDlg* m_search = nullptr;
};
