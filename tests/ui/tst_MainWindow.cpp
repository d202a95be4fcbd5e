// The main window: the tray menu, the toggle and the flash, the sheet guards, and the Properties
// dialog's checks and saves.
#include "ServiceFixture.h"
#include "TestSupport.h"
#include "core/CMain.h"
#include "core/Preferences.h"
#include "data/DataFile.h"
#include "platform/fake/FakeServices.h"
#include "ui/main/CQuillboxDlg.h"
#include "ui/MessageRecorder.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

namespace {

using Fixture = ServiceFixture;

QStringList MenuTexts(QMenu* menu)
{
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            texts << "-";
        else if (action->menu())
            texts << action->text() + " >" + MenuTexts(action->menu()).join('|');
        else
            texts << action->text();
    }
    return texts;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void TrayMenuHoldsTheCommandsInOrder()
    {
        Fixture f;
        std::unique_ptr<QMenu> menu(f.dlg->LoadTrayMenu());
        QCOMPARE(MenuTexts(menu.get()),
                 (QStringList{"&New shortcut", "&View shortcuts", "-", "&Add to clipboard", "&Clipboard manager", "-",
                              "Add to &source library", "Vie&w current sources", "-", "Add &environment",
                              "Select en&vironment", "-", "&Properties",
                              "&Help >&Quillbox help|&About Quillbox", "&Quit"}));
    }

    void LeftClickTogglesAndEveryCallbackClearsThePendingCopy()
    {
        Fixture f;
        QCOMPARE(f.dlg->TrayIconNumber(), 129);
        QCOMPARE(f.dlg->TrayTip(), QString("Quillbox (Enabled)"));
        f.dlg->m_bCopyPending = 1;
        f.dlg->OnSystrayIconClicked(WM_LBUTTONUP);
        QCOMPARE(f.main.m_bEnabled, 0);
        QCOMPARE(f.dlg->TrayIconNumber(), 141);
        QCOMPARE(f.dlg->TrayTip(), QString("Quillbox (Disabled)"));
        QCOMPARE(f.dlg->m_bCopyPending, 0);

        // A double click is two button-ups: the state ends as it was.
        f.dlg->OnSystrayIconClicked(WM_LBUTTONUP);
        f.dlg->OnSystrayIconClicked(WM_LBUTTONUP);
        QCOMPARE(f.main.m_bEnabled, 0);

        // A mouse move changes nothing but the pending copy.
        f.dlg->m_bCopyPending = 1;
        f.dlg->OnSystrayIconClicked(WM_MOUSEMOVE);
        QCOMPARE(f.main.m_bEnabled, 0);
        QCOMPARE(f.dlg->m_bCopyPending, 0);
    }

    void FlashFallsBackToTheIconOfTheCurrentState()
    {
        Fixture f;
        f.dlg->StartFlash();
        QCOMPARE(f.dlg->TrayIconNumber(), 144);
        QCOMPARE(f.dlg->TrayTip(), QString("Quillbox (Enabled)"));
        f.dlg->OnSystrayIconClicked(WM_LBUTTONUP); // disabled while the flash shows
        QCOMPARE(f.dlg->TrayIconNumber(), 141);
        f.dlg->StartFlash();
        QTRY_COMPARE_WITH_TIMEOUT(f.dlg->TrayIconNumber(), 141, 4000);
    }

    void QuitAsksAndOnlyYesQuits()
    {
        Fixture f;
        MessageRecorder messages;
        f.dlg->OnSystrayQuit();
        QCOMPARE(messages.Last().text, QString("Are you sure you want to quit Quillbox?"));
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

    void PropertiesChecksTheLimitsAndSavesTheRest_data()
    {
        QTest::addColumn<int>("maxItems");
        QTest::addColumn<int>("expectedMax");
        QTest::addColumn<bool>("upgrade");
        QTest::addColumn<int>("uses");
        QTest::addColumn<int>("expectedUpgrade");
        QTest::addColumn<QStringList>("messages");
        const QString maxText = "The maximum number of clipboard items cannot be below 5 or above 500.";
        const QString usesText = "Number of uses must be more then 1";
        QTest::newRow("4 refused") << 4 << 10 << false << 5 << -1 << QStringList{maxText};
        QTest::newRow("5 stored") << 5 << 5 << false << 5 << -1 << QStringList();
        QTest::newRow("500 stored") << 500 << 500 << false << 5 << -1 << QStringList();
        QTest::newRow("501 refused") << 501 << 10 << false << 5 << -1 << QStringList{maxText};
        QTest::newRow("2 uses stored") << 10 << 10 << true << 2 << 2 << QStringList();
        QTest::newRow("1 use refused") << 10 << 10 << true << 1 << -1 << QStringList{usesText};
        QTest::newRow("both refused") << 3 << 10 << true << 0 << -1 << QStringList{maxText, usesText};
    }

    void PropertiesChecksTheLimitsAndSavesTheRest()
    {
        QFETCH(int, maxItems);
        QFETCH(int, expectedMax);
        QFETCH(bool, upgrade);
        QFETCH(int, uses);
        QFETCH(int, expectedUpgrade);
        QFETCH(QStringList, messages);
        Fixture f;
        MessageRecorder recorder;
        f.dlg->OnSystrayProperties();
        auto& c = f.dlg->m_controls;
        c.maxItems->setValue(maxItems);
        if (upgrade)
            c.upgrade->click();
        c.uses->setValue(uses);
        c.caseSensitive->setChecked(true);
        c.ctrlAlt->setChecked(true);
        c.ok->click();
        QVERIFY(!f.dlg->isVisible());
        QStringList shown;
        for (const auto& message : recorder.Messages())
            shown << message.text;
        QCOMPARE(shown, messages);
        if (messages.size() == 1 && messages.first().startsWith("Number"))
            QCOMPARE(recorder.Last().style, platform::MsgStyle::Plain);
        else if (!messages.isEmpty())
            QCOMPARE(recorder.Messages().first().style, platform::MsgStyle::Exclamation);
        QCOMPARE(f.main.m_nMaxClipboardItems, expectedMax);
        QCOMPARE(f.main.m_nUpgradeToShortcut, expectedUpgrade);
        // Everything else is saved whatever was refused.
        QCOMPARE(f.main.m_bShortcutsCaseSensitive, 1);
        QCOMPARE(f.main.m_nClipboardMgrKeys, 1);
        QSettings saved = f.Saved();
        QCOMPARE(saved.value("Prefrences/MaxClipboardItems").toInt(), expectedMax);
        QCOMPARE(saved.value("Prefrences/UpgradeToShortcut").toInt(), expectedUpgrade);
        QCOMPARE(saved.value("Prefrences/ShortcutsCaseSensative").toInt(), 1);
    }

    void UpgradeOffShowsFiveWithTheUsesDisabled()
    {
        Fixture f;
        f.main.m_nUpgradeToShortcut = 7;
        f.dlg->OnSystrayProperties();
        auto& c = f.dlg->m_controls;
        QVERIFY(c.upgrade->isChecked());
        QCOMPARE(c.uses->value(), 7);
        QVERIFY(c.uses->isEnabled());
        c.upgrade->click();
        QVERIFY(!c.uses->isEnabled() && !c.after->isEnabled() && !c.usesLabel->isEnabled());
        c.ok->click();
        QCOMPARE(f.main.m_nUpgradeToShortcut, -1);
        f.dlg->OnSystrayProperties();
        QVERIFY(!c.upgrade->isChecked());
        QCOMPARE(c.uses->value(), 5);
        QVERIFY(!c.uses->isEnabled() && !c.after->isEnabled() && !c.usesLabel->isEnabled());
    }

    void CancelAndTheCloseBoxAndEsc()
    {
        Fixture f;
        auto& c = f.dlg->m_controls;
        f.dlg->OnSystrayProperties();
        c.clipboardActive->setChecked(false);
        c.cancel->click();
        QCOMPARE(f.main.m_bClipboardActive, 1);
        QCOMPARE(f.Saved().value("Prefrences/ClipboardActive").toInt(), 1);

        f.dlg->OnSystrayProperties();
        QVERIFY(c.clipboardActive->isChecked());
        c.clipboardActive->setChecked(false);
        QTest::keyClick(f.dlg, Qt::Key_Escape);
        QVERIFY(!f.dlg->isVisible());
        QCOMPARE(f.main.m_bClipboardActive, 1);

        // The close box applies and saves like Ok.
        f.dlg->OnSystrayProperties();
        c.clipboardActive->setChecked(false);
        f.dlg->close();
        QVERIFY(!f.dlg->isVisible());
        QCOMPARE(f.main.m_bClipboardActive, 0);
        QCOMPARE(f.Saved().value("Prefrences/ClipboardActive").toInt(), 0);
    }

    void EditorRadioShowsNotepadOnlyForTheExactValue_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<bool>("notepad");
        QTest::newRow("notepad") << "notepad" << true;
        QTest::newRow("Notepad") << "Notepad" << false;
        QTest::newRow("custom") << "/usr/bin/gedit" << false;
    }

    void EditorRadioShowsNotepadOnlyForTheExactValue()
    {
        QFETCH(QString, editor);
        QFETCH(bool, notepad);
        Fixture f;
        f.main.m_strEditorPath = editor;
        f.dlg->OnSystrayProperties();
        QCOMPARE(f.dlg->m_controls.notepad->isChecked(), notepad);
        QCOMPARE(f.dlg->m_controls.customEditor->isChecked(), !notepad);
        // Choosing notepad applies at once, even if the dialog is then cancelled.
        f.dlg->m_controls.notepad->click();
        f.dlg->m_controls.cancel->click();
        QCOMPARE(f.main.m_strEditorPath, QString("notepad"));
    }

    void ChoosingADataFileReloadsTheShortcutsAndSurvivesCancel()
    {
        Fixture f;
        const QString other = f.workspace.File("other.dbf");
        data::CreateDatabase(other);
        data::Database(other).Execute("insert into Shortcuts values(0, 'oth', '', 'from the other file')");
        f.dlg->OnSystrayProperties();
        f.dlg->m_controls.maxItems->setValue(42);
        QTimer::singleShot(0, [other] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
                    dialog->selectFile(other);
                    QMetaObject::invokeMethod(dialog, "accept");
                }
            }
        });
        f.dlg->m_btnBrowse->click();
        QCOMPARE(f.main.m_strDatabase, other);
        QCOMPARE(f.dlg->m_controls.dataFile->text(), other);
        QVERIFY(f.main.FindShortcut("oth"));
        // The other pending edits stay in the controls.
        QCOMPARE(f.dlg->m_controls.maxItems->value(), 42);
        f.dlg->m_controls.cancel->click();
        QCOMPARE(f.main.m_strDatabase, other);
        QCOMPARE(f.main.m_nMaxClipboardItems, 10);
    }

    void TabsCarryTheirTexts()
    {
        Fixture f;
        QStringList tabs;
        for (int i = 0; i < f.dlg->m_tab->count(); ++i)
            tabs << f.dlg->m_tab->tabText(i);
        QCOMPARE(tabs, (QStringList{"General", "Clipboard", "Shortcut", "Source library"}));
        QCOMPARE(f.dlg->windowTitle(), QString("Properties"));
        QCOMPARE(f.dlg->m_controls.clipboardActive->text(), QString(" Clipboard active"));
        QCOMPARE(f.dlg->m_controls.caseSensitive->text(), QString(" Shortcuts are case sensative"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
