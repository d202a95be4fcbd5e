// The shortcuts service: the expansion against a played editor, the New shortcut page, the
// Available shortcuts page and the sheet's guard.
#include "ServiceFixture.h"
#include "ModalRun.h"
#include "data/CShortcut.h"
#include "ui/MessageRecorder.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"
#include "ui/shortcuts/CShortcutsPropSheet.h"

#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>

using platform::FakeKeyboard;

namespace {

ShortcutRecord* Record(const QString& shortcut, const QString& text, const QString& desc = QString())
{
    auto* record = new ShortcutRecord;
    record->shortcut = shortcut;
    record->desc = desc;
    record->text = text;
    return record;
}

// Plays an editor holding `word` before the caret: Ctrl+C puts the word on the clipboard (or
// copies nothing when the word is empty), Ctrl+V records what was pasted.
struct PlayedEditor {
    QString word;
    QStringList pasted;
    bool pastedTransient = false;
    void Attach(ServiceFixture& f)
    {
        platform::FakeClipboardWriter* clipboard = f.fakes.clipboardWriter;
        f.fakes.keyboard->onKey = [this, clipboard](int vk, bool up) {
            if (vk == platform::VK_C && up && !word.isEmpty())
                clipboard->Copy(word);
            if (vk == platform::VK_V && up) {
                bool secret = false;
                pasted << clipboard->Text(&secret);
                pastedTransient = secret;
            }
        };
    }
};

QList<FakeKeyboard::Event> Keys(std::initializer_list<std::pair<int, bool>> keys)
{
    QList<FakeKeyboard::Event> events;
    for (auto [vk, up] : keys)
        events.append({vk, up});
    return events;
}

using namespace platform;
const auto CopyWord = Keys({{VK_CONTROL, true}, {VK_SHIFT, false}, {VK_CONTROL, false}, {VK_LEFT, false},
                            {VK_LEFT, true}, {VK_CONTROL, true}, {VK_SHIFT, true}, {VK_CONTROL, false}, {VK_C, false},
                            {VK_C, true}, {VK_CONTROL, true}});
const auto Paste = Keys({{VK_CONTROL, false}, {VK_V, false}, {VK_V, true}, {VK_CONTROL, true}});
const auto SelectionBack = Keys({{VK_SHIFT, false}, {VK_CONTROL, false}, {VK_RIGHT, false}, {VK_RIGHT, true},
                                 {VK_CONTROL, true}, {VK_SHIFT, true}});

} // namespace

class TestShortcuts : public QObject {
    Q_OBJECT

private slots:
    void ExpansionReplacesAShortcutAndRestoresTheClipboard_data()
    {
        QTest::addColumn<int>("caseSensitive");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("found") << 0 << "sig" << "sig" << true;
        QTest::newRow("typed in capitals, case-sensitive") << 1 << "abc" << "ABC" << false;
        QTest::newRow("no such shortcut") << 0 << "sig" << "sign" << false;
        QTest::newRow("a trailing blank is part of the word") << 0 << "sig" << "sig " << false;
    }

    void ExpansionReplacesAShortcutAndRestoresTheClipboard()
    {
        QFETCH(int, caseSensitive);
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, replaced);
        ServiceFixture f;
        f.main.m_bShortcutsCaseSensitive = caseSensitive;
        f.main.AddShortcut(Record(stored, "Best regards,\nAda"));
        PlayedEditor editor;
        editor.word = typed;
        editor.Attach(f);
        f.fakes.clipboardWriter->SetText("the user's own text", false);

        f.dlg->OnResolveShortcutMsg();

        QCOMPARE(f.fakes.keyboard->events.mid(0, 11), CopyWord);
        if (replaced) {
            QCOMPARE(f.fakes.keyboard->events.mid(11), Paste);
            QCOMPARE(editor.pasted, QStringList{"Best regards,\nAda"});
            // The replacement is on the clipboard only for a moment: marked so histories skip it.
            QVERIFY(editor.pastedTransient);
            QCOMPARE(f.dlg->TrayIconNumber(), 144);
        } else {
            QCOMPARE(f.fakes.keyboard->events.mid(11), SelectionBack);
            QVERIFY(editor.pasted.isEmpty());
            QCOMPARE(f.dlg->TrayIconNumber(), 129);
        }
        bool secret = true;
        QCOMPARE(f.fakes.clipboardWriter->Text(&secret), QString("the user's own text"));
        QVERIFY(!secret);
        QCOMPARE(f.main.m_hHook, 0); // removed throughout and installed again (no helper in tests)
    }

    void ACopyOfNothingRestoresAndSendsNoMoreKeys()
    {
        ServiceFixture f;
        PlayedEditor editor; // nothing before the caret
        editor.Attach(f);
        QCOMPARE(f.main.ResolveShortcut(), 0);
        QCOMPARE(f.fakes.keyboard->events, CopyWord);
        QCOMPARE(f.fakes.clipboardWriter->Text(nullptr), QString());
    }

    void NothingHappensWhileDisabledAndWithAutoPasteOffTheTextWaitsOnTheClipboard()
    {
        ServiceFixture f;
        f.main.AddShortcut(Record("sig", "signature"));
        PlayedEditor editor;
        editor.word = "sig";
        editor.Attach(f);
        f.main.m_bEnabled = 0;
        f.dlg->OnResolveShortcutMsg();
        QVERIFY(f.fakes.keyboard->events.isEmpty());

        f.main.m_bEnabled = 1;
        f.main.m_bAutoPasteShortcut = 0;
        QCOMPARE(f.main.ResolveShortcut(), 1);
        QCOMPARE(f.fakes.keyboard->events, CopyWord);
        QCOMPARE(f.fakes.clipboardWriter->Text(nullptr), QString("signature"));
    }

    void NewShortcutPageDerivesNamesAndReportsWhatIsMissing()
    {
        ServiceFixture f;
        MessageRecorder messages;
        CNewShortcutPage page;
        page.OnAdd();
        QCOMPARE(messages.Last().text, QString("Please fill out the text field."));
        QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);

        for (const char* expected : {"hel", "hell", "hello"}) {
            page.m_editText->setPlainText("hello world");
            page.m_editDesc->setText("greeting");
            page.OnAdd();
            QVERIFY2(f.main.FindShortcut(expected), expected);
            // Cleared for the next shortcut.
            QVERIFY(page.m_editText->toPlainText().isEmpty() && page.m_editDesc->text().isEmpty());
        }
        page.m_editText->setPlainText("hello world");
        page.OnAdd();
        QCOMPARE(messages.Last().text, QString("Please fill out the shortcut field."));
        QCOMPARE(page.m_editText->toPlainText(), QString("hello world")); // kept as typed

        // A typed name is stored under the case rule and replaces an existing one.
        page.m_editShortcut->setText("HeL");
        page.m_editText->setPlainText("replaced");
        page.OnAdd();
        QCOMPARE(f.main.FindShortcut("hel")->text, QString("replaced"));
        QCOMPARE(messages.Count(), 2);
    }

    void ListPageRemovesSortsAndPutsTextOnTheClipboard()
    {
        ServiceFixture f;
        f.main.m_bShortcutsCaseSensitive = 1;
        for (const char* name : {"abc", "ABC", "ab", "twelve_chars"})
            f.main.AddShortcut(Record(name, QString("text of %1").arg(name)));
        MessageRecorder messages;
        CShortcutsPropSheet sheet("Shortcuts", nullptr, 1);
        const int result = test::RunModal(sheet, [&] {
            CReportList* list = sheet.m_listPage.m_list;
            QCOMPARE(list->RowCount(), 4);
            list->SortByColumn(0);
            QStringList names;
            for (int row = 0; row < list->RowCount(); ++row)
                names << list->Text(row, 0);
            QCOMPARE(names, (QStringList{"ABC", "ab", "abc", "twelve_chars"}));

            // Remove acts on the row selected after sorting, and the list is filled again.
            list->SelectRow(3);
            sheet.m_listPage.m_btnRemove->click();
            QVERIFY(!f.main.FindShortcut("twelve_chars"));
            QCOMPARE(list->RowCount(), 3);

            // Remove all asks first; No keeps everything.
            sheet.m_listPage.m_btnRemoveAll->click();
            QCOMPARE(messages.Last().text, QString("Are you sure you want to delete all shortcuts?"));
            QCOMPARE(list->RowCount(), 3);

            // Nothing selected: Insert text does nothing and the sheet stays.
            list->clearSelection();
            sheet.m_listPage.m_btnInsert->click();
            QVERIFY(sheet.isVisible());
            list->SortByColumn(0);
            list->SelectRow(1);
            sheet.m_listPage.m_btnInsert->click();
        });
        QCOMPARE(result, 0);
        QCOMPARE(f.fakes.clipboardWriter->Text(nullptr), QString("text of ab"));

        CShortcutsPropSheet again("Shortcuts", nullptr, 1);
        messages.Answer(platform::IDYES);
        test::RunModal(again, [&] {
            again.m_listPage.m_btnRemoveAll->click();
            QCOMPARE(again.m_listPage.m_list->RowCount(), 0);
            QCOMPARE(again.m_listPage.m_list->columnCount(), 3);
            again.EndDialog(0);
        });
        QCOMPARE(f.main.m_pShortcut->Count(), 0);
    }

    void EscGivesTheRecordedWindowItsFocusBack()
    {
        ServiceFixture f;
        f.main.m_pPrevForegroundWnd = 0x4200007;
        CShortcutsPropSheet sheet("Shortcuts", nullptr, 1);
        test::RunModal(sheet, [&] { QTest::keyClick(&sheet, Qt::Key_Escape); });
        QCOMPARE(f.fakes.foreground->activations, QList<platform::WindowId>{0x4200007});

        // Close does not.
        CShortcutsPropSheet closed("Shortcuts", nullptr, 1);
        test::RunModal(closed, [&] { closed.CloseButton()->click(); });
        QCOMPARE(f.fakes.foreground->activations.size(), 1);
    }

    void ListKeyOpensTheSheetOnceAndRecordsTheWindowInFront()
    {
        ServiceFixture f;
        f.fakes.foreground->current = 0x1234;
        bool nestedOpened = true;
        QTimer::singleShot(0, [&] {
            auto* sheet = OpenSheet<CShortcutsPropSheet>();
            QVERIFY(sheet);
            QCOMPARE(sheet->GetActiveIndex(), 1);
            QVERIFY(f.dlg->IsSheetOpen(SheetKind::Shortcuts));
            // A second request for the same sheet does nothing while it is open.
            f.dlg->OnShowShortcutsMsg();
            nestedOpened = OpenSheet<CShortcutsPropSheet>() != sheet;
            sheet->EndDialog(0);
        });
        f.dlg->OnShowShortcutsMsg();
        QVERIFY(!nestedOpened);
        QVERIFY(!f.dlg->IsSheetOpen(SheetKind::Shortcuts));
        // The list key leaves the recorded window set; the tray command neither sets nor clears it.
        QCOMPARE(f.main.m_pPrevForegroundWnd, platform::WindowId(0x1234));

        f.main.m_bEnabled = 0;
        f.dlg->OnShowShortcutsMsg(); // disabled: nothing opens (a modal run would block here)
        QVERIFY(!f.dlg->IsSheetOpen(SheetKind::Shortcuts));
    }
};

QTEST_MAIN(TestShortcuts)
#include "tst_Shortcuts.moc"
