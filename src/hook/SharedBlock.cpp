#include "hook/SharedBlock.h"

#include "hook/qbhook/SharedBlockLayout.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

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

// What this process last published under each name, so that it removes only its own block.
std::mutex g_publishedMutex;
std::map<QString, QByteArray> g_published;

// The contents of the shared-memory object name, or null when it cannot be read.
QByteArray ReadObject(const QByteArray& name)
{
    const int fd = shm_open(name.constData(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_size > 0 && info.st_size <= 4096) {
        bytes.resize(static_cast<qsizetype>(info.st_size));
        if (pread(fd, bytes.data(), static_cast<size_t>(bytes.size()), 0) != static_cast<ssize_t>(bytes.size()))
            bytes = QByteArray();
    }
    close(fd);
    return bytes;
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

quint64 RunSecret()
{
    static const quint64 secret = [] {
        quint64 value = 0;
        while (value == 0)
            value = QRandomGenerator::system()->generate64();
        return value;
    }();
    return secret;
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

bool PublishSharedBlock(const QString& name, const QByteArray& block, quint64 secret)
{
    QByteArray bytes = block;
    for (int i = 0; i < 8; ++i)
        bytes.append(static_cast<char>(secret >> (8 * i)));
    const QByteArray native = name.toUtf8();
    int fd = shm_open(native.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    bool fresh = fd >= 0;
    if (!fresh && errno == EEXIST)
        fd = shm_open(native.constData(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A block that is there already is taken over only when it is this user's and no one else's
    // to read or write (one left by a Quillbox that was killed); another user's, or one open to
    // others, could feed the hook a window to send to, or read where the messages go.
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 07777) != 0600) {
        close(fd);
        return false;
    }
    bool published = (!fresh || fchmod(fd, 0600) == 0) && ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
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
    if (published) {
        std::lock_guard lock(g_publishedMutex);
        g_published[name] = bytes;
    }
    return published;
}

void ReleaseSharedBlock(const QString& name)
{
    std::lock_guard lock(g_publishedMutex);
    const auto it = g_published.find(name);
    if (it == g_published.end())
        return;
    const QByteArray native = name.toUtf8();
    // Another Quillbox of this user and display may hold the name now (it started while this one
    // was ending): its block has its own window and secret, and stays.
    if (ReadObject(native) == it->second)
        shm_unlink(native.constData());
    g_published.erase(it);
}

} // namespace hook
