#include "platform/x11/X11Shell.h"

#include "platform/CmdLine.h"
#include "platform/MessageBox.h"
#include "platform/x11/DesktopEntry.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

namespace platform {

namespace {

const QString kOpener = QStringLiteral("xdg-open");

// The system's text for errorNumber, naming what it is about, as a shell reports it.
bool Fail(QString* error, const QString& subject, int errorNumber)
{
    if (error) {
        const QString text = QString::fromLocal8Bit(std::strerror(errorNumber));
        *error = subject.isEmpty() ? text : subject + QStringLiteral(": ") + text;
    }
    return false;
}

// The executable file names: a path when it holds a '/', otherwise a program on PATH. Bare names
// are not looked for in the current folder, as a Linux shell does not.
QString ExecutableOf(const QString& file)
{
    if (file.isEmpty())
        return {};
    if (!file.contains(QLatin1Char('/')))
        return QStandardPaths::findExecutable(file);
    const QFileInfo info(file);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

// Why the opener ended with an error: the last line it wrote, or else what its exit code means.
QString OpenerReason(const QByteArray& messages, int code, QProcess::ExitStatus status)
{
    const QList<QByteArray> lines = messages.trimmed().split('\n');
    if (!lines.last().trimmed().isEmpty())
        return QString::fromLocal8Bit(lines.last().trimmed());
    if (status != QProcess::NormalExit)
        return kOpener + QStringLiteral(" ended unexpectedly");
    switch (code) {
    case 2:
        return QString::fromLocal8Bit(std::strerror(ENOENT));
    case 3:
        return QStringLiteral("the desktop has no application to open it");
    case 4:
        return QStringLiteral("the application that opens it failed");
    default:
        return kOpener + QStringLiteral(" ended with code %1").arg(code);
    }
}

} // namespace

X11Shell::X11Shell()
    : m_openers(std::make_unique<QObject>())
{
}

X11Shell::~X11Shell()
{
    // Openers still running wait for the application they started, which stays: nothing is said
    // about them any more.
    for (QProcess* process : m_openers->findChildren<QProcess*>())
        QObject::disconnect(process, nullptr, nullptr, nullptr);
}

bool X11Shell::ShellExecute(const QString& file, const QString& parameters, const QString& directory,
                            QString* error)
{
    const QString program = ExecutableOf(file);
    if (!program.isEmpty())
        return StartDetached(program, SplitCommandLine(parameters), directory, error);
    const QFileInfo document(file);
    if (file.isEmpty() || !document.exists())
        return Fail(error, file, ENOENT);
    return StartOpener(document.absoluteFilePath(), directory, error);
}

bool X11Shell::Explore(const QString& folder, QString* error)
{
    const QFileInfo target(folder.isEmpty() ? QDir::homePath() : folder);
    if (!target.isDir())
        return Fail(error, target.filePath(), target.exists() ? ENOTDIR : ENOENT);
    return StartOpener(target.absoluteFilePath(), QString(), error);
}

bool X11Shell::OpenInDefaultEditor(const QString& path, const QString& directory, QString* error)
{
    const DesktopEntry editor = DesktopEntry::Find(DefaultTextEditor());
    QStringList command = editor.CommandFor(path);
    // An editor that runs in a terminal needs one around it, which the desktop's opener provides.
    if (command.isEmpty() || editor.RunsInTerminal())
        return StartOpener(path, directory, error);
    const QString program = command.takeFirst();
    return StartDetached(program, command, directory, error);
}

bool X11Shell::OpenDocument(const QString& path, QString* error)
{
    return StartOpener(path, QString(), error);
}

bool X11Shell::StartOpener(const QString& target, const QString& directory, QString* error)
{
    const QString opener = QStandardPaths::findExecutable(kOpener);
    if (opener.isEmpty())
        return Fail(error, kOpener, ENOENT);
    if (!directory.isEmpty() && !QFileInfo(directory).isDir())
        return Fail(error, directory, QFileInfo::exists(directory) ? ENOTDIR : ENOENT);
    auto* process = new QProcess(m_openers.get());
    // Its messages go to a private file rather than a pipe: the application it starts writes there
    // too, and may go on long after Quillbox.
    auto* messages = new QTemporaryFile(process);
    if (!messages->open()) {
        const QString why = messages->errorString();
        delete process;
        if (error)
            *error = why;
        return false;
    }
    process->setProgram(opener);
    process->setArguments({target});
    process->setWorkingDirectory(directory);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedOutputChannel);
    process->setStandardErrorFile(messages->fileName());
    QObject::connect(process, &QProcess::finished, process,
                     [process, messages, target](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status == QProcess::NormalExit && code == 0)
                             return;
                         messages->seek(0);
                         ReportCannotOpen(target, OpenerReason(messages->readAll(), code, status));
                     });
    process->start();
    if (process->waitForStarted())
        return true;
    if (error)
        *error = kOpener + QStringLiteral(": ") + process->errorString();
    delete process;
    return false;
}

QString X11Shell::DefaultTextEditor()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")},
                QIODevice::ReadOnly);
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    // Some versions list several applications, separated by ';': the first is the default.
    return QString::fromLocal8Bit(query.readAllStandardOutput()).section(QLatin1Char(';'), 0, 0).trimmed();
}

bool X11Shell::StartDetached(const QString& program, const QStringList& arguments, const QString& directory,
                             QString* error)
{
    // Checked here so that the text names what is missing; QProcess would only say "execv: ..." or
    // "chdir: ...".
    const QString path = program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return Fail(error, program, ENOENT);
    if (!directory.isEmpty() && !QFileInfo(directory).isDir())
        return Fail(error, directory, QFileInfo::exists(directory) ? ENOTDIR : ENOENT);

    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    process.setWorkingDirectory(directory);
    if (process.startDetached())
        return true;
    if (error)
        *error = program + QStringLiteral(": ") + process.errorString();
    return false;
}

} // namespace platform
