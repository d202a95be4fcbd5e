// The clipboard history's windows: capture of copies, the clipboard manager keys, the manager page
// and the New clipboard text page.
#include "ServiceFixture.h"
#include "ModalRun.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "ui/MessageRecorder.h"
#include "ui/clipboard/CClipboardPropSheet.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"

#include <QMimeData>
#include <QPlainTextEdit>

namespace {

QStringList History(CMain& main)
{
    QStringList items;
    for (int i = 0; i < main.m_pClipboard->Count(); ++i)
        items << main.m_pClipboard->At(i).m_strText;
    return items;
}

// Another application's copy, as the clipboard reader will find it.
void CopyElsewhere(ServiceFixture& f, const QString& text, bool secret = false)
{
    f.fakes.clipboardWriter->Copy(text, secret);
}

} // namespace

class TestClipboard : public QObject {
    Q_OBJECT

private slots:
    void CopiesAreCapturedOnceABurstAndOnlyWhenActive()
    {
        ServiceFixture f;
        CopyElsewhere(f, "first");
        f.dlg->OnCopyMsg();
        QCOMPARE(History(f.main), QStringList{"first"});
        QVERIFY(f.dlg->IsCopyPending());
        // The text was asked for at once, without a wait.
        QVERIFY(f.fakes.quietWait->waits.isEmpty());

        // Notifications while pending are absorbed, and each starts the 200 ms again.
        CopyElsewhere(f, "second");
        f.dlg->OnCopyMsg();
        QCOMPARE(History(f.main), QStringList{"first"});
        QVERIFY(test::FireTimer(f.dlg, [](int ms) { return ms < 60000; })); // the 200 ms are over
        QVERIFY(!f.dlg->IsCopyPending());
        f.dlg->OnCopyMsg();
        QCOMPARE(History(f.main), (QStringList{"first", "second"}));

        // A tray callback ends the pending state at once.
        f.dlg->OnSystrayIconClicked(WM_MOUSEMOVE);
        QVERIFY(!f.dlg->IsCopyPending());

        // Marked secret by a password manager: never kept.
        CopyElsewhere(f, "hunter2", true);
        f.dlg->OnCopyMsg();
        QCOMPARE(History(f.main).size(), 2);
        f.dlg->OnSystrayIconClicked(WM_MOUSEMOVE);

        // ClipboardActive off: pending set, nothing kept.
        f.main.m_bClipboardActive = 0;
        CopyElsewhere(f, "third");
        f.dlg->OnCopyMsg();
        QVERIFY(f.dlg->IsCopyPending());
        QCOMPARE(History(f.main).size(), 2);
        f.dlg->OnSystrayIconClicked(WM_MOUSEMOVE);

        // Disabled: nothing at all, not even the pending state.
        f.main.m_bClipboardActive = 1;
        f.main.m_bEnabled = 0;
        f.dlg->OnCopyMsg();
        QVERIFY(!f.dlg->IsCopyPending());
        QCOMPARE(History(f.main).size(), 2);
    }

    void ManagerKeysOpenTheManagerOverTheWindowInFront()
    {
        ServiceFixture f;
        f.main.AddClipboardText("kept");
        f.fakes.foreground->current = 0x777;
        // The pair that is not chosen does nothing.
        f.dlg->OnPasteMsg(1);
        QVERIFY(!f.dlg->IsSheetOpen(SheetKind::Clipboard));

        int page = -1;
        platform::WindowId recorded = 0;
        QTimer::singleShot(0, [&] {
            auto* sheet = OpenSheet<CClipboardPropSheet>();
            QVERIFY(sheet);
            page = sheet->GetActiveIndex();
            recorded = f.main.m_pPrevForegroundWnd;
            f.dlg->OnPasteMsg(0); // already open: nothing
            sheet->CloseButton()->click();
        });
        f.dlg->OnPasteMsg(0);
        QCOMPARE(page, 1);
        QCOMPARE(recorded, platform::WindowId(0x777));
        // Given back and cleared; the user's clipboard was not emptied by closing.
        QCOMPARE(f.main.m_pPrevForegroundWnd, platform::WindowId(0));
        QCOMPARE(f.fakes.foreground->activations.last(), platform::WindowId(0x777));

        // ClipboardActive off or disabled: the keys do nothing.
        f.main.m_bClipboardActive = 0;
        f.dlg->OnPasteMsg(0);
        f.main.m_bClipboardActive = 1;
        f.main.m_bEnabled = 0;
        f.dlg->OnPasteMsg(0);
        QVERIFY(!f.dlg->IsSheetOpen(SheetKind::Clipboard));
    }

    void PickingAnItemPastesItIntoTheRecordedWindowAndCountsTheUse()
    {
        ServiceFixture f;
        f.main.m_nUpgradeToShortcut = 2;
        for (const char* text : {"zeta", "alpha", "mid"})
            f.main.AddClipboardText(text);
        f.main.m_pPrevForegroundWnd = 0x55;
        for (int round = 0; round < 2; ++round) {
            CClipboardPropSheet sheet("Clipboard", nullptr, 1);
            const int result = test::RunModal(sheet, [&] {
                CReportList* list = sheet.m_managerPage.m_list;
                QCOMPARE(list->RowCount(), 3);
                list->SortByColumn(0); // alpha, mid, zeta: the ID column follows each row
                list->SelectRow(2);
                QTest::keyClick(list, Qt::Key_Return);
            });
            QCOMPARE(result, 0);
        }
        QCOMPARE(f.fakes.clipboardWriter->Text(nullptr), QString("zeta"));
        QCOMPARE(f.fakes.foreground->activations, (QList<platform::WindowId>{0x55, 0x55}));
        const QList<platform::FakeKeyboard::Event> paste = {{platform::VK_CONTROL, false}, {platform::VK_V, false},
                                                             {platform::VK_V, true}, {platform::VK_CONTROL, true}};
        QCOMPARE(f.fakes.keyboard->events, paste + paste);
        QCOMPARE(f.main.m_pClipboard->At(0).m_nUseCount, 2);
        // The second paste reached "UpgradeToShortcut": the item became a shortcut.
        QVERIFY(f.main.FindShortcut("zet"));
    }

    void ManagerButtons()
    {
        ServiceFixture f;
        for (const char* text : {"one", "two", "FAIL", "four"})
            f.main.AddClipboardText(text);
        MessageRecorder messages;
        CClipboardPropSheet sheet("Clipboard", nullptr, 1);
        test::RunModal(sheet, [&] {
            CClipboardManagerPage& page = sheet.m_managerPage;
            // A text that reads FAIL is listed like any other.
            QCOMPARE(page.m_list->RowCount(), 4);
            page.m_list->SortByColumn(0); // FAIL, four, one, two
            page.m_list->SelectRow(2);
            page.m_btnDelete->click();
            QCOMPARE(History(f.main), (QStringList{"two", "FAIL", "four"}));
            page.m_btnSave->click();
            page.m_btnRemoveAll->click();
            QCOMPARE(messages.Last().text, QString("Are you sure you want to remove all records from the clipboard?"));
            QCOMPARE(page.m_list->RowCount(), 3);
            messages.Answer(platform::IDYES);
            page.m_btnRemoveAll->click();
            QCOMPARE(page.m_list->RowCount(), 0);
            page.m_btnLoad->click();
            QCOMPARE(History(f.main), (QStringList{"four", "FAIL", "two"}));
            QCOMPARE(page.m_list->RowCount(), 3);
            // Close with nothing selected just closes, and pastes nothing.
            page.m_list->clearSelection();
            sheet.CloseButton()->click();
        });
        QVERIFY(f.fakes.keyboard->events.isEmpty());
    }

    void NewTextPageAddsToTheHistory()
    {
        ServiceFixture f;
        f.main.m_nMaxClipboardItems = 5;
        MessageRecorder messages;
        CClipboardPropSheet sheet("Clipboard", nullptr, 0);
        test::RunModal(sheet, [&] {
            CNewClipboardPage& page = sheet.m_newPage;
            page.m_btnAdd->click();
            QCOMPARE(messages.Last().text, QString("You have entered no text"));
            QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
            for (const char* text : {"oldest", "   ", "same", "same", "4", "5"}) {
                page.m_editText->setPlainText(text);
                page.m_btnAdd->click();
            }
            // Full: the oldest went; the manager page shows the newest.
            sheet.SetActivePage(1);
            QCOMPARE(sheet.m_managerPage.m_list->RowCount(), 5);
            QCOMPARE(sheet.m_managerPage.m_list->Text(4, 0), QString("5"));
            sheet.EndDialog(0);
        });
        QCOMPARE(History(f.main), (QStringList{"   ", "same", "same", "4", "5"}));
        QCOMPARE(messages.Count(), 1);
    }
};

QTEST_MAIN(TestClipboard)
#include "tst_Clipboard.moc"
