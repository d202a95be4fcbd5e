// The shared block: its bytes, fm.tmp on disk, and the shared-memory object the hook reads.
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
    void WriteReplaces_data();
    void WriteReplaces();
    void PublishReadRelease();
    void ForeignBlocksLeftAlone_data();
    void ForeignBlocksLeftAlone();

};

void TestSharedBlock::WriteReplaces_data()
{
    QTest::addColumn<QString>("before"); // what stands at fm.tmp before the write

    QTest::newRow("no file") << "none";
    QTest::newRow("longer file readable by all") << "file";
    QTest::newRow("link to another file") << "link";
}

void TestSharedBlock::WriteReplaces()
{
    QFETCH(QString, before);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QString::fromLatin1(hook::kSharedBlockFile));
    const QString other = dir.filePath(QStringLiteral("other"));
    const QByteArray otherContent("the user's file, not ours to change");
    {
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(otherContent);
    }
    if (before == QLatin1String("file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(40, 'x'));
        file.close();
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    } else if (before == QLatin1String("link")) {
        QVERIFY(QFile::link(other, path));
    }

    const QByteArray block = hook::EncodeSharedBlock(0x01C00003u, 1u);
    QVERIFY(hook::WriteSharedBlock(path, block));

    struct stat info {};
    QCOMPARE(lstat(QFile::encodeName(path).constData(), &info), 0);
    QVERIFY(S_ISREG(info.st_mode));
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll().toHex(), block.toHex());
    QFile untouched(other);
    QVERIFY(untouched.open(QIODevice::ReadOnly));
    QCOMPARE(untouched.readAll(), otherContent);
}

void TestSharedBlock::PublishReadRelease()
{
    const QString name = QStringLiteral("/qb_test_block_%1").arg(getpid());
    const QByteArray nameUtf8 = name.toUtf8();
    hook::ReleaseSharedBlock(name);
    QCOMPARE(qbhook::ReadSharedBlockTarget(nameUtf8.constData()).window, 0u); // nothing published yet

    QVERIFY(hook::PublishSharedBlock(name, hook::EncodeSharedBlock(0x04A00007u, 2u), 0x8877665544332211u));
    QCOMPARE(qbhook::ReadSharedBlockTarget(nameUtf8.constData()).window, 0x04A00007u);
    QCOMPARE(qbhook::ReadSharedBlockTarget(nameUtf8.constData()).secret, quint64(0x8877665544332211u));

    const int fd = shm_open(nameUtf8.constData(), O_RDONLY, 0);
    QVERIFY(fd >= 0);
    struct stat info {};
    QCOMPARE(fstat(fd, &info), 0);
    close(fd);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
    QCOMPARE(info.st_size, off_t(20)); // the block and the secret

    // Published again (the program restarted with a new window): the hook reads the new one.
    QVERIFY(hook::PublishSharedBlock(name, hook::EncodeSharedBlock(0x05200001u, 1u)));
    QCOMPARE(qbhook::ReadSharedBlockTarget(nameUtf8.constData()).window, 0x05200001u);

    // A block cut short is no block (here: no room for a secret).
    QVERIFY(hook::PublishSharedBlock(name, QByteArray::fromHex("0700a004")));
    QCOMPARE(qbhook::ReadSharedBlockTarget(nameUtf8.constData()).window, 0u);

    hook::ReleaseSharedBlock(name);
    QCOMPARE(qbhook::ReadSharedBlockTarget(nameUtf8.constData()).window, 0u);
    QVERIFY(shm_open(nameUtf8.constData(), O_RDONLY, 0) < 0);
}

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

void TestSharedBlock::ForeignBlocksLeftAlone_data()
{
    QTest::addColumn<QString>("before");       // what holds the name: "mode", "owner", "stale", or "later"
    QTest::addColumn<bool>("published");        // whether Quillbox takes the name
    QTest::addColumn<bool>("leftAfterRelease"); // whether the object is still there after its release

    QTest::newRow("open to others (0644): refused") << "mode" << false << true;
    QTest::newRow("another user's: refused") << "owner" << false << true;
    QTest::newRow("this user's, left by a killed Quillbox: taken over") << "stale" << true << false;
    QTest::newRow("published again by a later Quillbox: not removed") << "later" << true << true;
}

void TestSharedBlock::ForeignBlocksLeftAlone()
{
    QFETCH(QString, before);
    QFETCH(bool, published);
    QFETCH(bool, leftAfterRelease);

    if (before == QLatin1String("owner") && geteuid() != 0)
        QSKIP("making an object of another user needs root");
    const QString name = QStringLiteral("/qb_test_foreign_%1").arg(getpid());
    const QByteArray native = name.toUtf8();
    const QByteArray foreign("someone else's block!");
    if (before != QLatin1String("later"))
        QVERIFY(PlantObject(native, foreign, before == QLatin1String("mode") ? 0644 : 0600,
                            before == QLatin1String("owner") ? 65534 : geteuid()));

    const QByteArray block = hook::EncodeSharedBlock(0x04A00007u, 2u);
    QCOMPARE(hook::PublishSharedBlock(name, block), published);
    QCOMPARE(ObjectBytes(native).startsWith(block), published);
    if (published) // the hook reads from a block of this user alone only
        QCOMPARE(qbhook::ReadSharedBlockTarget(native.constData()).window, 0x04A00007u);
    if (before == QLatin1String("later"))
        QVERIFY(PlantObject(native, foreign, 0600, geteuid())); // the name taken anew

    hook::ReleaseSharedBlock(name);
    const QByteArray left = ObjectBytes(native);
    QCOMPARE(!left.isEmpty(), leftAfterRelease);
    if (leftAfterRelease)
        QCOMPARE(left, foreign);
    shm_unlink(native.constData());
}

QTEST_APPLESS_MAIN(TestSharedBlock)
#include "tst_sharedblock.moc"
