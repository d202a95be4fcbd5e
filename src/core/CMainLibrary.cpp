// The source library and the environments through the controller: the pages reach the data file
// and the desktop only through these operations.
#include "core/CMain.h"

#include "core/LogCategories.h"
#include "platform/CmdLine.h"
#include "platform/Paths.h"

#include <QFileInfo>

QList<data::SourceRecord> CMain::GetSources()
{
    return data::LoadSources(m_strDatabase);
}

void CMain::AddSource(const data::SourceRecord& record)
{
    data::AddSource(m_strDatabase, record);
}

void CMain::DeleteSource(int id)
{
    data::DeleteSource(m_strDatabase, id);
}

void CMain::DeleteAllSources()
{
    data::DeleteAllSources(m_strDatabase);
}

bool CMain::OpenSource(int id, const QString& path, QString* error)
{
    const QString folder = platform::FolderOf(path);
    platform::IShell& shell = *Platform().shell;
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
    data::AddEnvironment(m_strDatabase, name, desc, apps);
}

void CMain::RemoveEnvironment(int id)
{
    data::RemoveEnvironment(m_strDatabase, id);
}

void CMain::RemoveAllEnvironments()
{
    data::RemoveAllEnvironments(m_strDatabase);
}

QStringList CMain::LaunchEnvironment(int envId)
{
    platform::IShell& shell = *Platform().shell;
    QStringList failures;
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

void CMain::PasteIntoWindow(platform::WindowId window)
{
    Platform().foreground->SetForegroundWindow(window);
    Platform().keyboard->Send(platform::PasteKeys);
}
