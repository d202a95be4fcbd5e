// The source library and the environments through the controller: the pages reach the data file
// and the desktop only through these operations; and the pastes into the window in front.
#include "core/CMain.h"

#include "core/LogCategories.h"
#include "hook/HookInstaller.h"
#include "platform/CmdLine.h"
#include "platform/Paths.h"

#include <QDeadlineTimer>
#include <QFileInfo>

QList<data::SourceRecord> CMain::GetSources()
{
    return data::LoadSources(m_strDatabase);
}

void CMain::AddSource(const data::SourceRecord& record)
{
    SearchChanged(search::Kind::Source);
    data::AddSource(m_strDatabase, record);
}

void CMain::DeleteSource(int id)
{
    SearchChanged(search::Kind::Source);
    data::DeleteSource(m_strDatabase, id);
}

void CMain::DeleteAllSources()
{
    SearchChanged(search::Kind::Source);
    data::DeleteAllSources(m_strDatabase);
}

bool CMain::OpenSource(int id, const QString& path, QString* error)
{
    const QString folder = platform::FolderOf(path);
    platform::IShell& shell = *Platform().shell;
    m_search.RecordUse(search::Kind::Source, QString::number(id));
    if (data::OpenWith(m_strDatabase, id) != data::kOpenWithEditor)
        return shell.ShellExecute(path, QString(), folder, error);
    // The editor gets the whole path, so that neither a file name starting with '-' reads as an
    // option nor a relative path is taken from the editor's own folder.
    const QString file = QFileInfo(path).absoluteFilePath();
    if (m_strEditorPath == QLatin1String("notepad"))
        return shell.OpenInDefaultEditor(file, folder, error);
    // Quoted, so that the path reaches the editor as exactly one argument whatever it holds.
    return shell.ShellExecute(m_strEditorPath, platform::QuoteArgument(file), folder, error);
}

QList<data::EnvRecord> CMain::GetEnvironments()
{
    return data::LoadEnvironments(m_strDatabase);
}

void CMain::AddEnvironment(const QString& name, const QString& desc, const QList<data::AppRecord>& apps)
{
    SearchChanged(search::Kind::Environment);
    data::AddEnvironment(m_strDatabase, name, desc, apps);
}

void CMain::RemoveEnvironment(int id)
{
    SearchChanged(search::Kind::Environment);
    data::RemoveEnvironment(m_strDatabase, id);
}

void CMain::RemoveAllEnvironments()
{
    SearchChanged(search::Kind::Environment);
    data::RemoveAllEnvironments(m_strDatabase);
}

QStringList CMain::LaunchEnvironment(int envId)
{
    platform::IShell& shell = *Platform().shell;
    QStringList failures;
    m_search.RecordUse(search::Kind::Environment, QString::number(envId));
    for (const data::AppRecord& app : data::LoadApps(m_strDatabase, envId)) {
        // The whole command line is one argument of the program, as it was typed.
        const QString parameters = app.cmdLine.isEmpty() ? QString() : platform::QuoteArgument(app.cmdLine);
        const QString folder = platform::FolderOf(app.path);
        qCDebug(lcEnvironments).noquote() << "environment" << envId << "starts" << app.path << "in" << folder;
        QString error;
        if (!shell.ShellExecute(app.path, parameters, folder, &error)) {
            qCWarning(lcEnvironments).noquote()
                << "environment" << envId << "could not start" << app.path << "-" << error;
            failures << QStringLiteral("%1 could not be started:\n%2").arg(app.path, error);
        }
    }
    return failures;
}

namespace {
// After a paste the texts that passed come back as soon as the application has fetched its text
// (then 10 ms of quiet after a text format that may be followed by another), half a second at most.
constexpr int PasteSettleMs = 10;
constexpr int PasteBoundMs = 500;
// A terminal may fetch the text more than once (xfce4-terminal looks at it before it pastes it):
// the texts that passed come back once it has asked for nothing for this long.
constexpr int TerminalQuietMs = 50;
// A text pasted with the user's clipboard put back afterwards, outside an expansion: no expansion's
// half second here, so a slow application still gets the pasted text, not the user's.
constexpr int RestoringPasteBoundMs = 2000;
} // namespace

void CMain::PasteIntoWindow(platform::WindowId window)
{
    // The clipboard keeps the text, as after a paste into an editor.
    PasteHolding(window, Platform().clipboardWriter->Text(), nullptr, PasteBoundMs, false);
}

void CMain::PasteRestoring(platform::WindowId window, const QString& text)
{
    platform::IClipboardWriter& clipboard = *Platform().clipboardWriter;
    if (!window) {
        clipboard.SetText(text);
        return;
    }
    RemoveHook();
    bool secret = false;
    const QString saved = clipboard.Text(&secret);
    PasteHolding(window, text, &saved, RestoringPasteBoundMs, secret);
    InstallHook();
}

void CMain::PasteHolding(platform::WindowId window, const QString& text, const QString* restore, int capMs,
                         bool restoreSecret)
{
    // The keys the user types while the focus goes back and the application fetches its text come
    // after the text, as after an expansion.
    HoldKeys();
    Platform().foreground->SetForegroundWindow(window);
    PasteText(text, PasteKindInFront(), restore, capMs, restoreSecret);
    ReleaseKeys();
}

void CMain::HoldKeys()
{
    if (m_hHook)
        hook::HookInstaller::HoldKeys(m_hHook);
}

void CMain::ReleaseKeys()
{
    if (m_hHook)
        hook::HookInstaller::ReleaseKeys(m_hHook);
}

TerminalPaste CMain::PasteKindInFront()
{
    platform::IForeground& foreground = *Platform().foreground;
    return m_terminals.PasteOf(foreground.WindowClass(foreground.GetForegroundWindow()));
}

void CMain::PasteText(const QString& text, TerminalPaste how, const QString* restore, int capMs, bool restoreSecret)
{
    platform::IClipboardWriter& clipboard = *Platform().clipboardWriter;
    const bool primary = how == TerminalPaste::ShiftInsert;
    const QString savedPrimary = primary ? clipboard.PrimaryText() : QString();
    clipboard.SetText(text, restore != nullptr);
    if (primary)
        clipboard.SetPrimaryText(text, true);
    if (primary)
        SendKeys(platform::ShiftInsertKeys);
    else if (how == TerminalPaste::CtrlShiftV)
        SendKeys(platform::CtrlShiftVKeys);
    else
        SendKeys(platform::PasteKeys);
    // Until the application has its text, the user's clipboard stays away and the keys held stay held.
    const QDeadlineTimer bound(capMs);
    bool served = Platform().quietWait->WaitForPasteServed(PasteSettleMs, capMs);
    if (!served)
        qCDebug(lcClipboard) << "pasted text not fetched within" << capMs << "ms";
    while (served && how != TerminalPaste::None && !bound.hasExpired())
        served = Platform().quietWait->WaitForPasteServed(
            PasteSettleMs, int(qMin<qint64>(TerminalQuietMs, bound.remainingTime())));
    if (restore)
        clipboard.SetText(*restore, restoreSecret);
    if (primary)
        clipboard.SetPrimaryText(savedPrimary);
}
