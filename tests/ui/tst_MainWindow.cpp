// The main window and its sheets: Quit asks first; the Properties dialog checks its limits and saves
// the rest, driven through its controls by their texts; a sheet told to quit ends within a second.
#include "ModalRun.h"
#include "ServiceFixture.h"
#include "ui/MessageRecorder.h"
#include "ui/framework/CPropertyPage.h"
#include "ui/framework/CPropertySheet.h"
#include "ui/framework/ModalLoop.h"
#include "ui/framework/Resources.h"
#include "ui/search/CSearchDlg.h"
#include "data/CShortcut.h"
#include "hook/qbhook/HookMessage.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace {

using Fixture = ServiceFixture;
// The Properties control with this text (leading blanks aside).
QAbstractButton* Button(QWidget* dialog, const QString& text)
{
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
        if (button->text().trimmed() == text)
            return button;
    qFatal("no control \"%s\"", qPrintable(text));
}

// The number edit beside the label with this text.
QSpinBox* Number(QWidget* dialog, const QString& label)
{
    for (QLabel* candidate : dialog->findChildren<QLabel*>())
        if (candidate->text() == label)
            return candidate->parentWidget()->findChild<QSpinBox*>();
    qFatal("no label \"%s\"", qPrintable(label));
}

QString Saved(Fixture& f, const QString& key)
{
    return f.Saved().value("Prefrences/" + key).toString();
}

struct CTwoPageSheet : CPropertySheet {
    CTwoPageSheet() : CPropertySheet("Shortcuts", nullptr, 0)
    {
        AddPage(&add);
        AddPage(&list);
    }
    CPropertyPage add{"New"}, list{"List"};
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void QuitAsksAndOnlyYesQuits()
    {
        Fixture f;
        MessageRecorder messages;
        f.dlg->OnSystrayQuit();
        QCOMPARE(messages.Last().style, platform::MsgStyle::Question);
        QCOMPARE(int(f.main.m_bQuit), 0);
        messages.Answer(platform::IDYES);
        f.dlg->OnSystrayQuit();
        QCOMPARE(int(f.main.m_bQuit), 1);
    }

    // The two numbers are checked; a refused one keeps its stored value, everything else is saved.
    void PropertiesChecksTheLimitsAndSavesTheRest()
    {
        const struct {
            int maxItems, uses; // uses 0: Upgrade left off
            int expectedMax, expectedUpgrade, messages;
        } cases[] = {{4, 0, 10, -1, 1}, {500, 0, 500, -1, 0}, {501, 0, 10, -1, 1}, {5, 2, 5, 2, 0}, {3, 1, 10, -1, 2}};
        for (const auto& c : cases) {
            Fixture f;
            MessageRecorder recorder;
            f.dlg->OnSystrayProperties();
            Number(f.dlg, "Maximun number of clipboard items:")->setValue(c.maxItems);
            if (c.uses > 0) {
                Button(f.dlg, "Upgrade clipboard items to shortcuts")->click();
                Number(f.dlg, "After")->setValue(c.uses);
            }
            Button(f.dlg, "Shortcuts are case sensative")->click();
            Button(f.dlg, "Ctrl + Alt")->click();
            Button(f.dlg, "Ok")->click();
            QVERIFY(!f.dlg->isVisible());
            QCOMPARE(recorder.Count(), c.messages);
            QCOMPARE(Saved(f, "MaxClipboardItems").toInt(), c.expectedMax);
            QCOMPARE(Saved(f, "UpgradeToShortcut").toInt(), c.expectedUpgrade);
            QCOMPARE(Saved(f, "ShortcutsCaseSensative").toInt(), 1);
            QCOMPARE(Saved(f, "ClipboardMgrKeys").toInt(), 1);
        }
    }

    // Help opens the page of the current folder, else the installed one; a missing page or an opener
    // that fails is said, with the reason. The About picture shows the version --version prints.
    void HelpOpensThePageHereOrInstalledAndAboutShowsTheVersion()
    {
        QVERIFY(ui::BitmapData(172).contains(">Version " QB_VERSION "<"));
        Fixture f;
        MessageRecorder messages;
        qputenv("XDG_DATA_HOME", f.workspace.File("data").toUtf8());
        qputenv("XDG_DATA_DIRS", f.workspace.File("none").toUtf8()); // not the machine's own
        f.dlg->OnSystrayHelp();
        QVERIFY(messages.Last().text.startsWith("Quillbox could not open its help page:\nqbhlp.html is neither in"));
        for (const QString& page : {f.workspace.File("data/quillbox/qbhlp.html"), f.workspace.File("qbhlp.html")}) {
            QDir().mkpath(QFileInfo(page).path());
            QFile(page).open(QIODevice::WriteOnly);
            f.dlg->OnSystrayHelp();
            QCOMPARE(f.fakes.shell->calls.last().file, page);
        }
        f.fakes.shell->failWith = "xdg-open: no method available";
        f.dlg->OnSystrayHelp();
        QCOMPARE(messages.Last().text, "Quillbox could not open " + f.workspace.File("qbhlp.html") + ":\nxdg-open: no method available");
        QCOMPARE(messages.Count(), 2);
    }

    void SheetToldToQuitEndsWithinASecond()
    {
        CMain main;
        CTwoPageSheet sheet;
        const int ended = test::RunModal(sheet, [&] {
            main.m_bQuit = 1;
            QVERIFY(test::FireTimer(&sheet, [](int ms) { return ms <= 1000; }));
        });
        QCOMPARE(ended, ui::IDQUIT);
    }

    // The search window: the list moves under the keys while the caret stays in the field, Enter
    // pastes the selected shortcut into the window that was in front, Esc gives that window back.
    void SearchMovesWithTheKeysAndEnterPastesTheSelectedRow()
    {
        Fixture f;
        for (const char* name : {"memo1", "memo2", "memo3"})
            f.main.AddShortcut(new ShortcutRecord{0, name, "", QString(name) + " text"});
        f.fakes.foreground->current = 42;
        CSearchDlg* search = f.dlg->SearchWindow();
        auto* field = search->findChild<QLineEdit*>();
        f.dlg->DispatchHookMessage(QB_MSG_SEARCH, 0);
        QTRY_VERIFY(search->isVisible() && field->hasFocus());
        QTest::keyClicks(field, "MEM");
        QTest::keyClick(field, Qt::Key_PageDown);
        QTest::keyClick(field, Qt::Key_Up);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(!search->isVisible());
        QCOMPARE(f.fakes.clipboardWriter->history.at(f.fakes.clipboardWriter->history.size() - 2).text,
                 QString("memo2 text"));
        QCOMPARE(f.fakes.foreground->activations, QList<platform::WindowId>{42});

        f.fakes.foreground->current = 7;
        f.dlg->DispatchHookMessage(QB_MSG_SEARCH, 0);
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!search->isVisible());
        QCOMPARE(f.fakes.foreground->activations, (QList<platform::WindowId>{42, 7}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
