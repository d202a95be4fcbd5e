// The source library and the environments through the controller: the pages reach the data file
// and the desktop only through these operations.
#include "core/CMain.h"

#include "core/LogCategories.h"
#include "platform/Paths.h"

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
    if (m_strEditorPath == QLatin1String("notepad"))
        return shell.OpenInDefaultEditor(path, folder, error);
    // Quoted, so that a path with blanks reaches the editor as one argument.
    return shell.ShellExecute(m_strEditorPath, QLatin1Char('"') + path + QLatin1Char('"'), folder, error);
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
        const QString parameters =
            app.cmdLine.isEmpty() ? QString() : QLatin1Char('"') + app.cmdLine + QLatin1Char('"');
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
