// The shared-memory object the hook reads: taken only when it is this user's own and private,
// and released only while it is still Quillbox's.
#include "hook/SharedBlock.h"
#include "hook/qbhook/SharedBlockLayout.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

class TestSharedBlock : public QObject {
    Q_OBJECT

private slots:
    void ForeignBlocksLeftAlone();
};

namespace {
// Puts an object under name as another program would: its bytes, mode and owner.
bool PlantObject(const QByteArray& name, const QByteArray& bytes, mode_t mode, uid_t owner)
{
    shm_unlink(name.constData());
    const int fd = shm_open(name.constData(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return false;
    const bool made = fchmod(fd, mode) == 0 && fchown(fd, owner, gid_t(-1)) == 0 &&
                      write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    close(fd);
    return made;
}

QByteArray ObjectBytes(const QByteArray& name)
{
    const int fd = shm_open(name.constData(), O_RDONLY, 0);
    if (fd < 0)
        return {};
    char buffer[64];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    close(fd);
    return QByteArray(buffer, n > 0 ? int(n) : 0);
}
} // namespace

void TestSharedBlock::ForeignBlocksLeftAlone()
{
    // What holds the name before, whether Quillbox takes the name, and whether the object is still
    // there after Quillbox releases it: open to others (0644) or another user's, refused; this user's,
    // left by a killed Quillbox, taken over; published again by a later Quillbox, not removed.
    const std::tuple<QString, bool, bool> cases[] = {
        {"mode", false, true}, {"owner", false, true}, {"stale", true, false}, {"later", true, true}};
    for (const auto& [before, published, leftAfterRelease] : cases) {
        if (before == QLatin1String("owner") && geteuid() != 0)
            continue; // making an object of another user needs root
        const QString name = QStringLiteral("/qb_test_foreign_%1").arg(getpid());
        const QByteArray native = name.toUtf8();
        const QByteArray foreign("someone else's block!");
        if (before != QLatin1String("later"))
            QVERIFY(PlantObject(native, foreign, before == QLatin1String("mode") ? 0644 : 0600,
                                before == QLatin1String("owner") ? 65534 : geteuid()));

        const QByteArray block = hook::EncodeSharedBlock(0x04A00007u, 2u);
        QVERIFY2(hook::PublishSharedBlock(name, block) == published, qPrintable(before));
        QVERIFY2(ObjectBytes(native).startsWith(block) == published, qPrintable(before));
        if (published) // the hook reads from a block of this user alone only
            QCOMPARE(qbhook::ReadSharedBlockTarget(native.constData()).window, 0x04A00007u);
        if (before == QLatin1String("later"))
            QVERIFY(PlantObject(native, foreign, 0600, geteuid())); // the name taken anew

        hook::ReleaseSharedBlock(name);
        const QByteArray left = ObjectBytes(native);
        QCOMPARE(left, leftAfterRelease ? foreign : QByteArray());
        shm_unlink(native.constData());
    }
}

QTEST_APPLESS_MAIN(TestSharedBlock)
#include "tst_sharedblock.moc"
