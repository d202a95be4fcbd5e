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
    QCOMPARE(qbhook::ReadSharedBlockWindow(nameUtf8.constData()), 0u); // nothing published yet

    QVERIFY(hook::PublishSharedBlock(name, hook::EncodeSharedBlock(0x04A00007u, 2u)));
    QCOMPARE(qbhook::ReadSharedBlockWindow(nameUtf8.constData()), 0x04A00007u);

    const int fd = shm_open(nameUtf8.constData(), O_RDONLY, 0);
    QVERIFY(fd >= 0);
    struct stat info {};
    QCOMPARE(fstat(fd, &info), 0);
    close(fd);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));
    QCOMPARE(info.st_size, off_t(12));

    // Published again (the program restarted with a new window): the hook reads the new one.
    QVERIFY(hook::PublishSharedBlock(name, hook::EncodeSharedBlock(0x05200001u, 1u)));
    QCOMPARE(qbhook::ReadSharedBlockWindow(nameUtf8.constData()), 0x05200001u);

    // A block cut short is no block.
    QVERIFY(hook::PublishSharedBlock(name, QByteArray::fromHex("0700a004")));
    QCOMPARE(qbhook::ReadSharedBlockWindow(nameUtf8.constData()), 0u);

    hook::ReleaseSharedBlock(name);
    QCOMPARE(qbhook::ReadSharedBlockWindow(nameUtf8.constData()), 0u);
    QVERIFY(shm_open(nameUtf8.constData(), O_RDONLY, 0) < 0);
}

QTEST_APPLESS_MAIN(TestSharedBlock)
#include "tst_sharedblock.moc"
