// The splash window's three seconds and its click, and the About box's ways of closing.
#include "ui/ModalRun.h"

#include "core/CMain.h"
#include "ui/common/CAboutDlg.h"
#include "ui/common/CSplashDlg.h"
#include "ui/framework/CPictureCtrl.h"
#include "ui/framework/ModalLoop.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

class TestSplashAbout : public QObject {
    Q_OBJECT

private slots:
    // Shown centred with its picture; it goes at the end of its three seconds, or at a click (the
    // timer's later tick asks again, harmlessly).
    void SplashGoesAfterThreeSecondsOrAtAClick_data()
    {
        QTest::addColumn<int>("button"); // 0: no click
        QTest::newRow("no click") << 0;
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("right") << int(Qt::RightButton);
    }

    void SplashGoesAfterThreeSecondsOrAtAClick()
    {
        QFETCH(int, button);
        CSplashDlg splash;
        int requests = 0;
        splash.SetCloseSplashHandler([&] {
            ++requests;
            splash.hide();
        });
        splash.Create();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        auto* picture = splash.findChild<CPictureCtrl*>();
        QVERIFY(picture != nullptr && picture->HasPicture());
        QCOMPARE(splash.frameGeometry().center(), QGuiApplication::primaryScreen()->availableGeometry().center());
        if (button != 0) {
            QTest::mousePress(picture, Qt::MouseButton(button), {}, QPoint(150, 40));
            QVERIFY(!splash.isVisible());
        }
        QVERIFY(test::FireTimer(&splash, [](int ms) { return ms >= 3000; }));
        QVERIFY(!splash.isVisible());
        QCOMPARE(requests, button != 0 ? 2 : 1);
    }

    void AboutClosesAndEndsWithinASecondOfQuit_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("Close button") << "button" << platform::IDOK;
        QTest::newRow("Enter") << "enter" << platform::IDOK;
        QTest::newRow("Esc") << "escape" << ui::IDCANCEL;
        QTest::newRow("quit") << "quit" << ui::IDQUIT;
    }

    void AboutClosesAndEndsWithinASecondOfQuit()
    {
        QFETCH(QString, how);
        QFETCH(int, result);
        CMain main;
        CAboutDlg about;
        bool picture = false;
        const int ended = test::RunModal(about, [&] {
            auto* control = about.findChild<CPictureCtrl*>();
            picture = control != nullptr && control->HasPicture();
            QWidget* focus = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &about;
            if (how == "button")
                QTest::mouseClick(about.CloseButton(), Qt::LeftButton);
            else if (how == "quit") {
                main.m_bQuit = 1;
                QVERIFY(test::FireTimer(&about, [](int ms) { return ms <= 1000; }));
            } else
                QTest::keyClick(focus, how == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        });
        QVERIFY(picture);
        QCOMPARE(ended, result);
    }
};

QTEST_MAIN(TestSplashAbout)
#include "tst_SplashAbout.moc"
