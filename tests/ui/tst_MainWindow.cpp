// The main window: the tray icon's toggle and flash, quit and help, and the Properties dialog's
// checks and saves, driven through its controls by their texts.
#include "ModalRun.h"
#include "ServiceFixture.h"
#include "ui/MessageRecorder.h"

#include <QAbstractButton>
#include <QFileDialog>
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

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void LeftClickTogglesAndTheFlashFallsBackToTheState()
    {
        Fixture f;
        QCOMPARE(f.dlg->TrayTip(), QString("Quillbox (Enabled)"));
        f.dlg->OnSystrayIconClicked(WM_LBUTTONUP);
        QCOMPARE(f.main.m_bEnabled, 0);
        QCOMPARE(f.dlg->TrayTip(), QString("Quillbox (Disabled)"));
        // A double click is two button-ups: the state ends as it was; a mouse move changes nothing.
        f.dlg->OnSystrayIconClicked(WM_LBUTTONUP);
        f.dlg->OnSystrayIconClicked(WM_LBUTTONUP);
        f.dlg->OnSystrayIconClicked(WM_MOUSEMOVE);
        QCOMPARE(f.main.m_bEnabled, 0);
        const int disabled = f.dlg->TrayIconNumber();
        f.dlg->StartFlash();
        QVERIFY(f.dlg->TrayIconNumber() != disabled);
        QVERIFY(test::FireTimer(f.dlg, [](int ms) { return ms < 60000; }));
        QCOMPARE(f.dlg->TrayIconNumber(), disabled);
    }

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

    void HelpIsOpenedFromTheCurrentDirectoryOnlyWhenItIsThere()
    {
        Fixture f;
        f.dlg->OnSystrayHelp();
        QVERIFY(f.fakes.shell->calls.isEmpty());
        QFile page(f.workspace.File("qbhlp.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        f.dlg->OnSystrayHelp();
        QCOMPARE(f.fakes.shell->calls.size(), 1);
        QVERIFY(f.fakes.shell->calls.first().file.endsWith("qbhlp.html"));
    }

    // The two numbers are checked; a refused one keeps its stored value, everything else is saved.
    void PropertiesChecksTheLimitsAndSavesTheRest_data()
    {
        QTest::addColumn<int>("maxItems");
        QTest::addColumn<int>("uses"); // 0: Upgrade left off
        QTest::addColumn<int>("expectedMax");
        QTest::addColumn<int>("expectedUpgrade");
        QTest::addColumn<int>("messages");
        QTest::newRow("4 refused") << 4 << 0 << 10 << -1 << 1;
        QTest::newRow("500 stored") << 500 << 0 << 500 << -1 << 0;
        QTest::newRow("501 refused") << 501 << 0 << 10 << -1 << 1;
        QTest::newRow("2 uses stored") << 5 << 2 << 5 << 2 << 0;
        QTest::newRow("both refused") << 3 << 1 << 10 << -1 << 2;
    }

    void PropertiesChecksTheLimitsAndSavesTheRest()
    {
        QFETCH(int, maxItems);
        QFETCH(int, uses);
        QFETCH(int, expectedMax);
        QFETCH(int, expectedUpgrade);
        QFETCH(int, messages);
        Fixture f;
        MessageRecorder recorder;
        f.dlg->OnSystrayProperties();
        Number(f.dlg, "Maximun number of clipboard items:")->setValue(maxItems);
        if (uses > 0) {
            Button(f.dlg, "Upgrade clipboard items to shortcuts")->click();
            Number(f.dlg, "After")->setValue(uses);
        }
        Button(f.dlg, "Shortcuts are case sensative")->click();
        Button(f.dlg, "Ctrl + Alt")->click();
        Button(f.dlg, "Ok")->click();
        QVERIFY(!f.dlg->isVisible());
        QCOMPARE(recorder.Count(), messages);
        QCOMPARE(Saved(f, "MaxClipboardItems").toInt(), expectedMax);
        QCOMPARE(Saved(f, "UpgradeToShortcut").toInt(), expectedUpgrade);
        QCOMPARE(Saved(f, "ShortcutsCaseSensative").toInt(), 1);
        QCOMPARE(Saved(f, "ClipboardMgrKeys").toInt(), 1);
    }

    // Upgrade off: the uses are shown as 5 and disabled; the close box applies like Ok, Cancel and
    // Esc keep what was stored.
    void UpgradeOffCancelEscAndTheCloseBox()
    {
        Fixture f;
        f.main.m_nUpgradeToShortcut = 7;
        f.dlg->OnSystrayProperties();
        QCOMPARE(Number(f.dlg, "After")->value(), 7);
        Button(f.dlg, "Upgrade clipboard items to shortcuts")->click();
        QVERIFY(!Number(f.dlg, "After")->isEnabled());
        Button(f.dlg, "Clipboard active")->click();
        Button(f.dlg, "Cancel")->click();
        QCOMPARE(Saved(f, "ClipboardActive"), QString("1"));
        f.dlg->OnSystrayProperties();
        Button(f.dlg, "Upgrade clipboard items to shortcuts")->click();
        QTest::keyClick(f.dlg, Qt::Key_Escape);
        QVERIFY(!f.dlg->isVisible());
        QCOMPARE(f.main.m_nUpgradeToShortcut, 7);
        f.dlg->OnSystrayProperties();
        Button(f.dlg, "Upgrade clipboard items to shortcuts")->click();
        Button(f.dlg, "Clipboard active")->click();
        f.dlg->close();
        QCOMPARE(Saved(f, "ClipboardActive"), QString("0"));
        QCOMPARE(Saved(f, "UpgradeToShortcut"), QString("-1"));
        f.dlg->OnSystrayProperties();
        QCOMPARE(Number(f.dlg, "After")->value(), 5);
        QVERIFY(!Number(f.dlg, "After")->isEnabled());
        Button(f.dlg, "Cancel")->click();
    }

    // "Windows notepad" stands for exactly "notepad"; choosing it applies at once.
    void EditorRadioShowsNotepadOnlyForTheExactValue()
    {
        for (const QString& editor : {QString("notepad"), QString("Notepad"), QString("/usr/bin/gedit")}) {
            Fixture f;
            f.main.m_strEditorPath = editor;
            f.dlg->OnSystrayProperties();
            QCOMPARE(Button(f.dlg, "Windows notepad")->isChecked(), editor == "notepad");
            QCOMPARE(Button(f.dlg, "Custom editor")->isChecked(), editor != "notepad");
            Button(f.dlg, "Windows notepad")->click();
            Button(f.dlg, "Cancel")->click();
            QCOMPARE(f.main.m_strEditorPath, QString("notepad"));
        }
    }

    void ChoosingADataFileReloadsTheShortcutsAndSurvivesCancel()
    {
        Fixture f;
        const QString other = f.workspace.File("other.dbf");
        data::CreateDatabase(other);
        data::Database(other).Execute("insert into Shortcuts values(0, 'oth', '', 'from the other file')");
        f.dlg->OnSystrayProperties();
        Number(f.dlg, "Maximun number of clipboard items:")->setValue(42);
        test::WhenOpen<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(other);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        Button(f.dlg, "...")->click();
        const QList<QLineEdit*> edits = f.dlg->findChildren<QLineEdit*>();
        QVERIFY(std::any_of(edits.begin(), edits.end(), [&](QLineEdit* edit) { return edit->text() == other; }));
        QVERIFY(f.main.FindShortcut("oth"));
        // The other pending edits stay in the controls; Cancel drops them but not the data file.
        QCOMPARE(Number(f.dlg, "Maximun number of clipboard items:")->value(), 42);
        Button(f.dlg, "Cancel")->click();
        QCOMPARE(f.main.m_strDatabase, other);
        QCOMPARE(f.main.m_nMaxClipboardItems, 10);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
