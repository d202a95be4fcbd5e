#include "ui/main/CQuillboxDlg.h"

#include "core/CMain.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "hook/qbhook/HookMessage.h"
#include "hook/SharedBlock.h"
#include "ui/common/CAboutDlg.h"
#include "ui/framework/Resources.h"
#include "ui/framework/RunHandler.h"
#include "core/LogCategories.h"
#include "ui/main/SheetFactory.h"
#include "ui/search/CSearchDlg.h"

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>
#include <QSystemTrayIcon>
#include <QTimerEvent>

namespace {

constexpr int FlashMs = 2000;
constexpr int AutoSaveMs = 60000;

} // namespace

CQuillboxDlg::CQuillboxDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Properties"));
    setWindowIcon(ui::ResourceIcon(128));
    BuildProperties();
    // The constructor already takes the preferences, so the controls hold them before the first show.
    if (CMain* main = GetMain())
        LoadMembers(*main);
    UpdateData(false);
}

CQuillboxDlg::~CQuillboxDlg()
{
    delete m_menu;
    delete m_nid;
}

int CQuillboxDlg::Create()
{
    // The native window exists from here on, hidden; its id is where the helper sends messages.
    winId();
    hide();
    // Made now, hidden, so that the Search chord only has to show it.
    m_search = new CSearchDlg(this);
    // The helper's messages stop while the search is open, as while a sheet is.
    connect(m_search, &CSearchDlg::Closed, this, [this] { InstallHook(); });
    return 1;
}

int CQuillboxDlg::CreateSystrayIcon()
{
    m_nid = new QSystemTrayIcon(this);
    SetTrayIcon(129);
    connect(m_nid, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
        case QSystemTrayIcon::DoubleClick: // the second button-up of a double click
            OnSystrayIconClicked(WM_LBUTTONUP);
            break;
        case QSystemTrayIcon::Context:
            OnSystrayIconClicked(WM_RBUTTONDOWN);
            break;
        default:
            OnSystrayIconClicked(WM_MOUSEMOVE);
            break;
        }
    });
    m_nid->show();
    return 1;
}

int CQuillboxDlg::DestroySystrayIcon()
{
    if (m_nid)
        m_nid->hide();
    return 1;
}

bool CQuillboxDlg::DestroyWindow()
{
    m_autoSaveTimer.stop();
    m_copyTimer.stop();
    m_flashTimer.stop();
    hide();
    destroy();
    return true;
}

QString CQuillboxDlg::TrayTip() const
{
    return m_nid ? m_nid->toolTip() : QString();
}

void CQuillboxDlg::SetTrayIcon(int number)
{
    m_nTrayIcon = number;
    if (!m_nid)
        return;
    m_nid->setIcon(ui::ResourceIcon(number));
    m_nid->setToolTip(GetMain() && !GetMain()->m_bEnabled ? QStringLiteral("Quillbox (Disabled)")
                                                          : QStringLiteral("Quillbox (Enabled)"));
    qCDebug(lcTray) << "tray icon" << number << m_nid->toolTip();
}

void CQuillboxDlg::RemoveHook()
{
    GetMain()->RemoveHook();
}

void CQuillboxDlg::InstallHook()
{
    GetMain()->InstallHook();
}

bool CQuillboxDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result)
{
    CMain* main = GetMain();
    if (!main || !main->HasPlatform() || !main->Platform().messages)
        return QDialog::nativeEvent(eventType, message, result);
    const auto raw = main->Platform().messages->Decode(eventType, message);
    if (!raw)
        return QDialog::nativeEvent(eventType, message, result);
    const auto decoded = DecodeHookClientMessage(raw->number, raw->wParam, raw->lParam, raw->secretLow,
                                                 raw->secretHigh, hook::RunSecret());
    if (decoded) {
        ui::RunHandler([&] { DispatchHookMessage(decoded->number, decoded->lParam); });
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

void CQuillboxDlg::DispatchHookMessage(long number, long lParam)
{
    // The keyboard helper's message map. 0x41C and 0x41D are accepted and mean nothing.
    using Handler = int (*)(CQuillboxDlg&, long lParam);
    static constexpr struct {
        long number;
        Handler handler;
    } map[] = {
        {QB_MSG_MOUSE, [](CQuillboxDlg& self, long) { return self.OnMouseMsg(); }},
        {QB_MSG_COPY, [](CQuillboxDlg& self, long) { return self.OnCopyMsg(); }},
        {QB_MSG_CLIPBOARD_MANAGER, [](CQuillboxDlg& self, long lParam) { return self.OnPasteMsg(lParam); }},
        {QB_MSG_EXPAND, [](CQuillboxDlg& self, long) { return self.OnResolveShortcutMsg(); }},
        {QB_MSG_SHOW_SHORTCUTS, [](CQuillboxDlg& self, long) { return self.OnShowShortcutsMsg(); }},
        {QB_MSG_SHOW_SOURCES, [](CQuillboxDlg& self, long) { return self.OnShowSourcesMsg(); }},
        {QB_MSG_SHOW_ENVIRONMENTS, [](CQuillboxDlg& self, long) { return self.OnShowEnvironmentsMsg(); }},
        {QB_MSG_SEARCH, [](CQuillboxDlg& self, long) { return self.OnSearchMsg(); }},
    };
    qCDebug(lcHook, "message 0x%lx lParam %ld", number, lParam);
    for (const auto& entry : map) {
        if (entry.number == number) {
            entry.handler(*this, lParam);
            return;
        }
    }
}

int CQuillboxDlg::OnMouseMsg()
{
    delete m_menu;
    return 0;
}

int CQuillboxDlg::OnSystrayIconClicked(int mouseMessage)
{
    CMain* main = GetMain();
    if (mouseMessage == WM_RBUTTONDOWN) {
        delete m_menu;
        const QPoint at = QCursor::pos();
        m_menu = LoadTrayMenu();
        QPointer<QMenu> menu = m_menu;
        // The menu is held after it closes, until the next right click, message 0x41B or the end.
        menu->exec(at);
    } else if (mouseMessage == WM_LBUTTONUP) {
        if (main->m_bEnabled) {
            main->m_bEnabled = 0;
            SetTrayIcon(141);
            main->UninstallHook();
        } else {
            main->m_bEnabled = 1;
            SetTrayIcon(129);
            main->InstallHook();
        }
    }
    m_bCopyPending = 0;
    return 0;
}

QMenu* CQuillboxDlg::LoadTrayMenu()
{
    auto* menu = new QMenu;
    auto add = [&](QMenu* to, const QString& text, void (CQuillboxDlg::*handler)()) {
        QAction* action = to->addAction(text);
        // Queued, so the menu's own loop has ended before a command opens a modal window.
        connect(action, &QAction::triggered, this, [this, handler] { ui::RunHandler([&] { (this->*handler)(); }); },
                Qt::QueuedConnection);
    };
    add(menu, QStringLiteral("&New shortcut"), &CQuillboxDlg::OnSystrayNewshortcut);
    add(menu, QStringLiteral("&View shortcuts"), &CQuillboxDlg::OnSystrayViewshortcuts);
    menu->addSeparator();
    add(menu, QStringLiteral("&Add to clipboard"), &CQuillboxDlg::OnSystrayAddtoclipboard);
    add(menu, QStringLiteral("&Clipboard manager"), &CQuillboxDlg::OnSystrayClipboardmanager);
    menu->addSeparator();
    add(menu, QStringLiteral("Add to &source library"), &CQuillboxDlg::OnSystrayAddtosourcelibrary);
    add(menu, QStringLiteral("Vie&w current sources"), &CQuillboxDlg::OnSystrayViewcurrentsources);
    menu->addSeparator();
    add(menu, QStringLiteral("Add &environment"), &CQuillboxDlg::OnSystrayAddenvironment);
    add(menu, QStringLiteral("Select en&vironment"), &CQuillboxDlg::OnSystraySelectenvironment);
    menu->addSeparator();
    add(menu, QStringLiteral("&Properties"), &CQuillboxDlg::OnSystrayProperties);
    QMenu* help = menu->addMenu(QStringLiteral("&Help"));
    add(help, QStringLiteral("&Quillbox help"), &CQuillboxDlg::OnSystrayHelp);
    add(help, QStringLiteral("&About Quillbox"), &CQuillboxDlg::OnSystrayAbout);
    add(menu, QStringLiteral("&Quit"), &CQuillboxDlg::OnSystrayQuit);
    return menu;
}

int& CQuillboxDlg::Guard(SheetKind kind)
{
    switch (kind) {
    case SheetKind::Shortcuts:
        return m_bShortcutSheetOpen;
    case SheetKind::Clipboard:
        return m_bClipboardSheetOpen;
    case SheetKind::Sources:
        return m_bSourceSheetOpen;
    case SheetKind::Environments:
        break;
    }
    return m_bEnvSheetOpen;
}

bool CQuillboxDlg::IsSheetOpen(SheetKind kind) const
{
    return const_cast<CQuillboxDlg*>(this)->Guard(kind) != 0;
}

int CQuillboxDlg::RunSheet(SheetKind kind, int startPage, bool fromHook, bool giveBackForeground)
{
    CMain* main = GetMain();
    int& guard = Guard(kind);
    if (guard || (fromHook && !main->m_bEnabled))
        return -1;
    std::unique_ptr<QDialog> sheet = MakeSheet(kind, startPage, this);
    if (!sheet)
        return -1;
    guard = 1;
    RemoveHook();
    if (fromHook)
        main->m_pPrevForegroundWnd = main->Platform().foreground->GetForegroundWindow();
    const int result = sheet->exec();
    sheet.reset();
    if (giveBackForeground) {
        if (main->m_pPrevForegroundWnd)
            main->Platform().foreground->SetForegroundWindow(main->m_pPrevForegroundWnd);
        main->m_pPrevForegroundWnd = 0;
    }
    InstallHook();
    guard = 0;
    return result;
}

void CQuillboxDlg::OnSystrayNewshortcut() { RunSheet(SheetKind::Shortcuts, 0, false); }
void CQuillboxDlg::OnSystrayViewshortcuts() { RunSheet(SheetKind::Shortcuts, 1, false); }
void CQuillboxDlg::OnSystrayAddtoclipboard() { RunSheet(SheetKind::Clipboard, 0, false); }
void CQuillboxDlg::OnSystrayClipboardmanager() { RunSheet(SheetKind::Clipboard, 1, false); }
void CQuillboxDlg::OnSystrayAddtosourcelibrary() { RunSheet(SheetKind::Sources, 0, false); }
void CQuillboxDlg::OnSystrayViewcurrentsources() { RunSheet(SheetKind::Sources, 1, false); }
void CQuillboxDlg::OnSystrayAddenvironment() { RunSheet(SheetKind::Environments, 0, false); }
void CQuillboxDlg::OnSystraySelectenvironment() { RunSheet(SheetKind::Environments, 1, false); }

int CQuillboxDlg::OnShowShortcutsMsg()
{
    RunSheet(SheetKind::Shortcuts, 1, true);
    return 0;
}

int CQuillboxDlg::OnShowSourcesMsg()
{
    RunSheet(SheetKind::Sources, 1, true);
    return 0;
}

int CQuillboxDlg::OnShowEnvironmentsMsg()
{
    RunSheet(SheetKind::Environments, 1, true);
    return 0;
}

int CQuillboxDlg::OnSearchMsg()
{
    CMain* main = GetMain();
    // The keys typed after the chord are held until the search window has the focus; when it does
    // not open they go on to the window in front.
    bool opened = false;
    const auto releaseUnlessOpened = qScopeGuard([&] {
        if (!opened)
            main->ReleaseKeys();
    });
    if (!main->m_bEnabled || !m_search || m_search->IsOpen())
        return 0;
    const platform::WindowId front = main->Platform().foreground->GetForegroundWindow();
    // Brought up to date first: a data file that cannot be read is reported and nothing opens.
    main->SearchIndex();
    RemoveHook();
    m_search->Open(front);
    opened = true;
    return 0;
}

void CQuillboxDlg::OnSystrayProperties()
{
    showNormal();
    raise();
    activateWindow();
}

void CQuillboxDlg::OnSystrayHelp()
{
    // Looked for in the current directory, like the data file, and then where Quillbox is installed.
    const QString name = QStringLiteral("qbhlp.html");
    QString path = QDir::current().absoluteFilePath(name);
    if (!QFileInfo(path).isFile())
        path = platform::InstalledFile(name);
    if (path.isEmpty()) {
        platform::ReportCannotOpen(QStringLiteral("its help page"),
                                   QStringLiteral("%1 is neither in %2 nor installed in %3.")
                                       .arg(name, QDir::currentPath(), platform::FolderOf(platform::InstallTreeFile(name))));
        return;
    }
    QString error;
    if (!GetMain()->Platform().shell->OpenDocument(path, &error))
        platform::ReportCannotOpen(path, error);
}

void CQuillboxDlg::OnSystrayAbout()
{
    CAboutDlg about;
    about.exec();
}

void CQuillboxDlg::OnSystrayQuit()
{
    if (platform::ShowMessage(QStringLiteral("Are you sure you want to quit Quillbox?"), platform::MsgStyle::Question)
        == platform::IDNO)
        return;
    GetMain()->Quit();
}

int CQuillboxDlg::OnCloseSplashWnd()
{
    GetMain()->HideSplash();
    return 0;
}

int CQuillboxDlg::OnResolveShortcutMsg()
{
    if (GetMain()->m_bEnabled && GetMain()->ResolveShortcut() == 1)
        StartFlash();
    return 0;
}

void CQuillboxDlg::StartFlash()
{
    SetTrayIcon(144);
    m_flashTimer.start(FlashMs, this);
}

void CQuillboxDlg::SetAutoSaveTimer(bool on)
{
    if (on)
        m_autoSaveTimer.start(AutoSaveMs, this);
    else
        m_autoSaveTimer.stop();
}

void CQuillboxDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_copyTimer.timerId())
        OnTimer(1);
    else if (event->timerId() == m_flashTimer.timerId())
        OnTimer(2);
    else if (event->timerId() == m_autoSaveTimer.timerId())
        OnTimer(3);
    else
        QDialog::timerEvent(event);
}

void CQuillboxDlg::OnTimer(int id)
{
    switch (id) {
    case 1:
        m_copyTimer.stop();
        m_bCopyPending = 0;
        break;
    case 2:
        m_flashTimer.stop();
        SetTrayIcon(GetMain()->m_bEnabled ? 129 : 141);
        break;
    case 3:
        ui::RunHandler([] { GetMain()->SaveClipboard(); });
        break;
    default:
        break;
    }
}
