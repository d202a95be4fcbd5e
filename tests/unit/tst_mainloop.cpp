// The main loop: only the quit flag ends it, and it ends on the pass that sees the flag.
#include "TestSupport.h"
#include "core/CMain.h"
#include "app/CQuillboxApp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <csignal>

class TestMainLoop : public QObject {
    Q_OBJECT

private slots:
    void QuitFlagEndsTheLoopOnTheNextPass()
    {
        CMain main;
        bool ranAfterQuit = false;
        QTimer::singleShot(20, [&] {
            main.Quit();
            // Work queued after the flag is set is not dispatched by the loop.
            QTimer::singleShot(0, [&] { ranAfterQuit = true; });
        });
        main.RunMessageLoop();
        QCOMPARE(int(main.m_bQuit), 1);
        QVERIFY(!ranAfterQuit);
        QCoreApplication::processEvents(); // leave nothing queued for the next test
    }

    void QuitEventsOfTheApplicationDoNotEndIt()
    {
        CMain main;
        bool reached = false;
        QTimer::singleShot(10, [] { QCoreApplication::quit(); });
        QTimer::singleShot(20, [] { QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit)); });
        QTimer::singleShot(30, [] { QCoreApplication::exit(3); });
        QTimer::singleShot(200, [&] {
            reached = true;
            main.Quit();
        });
        main.RunMessageLoop();
        QVERIFY(reached);
    }

    void SignalsSetTheQuitFlag_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
        QTest::newRow("SIGQUIT") << SIGQUIT;
    }

    void SignalsSetTheQuitFlag()
    {
        QFETCH(int, signal);
        CMain main;
        InstallQuitSignals();
        QTimer::singleShot(20, [signal] { std::raise(signal); });
        main.RunMessageLoop();
        QCOMPARE(int(main.m_bQuit), 1);
    }
};

QTEST_GUILESS_MAIN(TestMainLoop)
#include "tst_mainloop.moc"
