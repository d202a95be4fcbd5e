#include "hook/SharedBlock.h"

#include "hook/qbhook/SharedBlockLayout.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace hook {

namespace {
bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}
} // namespace

QString DisplayKey(const QString& display)
{
    // [host]:number[.screen]; the screen does not change the display.
    static const QRegularExpression form(QStringLiteral("^(.*):(\\d+)(\\.\\d+)?$"));
    const QRegularExpressionMatch match = form.match(display);
    if (!match.hasMatch())
        return {};
    QString host = match.captured(1);
    if (host == QLatin1String("unix") || host == QLatin1String("localhost") || host.startsWith(QLatin1Char('/')))
        host.clear();
    QString key = host.isEmpty() ? match.captured(2) : host + QLatin1Char('-') + match.captured(2);
    for (QChar& c : key) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('.'))
            c = QLatin1Char('_');
    }
    return key;
}

QString SharedBlockName()
{
    QString key = DisplayKey(qEnvironmentVariable("DISPLAY"));
    if (key.isEmpty())
        key = QStringLiteral("none");
    return QStringLiteral("/quillbox-%1-%2").arg(getuid()).arg(key);
}

QByteArray EncodeSharedBlock(quint32 window, quint32 hook)
{
    const auto bytes = qbhook::EncodeSharedBlockWords({window, hook, 0});
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

bool WriteSharedBlock(const QString& path, const QByteArray& bytes)
{
    const QByteArray native = QFile::encodeName(path);
    // A fresh file each time: its mode is ours whatever the old file's was, and a link planted
    // under the name is removed instead of written through.
    if (unlink(native.constData()) != 0 && errno != ENOENT)
        return false;
    const int fd = open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool written = fchmod(fd, 0600) == 0 && WriteAll(fd, bytes);
    return close(fd) == 0 && written;
}

bool PublishSharedBlock(const QString& name, const QByteArray& bytes)
{
    const QByteArray native = name.toUtf8();
    const int fd = shm_open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool published = fchmod(fd, 0600) == 0 && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
    if (published && !bytes.isEmpty()) {
        void* view = mmap(nullptr, static_cast<size_t>(bytes.size()), PROT_WRITE, MAP_SHARED, fd, 0);
        if (view == MAP_FAILED) {
            published = false;
        } else {
            std::memcpy(view, bytes.constData(), static_cast<size_t>(bytes.size()));
            munmap(view, static_cast<size_t>(bytes.size()));
        }
    }
    close(fd);
    return published;
}

void ReleaseSharedBlock(const QString& name)
{
    shm_unlink(name.toUtf8().constData());
}

} // namespace hook
