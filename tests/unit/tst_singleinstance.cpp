// One Quillbox per user and display; a killed instance does not block the next start.
#include "TestSupport.h"
#include "app/SingleInstance.h"

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class TestSingleInstance : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        qputenv("DISPLAY", ":42");
    }

    void SecondInstanceOfTheSameDisplayIsRefused()
    {
        SingleInstance first;
        QVERIFY(first.Acquire());
        SingleInstance second;
        QVERIFY(!second.Acquire());
        // Another display is another desktop.
        qputenv("DISPLAY", ":43");
        SingleInstance other;
        QVERIFY(other.Acquire());
    }

    void AKilledInstanceLeavesNoStaleLock()
    {
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            SingleInstance held;
            const char ok = held.Acquire() ? '1' : '0';
            (void)::write(ready[1], &ok, 1);
            ::pause();
            ::_exit(0);
        }
        char ok = 0;
        QCOMPARE(::read(ready[0], &ok, 1), ssize_t(1));
        QCOMPARE(ok, '1');
        SingleInstance whileHeld;
        QVERIFY(!whileHeld.Acquire());
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        SingleInstance after;
        QVERIFY(after.Acquire());
        QVERIFY(QFile::exists(SingleInstance::LockPath()));
    }

private:
    QTemporaryDir m_runtime;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
