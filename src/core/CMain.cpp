#include "core/CMain.h"

#include "core/LogCategories.h"
#include "core/MainWindows.h"
#include "core/Preferences.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/ColumnWidths.h"
#include "data/DataFile.h"
#include "data/DatabaseError.h"
#include "data/ShortcutName.h"
#include "data/Text.h"
#include "hook/HookConfig.h"
#include "hook/HookInstaller.h"
#include "hook/qbhook/HookMessage.h"
#include "hook/SharedBlock.h"
#include "platform/MessageBox.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {
// The one controller, for GetMain() and for the signal handlers.
CMain* s_pCurrent = nullptr;

// Qt calls exit() when it finds its X connection broken (the X server ended or the session closed);
// the program must not then be torn down by static destructors with its windows and threads alive.
void EndAtExit()
{
    if (CMain* main = GetMain())
        main->EndWithoutDisplay();
}
} // namespace

CMain* GetMain()
{
    return s_pCurrent;
}

CMain::CMain()
{
    s_pCurrent = this;
    m_searchRefresh.setSingleShot(true);
    QObject::connect(&m_searchRefresh, &QTimer::timeout, [this] {
        // A data file that cannot be read now is read again, and reported, when the search opens.
        try {
            SearchIndex();
        } catch (const data::DatabaseError& error) {
            qCDebug(lcSearch).noquote() << "search index not refreshed:" << error.UserText();
        }
    });
}

void CMain::SearchChanged(search::Kind kind)
{
    m_searchStale[std::size_t(kind)] = true;
    if (QCoreApplication::instance())
        m_searchRefresh.start(0);
}

CMain::~CMain()
{
    m_pWindows.reset();
    delete m_pShortcut;
    delete m_pClipboard;
    if (s_pCurrent == this)
        s_pCurrent = nullptr;
}

void CMain::SetPlatform(std::unique_ptr<platform::Services> services)
{
    m_pPlatform = std::move(services);
}

void CMain::SetWindows(std::unique_ptr<IMainWindows> windows)
{
    m_pWindows = std::move(windows);
}

int CMain::Start()
{
    if (!LoadPreferences())
        return 1;
    if (!m_pPlatform)
        m_pPlatform = platform::CreateServices(QByteArray(QB_HOOK_MESSAGE_ATOM));
    QString why;
    m_bKeyboardHelper = platform::SessionSupported(&why);
    if (!m_bKeyboardHelper) {
        const QString text = why + QStringLiteral("\nThe keys of Quillbox and its clipboard history do not work in this "
                                                  "session; its tray menu does.");
        std::fprintf(stderr, "Quillbox: %s\n", qPrintable(text));
        if (m_pWindows)
            m_pWindows->ShowNotice(text);
    }
    if (m_pWindows)
        m_pWindows->Create(*this);
    InstallSystemHook();
    try {
        CreateStores();
    } catch (const data::DatabaseError& error) {
        // The data file changed between the start-up check and the loading of the stores (another
        // program took it, or it was replaced): said, and Quillbox ends in order.
        platform::ShowMessage(error.UserText(), platform::MsgStyle::Exclamation);
        m_bQuit = 1;
    }
    static const bool endsInOrder = [] {
        platform::InstallDisplayLossHandler();
        return std::atexit(EndAtExit) == 0;
    }();
    Q_UNUSED(endsInOrder);
    m_bRunning = true;
    RunMessageLoop();
    m_bRunning = false;
    DestroySystemHook();
    if (m_pWindows)
        m_pWindows->Destroy();
    SavePreferences();
    return 1;
}

void CMain::EndWithoutDisplay()
{
    if (!m_bRunning)
        return;
    m_bRunning = false;
    std::fprintf(stderr, "Quillbox: the X display went away; Quillbox ends.\n");
    DestroySystemHook();
    SavePreferences();
    std::fflush(nullptr);
    std::_Exit(0);
}

int CMain::Quit()
{
    m_bQuit = 1;
    return 1;
}

int CMain::LoadPreferences()
{
    std::unique_ptr<QSettings> settings(OpenSettings());
    m_bFirstRun = ReadPreferences(*this, *settings);
    m_terminals = TerminalClasses::Read(*settings);
    search::LoadUses(m_search, *settings);
    return data::EnsureDataFile(m_strDatabase, m_bFirstRun) == data::DataFileState::Ready ? 1 : 0;
}

int CMain::SavePreferences()
{
    std::unique_ptr<QSettings> settings(OpenSettings());
    WritePreferences(*this, *settings);
    search::SaveUses(m_search, *settings);
    return 1;
}

namespace {

hook::HookConfig LoadHookConfig(int clipboardMgrKeys)
{
    std::unique_ptr<QSettings> settings(OpenSettings());
    hook::HookConfig config = hook::HookConfig::Load(*settings, clipboardMgrKeys);
    // Keys the user types while an expansion runs are held and come after its text.
    config.SetHoldTypeAhead(true);
    return config;
}

int StartHook(int clipboardMgrKeys)
{
    // The helper reports on its own thread; the message is shown by the user-interface thread.
    return hook::HookInstaller::Install(LoadHookConfig(clipboardMgrKeys), [](const QString& text) {
        qCWarning(lcHook).noquote() << text;
        QMetaObject::invokeMethod(
            qApp, [text] { platform::ShowMessage(text, platform::MsgStyle::Exclamation); }, Qt::QueuedConnection);
    });
}

} // namespace

int CMain::InstallSystemHook()
{
    if (m_bKeyboardHelper)
        m_hHook = StartHook(m_nClipboardMgrKeys);
    const QByteArray block = hook::EncodeSharedBlock(quint32(m_pWindows ? m_pWindows->MainWindowId() : 0), quint32(m_hHook));
    hook::WriteSharedBlock(QString::fromLatin1(hook::kSharedBlockFile), block);
    m_hSharedMapping = hook::PublishSharedBlock(hook::SharedBlockName(), block) ? 1 : -1;
    return 1;
}

int CMain::DestroySystemHook()
{
    UninstallHook();
    if (m_hSharedMapping > 0)
        hook::ReleaseSharedBlock(hook::SharedBlockName());
    m_hSharedMapping = -1;
    return 1;
}

int CMain::CreateStores()
{
    m_pShortcut = new CShortcut(m_strDatabase);
    m_pClipboard = new CClipboard(ClipboardContext{
        [this] { return m_nMaxClipboardItems; },
        [this] { return m_nUpgradeToShortcut; },
        [this](const QString& text) { return ShortcutTextExists(text); },
        [this](const QString& text) { MakeShortcutFromText(text); },
        [this] { return m_strDatabase; },
    });
    if (m_bLoadClipboardOnStartup)
        m_pClipboard->Load();
    if (m_bClipboardAutoSave)
        SetClipboardAutoSave(true);
    // Built now, so that the first search only shows the window.
    SearchIndex();
    return 1;
}

void CMain::RunMessageLoop()
{
    // The program's own loop: only the quit flag ends it. A quit posted to the application is
    // dispatched like any other event and changes nothing, since no QEventLoop runs here.
    // When nothing is pending it waits for the next event. A quit signal wakes that wait at once (its
    // handler writes to a pipe the loop watches), so the bound on the wait is only a safety net: idle,
    // Quillbox wakes once a second.
    QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher();
    const int bound = dispatcher->registerTimer(1000, Qt::CoarseTimer, QCoreApplication::instance());
    while (!m_bQuit) {
        if (!dispatcher->processEvents(QEventLoop::AllEvents) && !m_bQuit)
            dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    dispatcher->unregisterTimer(bound);
}

void CMain::HideSplash()
{
    if (m_pWindows)
        m_pWindows->HideSplash();
}

void CMain::SetClipboardAutoSave(bool on)
{
    m_bClipboardAutoSave = on ? 1 : 0;
    if (m_pWindows)
        m_pWindows->SetAutoSaveTimer(on);
}

void CMain::InstallHook()
{
    if (!m_hHook) {
        if (m_bKeyboardHelper && m_bEnabled && m_nHookSuspended == 0)
            m_hHook = StartHook(m_nClipboardMgrKeys);
        return;
    }
    if (m_nHookSuspended > 0 && --m_nHookSuspended == 0)
        hook::HookInstaller::Resume(m_hHook);
}

void CMain::RemoveHook()
{
    // The helper stays up (its thread, its connection, its grabs): only its messages stop.
    if (m_hHook && m_nHookSuspended++ == 0)
        hook::HookInstaller::Suspend(m_hHook);
}

void CMain::UninstallHook()
{
    if (m_hHook)
        hook::HookInstaller::Remove(m_hHook);
    m_hHook = 0;
    m_nHookSuspended = 0;
}

void CMain::ReinstallHook()
{
    if (!m_hHook)
        return;
    const int suspended = m_nHookSuspended;
    UninstallHook();
    m_hHook = StartHook(m_nClipboardMgrKeys);
    m_nHookSuspended = suspended;
    if (m_hHook && suspended > 0)
        hook::HookInstaller::Suspend(m_hHook);
}

void CMain::SendKeys(std::span<const platform::KeyStep> steps)
{
    // With the helper running, its keyboard hold keeps the user's type-ahead: the keys go past it.
    if (m_hHook)
        hook::SendVirtualKeys(m_hHook, steps);
    else
        Platform().keyboard->Send(steps);
}

int CMain::CaptureClipboard()
{
    // The text is read away from the user-interface thread: a large one takes its owner many round
    // trips to send, and the tray must go on answering meanwhile.
    if (!m_pPlatform || !m_pPlatform->clipboard)
        return 0;
    m_pPlatform->clipboard->Read([this](const platform::ClipboardContent& content) {
        // A text that a password manager marked as secret is never kept.
        if (content.secret)
            qCDebug(lcClipboard) << "copy not kept: marked secret";
        else if (content.tooLarge)
            qCDebug(lcClipboard) << "copy not kept: more than" << platform::IClipboardReader::kMaxBytes << "bytes";
        else if (content.text.isEmpty())
            qCDebug(lcClipboard) << "copy not kept: no text";
        else {
            m_pClipboard->Add(content.text);
            // A copy counts as a use of its text: the search lists it as recent.
            m_search.RecordUse(search::Kind::History, content.text);
            SearchChanged(search::Kind::History);
            qCDebug(lcClipboard) << "copy kept," << content.text.size();
        }
    });
    return 1;
}

void CMain::AddClipboardText(const QString& text)
{
    m_pClipboard->Add(text);
    SearchChanged(search::Kind::History);
}

void CMain::GetNextClipboardItem(QString& text)
{
    m_pClipboard->GetNext(text);
}

void CMain::UseClipboardItem(int index)
{
    if (index >= 0 && index < m_pClipboard->Count())
        m_search.RecordUse(search::Kind::History, m_pClipboard->At(index).m_strText);
    m_pClipboard->Use(index);
}

int CMain::DeleteClipboardItem(int index)
{
    SearchChanged(search::Kind::History);
    return m_pClipboard->Delete(index);
}

int CMain::DeleteAllClipboardItems()
{
    SearchChanged(search::Kind::History);
    return m_pClipboard->DeleteAll();
}

void CMain::SaveClipboard()
{
    m_pClipboard->Save();
}

void CMain::LoadClipboard()
{
    SearchChanged(search::Kind::History);
    m_pClipboard->Load();
}

ShortcutRecord* CMain::FindShortcut(QString name)
{
    if (!m_bShortcutsCaseSensitive)
        name = name.toLower();
    return m_pShortcut->Lookup(name);
}

int CMain::AddShortcut(ShortcutRecord* record)
{
    if (!m_bShortcutsCaseSensitive)
        record->shortcut = record->shortcut.toLower();
    SearchChanged(search::Kind::Shortcut);
    return m_pShortcut->Add(record) ? 1 : 0;
}

bool CMain::RemoveShortcut(const QString& name)
{
    SearchChanged(search::Kind::Shortcut);
    return m_pShortcut->Remove(name);
}

int CMain::RemoveAllShortcuts()
{
    SearchChanged(search::Kind::Shortcut);
    m_pShortcut->RemoveAll();
    return 1;
}

ShortcutRecord* CMain::GetNextShortcut()
{
    return m_pShortcut->GetNext();
}

bool CMain::ShortcutTextExists(const QString& text)
{
    return m_pShortcut->HasText(text);
}

void CMain::MakeShortcutFromText(const QString& text)
{
    // A text longer than a shortcut's text can be is not made a shortcut; the item stays as it is.
    if (data::CharCount(text) > data::kShortcutTextWidth) {
        qCDebug(lcClipboard) << "item not made a shortcut: longer than" << data::kShortcutTextWidth << "characters";
        return;
    }
    auto* record = new ShortcutRecord;
    record->text = text;
    record->shortcut = data::MakeFreeShortcutName(text, [this](const QString& name) { return FindShortcut(name) != nullptr; });
    // Typed names are looked up in small letters unless shortcuts are case-sensitive, so the name is
    // stored that way too, or the new shortcut could never be typed.
    if (!m_bShortcutsCaseSensitive)
        record->shortcut = record->shortcut.toLower();
    SearchChanged(search::Kind::Shortcut);
    m_pShortcut->Add(record);
}

void CMain::ReloadShortcuts()
{
    // The new store is loaded before the old one goes, so a data file that cannot be read leaves
    // the shortcuts in use as they were. Something that is no file (a named pipe would hang the
    // tray) is never opened.
    if (const QString kind = data::SpecialFileKind(m_strDatabase); !kind.isEmpty())
        throw data::DatabaseError(QStringLiteral("It is %1, not a file.").arg(kind), m_strDatabase);
    auto* fresh = new CShortcut(m_strDatabase);
    SearchChanged(search::Kind::Shortcut);
    delete m_pShortcut;
    m_pShortcut = fresh;
}
