#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace platform {

int LastSeparator(const QString& path)
{
    return int(std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/'))));
}

QString FileNameOf(const QString& path)
{
    return path.mid(LastSeparator(path) + 1);
}

QString FolderOf(const QString& path)
{
    const int separator = LastSeparator(path);
    // The root folder has no text before its separator; an empty working directory would mean
    // "wherever Quillbox was started" instead.
    if (separator == 0 && path.at(0) == QLatin1Char('/'))
        return QStringLiteral("/");
    return separator < 0 ? QString() : path.left(separator);
}

QString FolderToExplore(const QString& path)
{
    const int separator = LastSeparator(path);
    return separator > 0 ? path.left(separator) : QString();
}

bool IsApplicationPathValid(const QString& path)
{
    return LastSeparator(path) > 0;
}

QString InstallTreeFile(const QString& name)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" QB_SHARE_FROM_BIN "/") + name);
}

QString InstalledFile(const QString& name)
{
    const QString beside = InstallTreeFile(name);
    if (QFileInfo(beside).isFile())
        return beside;
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("quillbox/") + name);
}

} // namespace platform
