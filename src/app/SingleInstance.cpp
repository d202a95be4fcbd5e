#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SingleInstance::LockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // ":0.0" and "localhost:10" are the same kind of name: keep it readable in a file name.
    QString display = qEnvironmentVariable("DISPLAY", QStringLiteral("none"));
    display.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QDir(folder).filePath(QStringLiteral("quillbox-%1-%2.lock").arg(::getuid()).arg(display));
}

bool SingleInstance::Acquire()
{
    const QByteArray path = QFile::encodeName(LockPath());
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return true; // no place for a lock: better two instances than none
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    ::close(m_fd);
    m_fd = -1;
    return false;
}
