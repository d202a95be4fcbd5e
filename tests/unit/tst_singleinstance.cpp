// One Quillbox per X display, however DISPLAY spells it; a killed instance does not block the next.
#include "TestSupport.h"
#include "app/SingleInstance.h"
#include "X11TestServer.h"

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
    }

    // On an X display the display itself keeps the guard: the way DISPLAY is written and the
    // runtime folder make no difference, and a killed holder frees it at once.
    void OneGuardPerXDisplayWhateverItsSpelling()
    {
        x11test::X11TestServer server;
        QString why;
        QVERIFY2(server.Start(&why), qPrintable(why));
        const QByteArray number = qgetenv("DISPLAY").mid(1);
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
        for (const QByteArray& display : {":" + number, ":" + number + ".0", "unix:" + number}) {
            QTemporaryDir otherRuntime;
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(otherRuntime.path()));
            qputenv("DISPLAY", display);
            SingleInstance second;
            QVERIFY2(!second.Acquire(), display.constData());
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        SingleInstance after;
        QVERIFY(x11test::WaitUntil([&] { return after.Acquire(); }, 5000));
    }

private:
    QTemporaryDir m_runtime;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
