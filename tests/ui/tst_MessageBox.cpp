// The message box of each style, and the error boundary of handlers.
#include "ui/MessageRecorder.h"

#include "core/CMain.h"
#include "data/DatabaseError.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/RunHandler.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {

QMessageBox* OpenBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible())
            return box;
    return nullptr;
}

struct CLockedFile : QObject {
    int reached = 0;
    void OnRemove()
    {
        throw data::DatabaseError("database is locked", "/home/me/qbdat.dbf");
        ++reached;
    }
};

} // namespace

class TestMessageBox : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { ui::InstallMessageBoxes(); }
    void cleanupTestCase() { platform::SetMessageHandler({}); }
    void StyleGivesIconButtonsAndAnswer_data();
    void StyleGivesIconButtonsAndAnswer();
    void DatabaseErrorEndsHandlerWithEngineText();
    void OtherErrorsAreShownToo();
};

void TestMessageBox::StyleGivesIconButtonsAndAnswer_data()
{
    QTest::addColumn<platform::MsgStyle>("style");
    QTest::addColumn<int>("press"); // a standard button, Esc, 0: the button named pressText, -1: Quit is chosen
    QTest::addColumn<QString>("pressText");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("answer");
    const int ok = QMessageBox::Ok, yes = QMessageBox::Yes, no = QMessageBox::No;
    const int esc = QMessageBox::Escape, question = QMessageBox::Question, warning = QMessageBox::Warning;
    const int retry = QMessageBox::Retry, quitting = -1;
    const auto retryQuit = platform::MsgStyle::RetryQuit, newFileQuit = platform::MsgStyle::NewFileQuit;
    QTest::newRow("refusal") << platform::MsgStyle::Exclamation << ok << "" << warning << ok << platform::IDOK;
    QTest::newRow("question, Yes") << platform::MsgStyle::Question << yes << "" << question << (yes | no) << platform::IDYES;
    QTest::newRow("question, No") << platform::MsgStyle::Question << no << "" << question << (yes | no) << platform::IDNO;
    QTest::newRow("question, Esc") << platform::MsgStyle::Question << esc << "" << question << (yes | no) << platform::IDNO;
    QTest::newRow("plain") << platform::MsgStyle::Plain << ok << "" << int(QMessageBox::NoIcon) << ok << platform::IDOK;
    QTest::newRow("held file, Retry") << retryQuit << 0 << "Retry" << warning << retry << platform::IDRETRY;
    QTest::newRow("held file, Quit") << retryQuit << 0 << "Quit" << warning << retry << platform::IDCANCEL;
    QTest::newRow("held file, Esc") << retryQuit << esc << "" << warning << retry << platform::IDCANCEL;
    QTest::newRow("unusable file, Start New") << newFileQuit << 0 << "Start New" << warning << 0 << platform::IDOK;
    QTest::newRow("unusable file, Quit") << newFileQuit << 0 << "Quit" << warning << 0 << platform::IDCANCEL;
    // Told to quit (the tray's Quit, a signal) while the box waits: it closes with the answer
    // that lets the program end.
    QTest::newRow("question, quitting") << platform::MsgStyle::Question << quitting << "" << question << (yes | no) << platform::IDNO;
    QTest::newRow("held file, quitting") << retryQuit << quitting << "" << warning << retry << platform::IDCANCEL;
}

void TestMessageBox::StyleGivesIconButtonsAndAnswer()
{
    QFETCH(platform::MsgStyle, style);
    QFETCH(int, press);
    QFETCH(QString, pressText);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, answer);
    // Looks at the box while it runs and answers it; bounded, so a box never seen fails the test.
    CMain main;
    QString title, text;
    int seenIcon = -1, seenButtons = -1, polls = 0;
    QTimer poll;
    connect(&poll, &QTimer::timeout, [&] {
        QMessageBox* box = OpenBox();
        if (box == nullptr) {
            if (++polls > 250)
                poll.stop();
            return;
        }
        poll.stop();
        title = box->windowTitle();
        text = box->text();
        seenIcon = box->icon();
        seenButtons = box->standardButtons();
        if (press == QMessageBox::Escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (press == -1)
            main.Quit();
        else if (press == 0) {
            for (QAbstractButton* button : box->buttons())
                if (button->text().remove('&') == pressText)
                    button->click();
        } else
            box->button(QMessageBox::StandardButton(press))->click();
    });
    poll.start(20);
    const int result = platform::ShowMessage("Do you want to quit?", style);
    QCOMPARE(title, QString("Quillbox"));
    QCOMPARE(text, QString("Do you want to quit?"));
    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenButtons, buttons);
    QCOMPARE(result, answer);
}

void TestMessageBox::DatabaseErrorEndsHandlerWithEngineText()
{
    MessageRecorder messages;
    CLockedFile handlers;
    QPushButton button("Remove");
    ui::ConnectHandler(&button, &QPushButton::clicked, &handlers, &CLockedFile::OnRemove);
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(handlers.reached, 0);
    QCOMPARE(messages.Count(), 1);
    QVERIFY(messages.Last().text.contains("database is locked"));
    QVERIFY(messages.Last().text.contains("/home/me/qbdat.dbf"));
    QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
    // The button keeps working: the next click ends the same way.
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(messages.Count(), 2);
}

void TestMessageBox::OtherErrorsAreShownToo()
{
    MessageRecorder messages;
    QVERIFY(!ui::RunHandler([] { throw std::runtime_error("no more room"); }));
    QVERIFY(messages.Saw("no more room"));
    QVERIFY(ui::RunHandler([] {}));
    QCOMPARE(messages.Count(), 1);
}

QTEST_MAIN(TestMessageBox)
#include "tst_MessageBox.moc"
