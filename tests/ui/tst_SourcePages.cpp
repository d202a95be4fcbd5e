// The source library's windows: the New source file page, the Available sources page and the
// files they start through the desktop.
#include "ServiceFixture.h"
#include "ModalRun.h"
#include "data/SourceLibrary.h"
#include "ui/MessageRecorder.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"
#include "ui/sources/CSourceLibPropSheet.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>

using platform::FakeShell;

namespace {

int Add(ServiceFixture& f, const QString& path, const QString& openWith = data::kOpenWithEditor,
        const QString& field = "tools", const QString& lang = "C")
{
    return data::AddSource(f.main.m_strDatabase, {0, lang, field, "", path, openWith, {}});
}

QList<data::SourceRecord> Rows(ServiceFixture& f)
{
    return data::LoadSources(f.main.m_strDatabase);
}

// One shell call as text, so that a failure shows what was asked.
QString Describe(const FakeShell::Call& call)
{
    static const char* const names[] = {"ShellExecute", "Explore", "OpenInDefaultEditor", "OpenDocument"};
    return QString("%1(%2 | %3 | %4)").arg(names[int(call.operation)], call.file, call.parameters, call.directory);
}

QStringList Calls(ServiceFixture& f)
{
    QStringList calls;
    for (const FakeShell::Call& call : f.fakes.shell->calls)
        calls << Describe(call);
    return calls;
}

QStringList Column(CReportList* list, int column)
{
    QStringList texts;
    for (int row = 0; row < list->RowCount(); ++row)
        texts << list->Text(row, column);
    return texts;
}

void ClickHeader(CReportList* list, int column)
{
    QHeaderView* head = list->header();
    const QPoint at(head->sectionViewportPosition(column) + head->sectionSize(column) / 2, head->height() / 2);
    QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, at);
}

void SelectByPath(CReportList* list, const QString& path)
{
    list->SelectRow(int(Column(list, CViewSourcesPage::ColPath).indexOf(path)));
}

} // namespace

class TestSourcePages : public QObject {
    Q_OBJECT

private slots:
    void ATypedLanguageIsAccepted()
    {
        ServiceFixture f;
        CNewSourcePage page;
        const int languages = page.m_comboLang->count();
        QTest::keyClicks(page.m_comboLang->lineEdit(), "Rust");
        page.m_editCategory->setText("parsers");
        page.m_editPath->setText("/src/lexer.rs");
        page.OnAdd();
        QCOMPARE(Rows(f).size(), 1);
        QCOMPARE(Rows(f)[0].lang, QString("Rust"));
        QCOMPARE(page.m_comboLang->count(), languages); // the list is not extended
    }

    void AddRefusesWhatIsMissingInOrderAndKeepsWhatWasTyped_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::newRow("no language") << "" << "tools" << "/a.c" << "Please select a language from the combo box.";
        QTest::newRow("no category") << "Java" << "" << "/a.c" << "Please select a category.";
        QTest::newRow("no file") << "Java" << "tools" << "" << "Please select a file.";
    }

    void AddRefusesWhatIsMissingInOrderAndKeepsWhatWasTyped()
    {
        QFETCH(QString, lang);
        QFETCH(QString, category);
        QFETCH(QString, path);
        QFETCH(QString, message);
        ServiceFixture f;
        MessageRecorder messages;
        CNewSourcePage page;
        page.m_comboLang->setEditText(lang);
        page.m_editCategory->setText(category);
        page.m_editDesc->setText("kept");
        page.m_editPath->setText(path);
        page.m_radioAssoc->setChecked(true);
        page.OnAdd();
        QCOMPARE(messages.Count(), 1);
        QCOMPARE(messages.Last().text, message);
        QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
        QVERIFY(Rows(f).isEmpty());
        QCOMPARE(page.m_comboLang->currentText(), lang);
        QCOMPARE(page.m_editCategory->text(), category);
        QCOMPARE(page.m_editDesc->text(), QString("kept"));
        QCOMPARE(page.m_editPath->text(), path);
        QVERIFY(page.m_radioAssoc->isChecked());
    }

    void AddClearsThePageAndTheNextFileOpensInTheEditorAgain()
    {
        ServiceFixture f;
        MessageRecorder messages;
        CSourceLibPropSheet sheet("Source library", nullptr, 0);
        test::RunModal(sheet, [&] {
            CNewSourcePage& page = sheet.m_newPage;
            QVERIFY(page.m_radioEditor->isChecked());
            page.m_comboLang->setCurrentIndex(page.m_comboLang->findText("Document"));
            page.m_editCategory->setText("manuals");
            page.m_editPath->setText("/doc/guide.pdf");
            // On the radio's mark: its row is wider than what a click there hits.
            QTest::mouseClick(page.m_radioAssoc, Qt::LeftButton, {}, QPoint(6, page.m_radioAssoc->height() / 2));
            QVERIFY(page.m_radioAssoc->isChecked());
            page.m_btnAdd->click();
            for (QLineEdit* edit : {page.m_comboLang->lineEdit(), page.m_editCategory, page.m_editDesc, page.m_editPath})
                QVERIFY(edit->text().isEmpty());
            QVERIFY(page.m_radioEditor->isChecked());

            page.m_comboLang->setEditText("C");
            page.m_editCategory->setText("tools");
            page.m_editPath->setText("/src/main.c");
            page.m_btnAdd->click();

            // A value over its column's width: the boundary reports it and the page keeps it all.
            page.m_comboLang->setEditText("C");
            page.m_editCategory->setText("tools");
            page.m_editPath->setText("/" + QString(130, 'x') + "/a.c");
            page.m_btnAdd->click();
            QCOMPARE(page.m_editPath->text().size(), 135);
            QCOMPARE(page.m_editCategory->text(), QString("tools"));

            // The list page shows both files with the description left empty.
            sheet.SetActivePage(1);
            QCOMPARE(Column(sheet.m_listPage.m_list, CViewSourcesPage::ColFilename), (QStringList{"guide.pdf", "main.c"}));
            QCOMPARE(Column(sheet.m_listPage.m_list, CViewSourcesPage::ColDescription), (QStringList{"", ""}));
            sheet.EndDialog(0);
        });
        QCOMPARE(messages.Count(), 1);
        QVERIFY2(messages.Last().text.contains("l_path"), qPrintable(messages.Last().text));
        const QList<data::SourceRecord> rows = Rows(f);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].openWith, data::kOpenWithAssociated);
        QCOMPARE(rows[1].openWith, data::kOpenWithEditor);
    }

    void ListHasTheFocusAndIsRebuiltOnEachVisit()
    {
        ServiceFixture f;
        Add(f, "/src/z.c", data::kOpenWithEditor, "Zeta");
        Add(f, "/src/a.c", data::kOpenWithEditor, "alpha");
        Add(f, "/src/9.c", data::kOpenWithEditor, "9");
        Add(f, "/src/10.c", data::kOpenWithEditor, "10");
        CSourceLibPropSheet sheet("Source library", nullptr, 1);
        test::RunModal(sheet, [&] {
            CReportList* list = sheet.m_listPage.m_list;
            // The arrows and Tab work in the list from the start.
            QCOMPARE(sheet.focusWidget(), list);
            for (int pass = 0; pass < 2; ++pass) {
                QCOMPARE(list->columnCount(), 6);
                QCOMPARE(Column(list, CViewSourcesPage::ColCategory), (QStringList{"Zeta", "alpha", "9", "10"}));
                QCOMPARE(Column(list, CViewSourcesPage::ColId), (QStringList{"0", "1", "2", "3"}));
                // Activated again: rebuilt, not appended to.
                sheet.SetActivePage(0);
                sheet.SetActivePage(1);
            }
            sheet.EndDialog(0);
        });
    }

    void ButtonsActOnTheSelectedRowAfterSorting()
    {
        ServiceFixture f;
        f.main.m_strEditorPath = "notepad";
        Add(f, "/src/b/second.c", data::kOpenWithEditor, "b");
        Add(f, "/src/a/first.c", data::kOpenWithEditor, "a");
        Add(f, "/src/c/third.c", data::kOpenWithEditor, "c");
        MessageRecorder messages;
        CSourceLibPropSheet sheet("Source library", nullptr, 1);
        test::RunModal(sheet, [&] {
            CViewSourcesPage& page = sheet.m_listPage;
            // Nothing selected: Open and Delete do nothing; Explore shows the default folder.
            page.m_list->clearSelection();
            page.m_btnOpen->click();
            page.m_btnDelete->click();
            page.m_btnExplore->click();
            QCOMPARE(Calls(f), QStringList{"Explore( |  | )"});
            f.fakes.shell->calls.clear();

            ClickHeader(page.m_list, CViewSourcesPage::ColCategory);
            page.m_list->SelectRow(0);
            page.m_btnOpen->click();
            page.m_btnExplore->click();
            QCOMPARE(Calls(f), (QStringList{"OpenInDefaultEditor(/src/a/first.c |  | /src/a)", "Explore(/src/a |  | )"}));
            page.m_list->SelectRow(2);
            page.m_btnDelete->click();
            QCOMPARE(Column(page.m_list, CViewSourcesPage::ColFilename), (QStringList{"second.c", "first.c"}));

            // Remove all answered No keeps everything.
            page.m_btnRemoveAll->click();
            QCOMPARE(messages.Last().text, QString("Are you sure you want to remove all source files?"));
            QCOMPARE(messages.Last().style, platform::MsgStyle::Question);
            QCOMPARE(page.m_list->RowCount(), 2);
            sheet.EndDialog(0);
        });
        QCOMPARE(Rows(f).size(), 2);

        CSourceLibPropSheet again("Source library", nullptr, 1);
        messages.Answer(platform::IDYES);
        test::RunModal(again, [&] {
            again.m_listPage.m_btnRemoveAll->click();
            QCOMPARE(again.m_listPage.m_list->RowCount(), 0);
            QCOMPARE(again.m_listPage.m_list->columnCount(), 6);
            again.EndDialog(0);
        });
        QVERIFY(Rows(f).isEmpty());
    }

    void OpenStartsTheEditorOrTheAssociatedApplicationInTheFilesFolder_data()
    {
        QTest::addColumn<QString>("openWith");
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("call");
        QTest::newRow("default editor") << "txt" << "notepad" << "/home/me/my src/main file.c"
                                        << "OpenInDefaultEditor(/home/me/my src/main file.c |  | /home/me/my src)";
        QTest::newRow("custom editor, path quoted")
            << "txt" << "/opt/my editor/ed" << "/home/me/my src/main file.c"
            << "ShellExecute(/opt/my editor/ed | \"/home/me/my src/main file.c\" | /home/me/my src)";
        QTest::newRow("a file at the root") << "txt" << "/usr/bin/ed" << "/a.pas" << "ShellExecute(/usr/bin/ed | \"/a.pas\" | /)";
        QTest::newRow("associated application") << "assoc_app" << "notepad" << "/doc/guide.pdf"
                                                << "ShellExecute(/doc/guide.pdf |  | /doc)";
        QTest::newRow("only the exact txt means the editor") << "TXT" << "notepad" << "/doc/notes.TXT"
                                                             << "ShellExecute(/doc/notes.TXT |  | /doc)";
    }

    void OpenStartsTheEditorOrTheAssociatedApplicationInTheFilesFolder()
    {
        QFETCH(QString, openWith);
        QFETCH(QString, editor);
        QFETCH(QString, path);
        QFETCH(QString, call);
        ServiceFixture f;
        f.main.m_strEditorPath = editor;
        Add(f, "/elsewhere/other.c", data::kOpenWithAssociated);
        Add(f, path, openWith);
        MessageRecorder messages;
        CSourceLibPropSheet sheet("Source library", nullptr, 1);
        test::RunModal(sheet, [&] {
            SelectByPath(sheet.m_listPage.m_list, path);
            sheet.m_listPage.m_btnOpen->click();
            QCOMPARE(Calls(f), QStringList{call});
            QVERIFY(sheet.isVisible());

            // The desktop cannot start it: its reason is shown and the sheet stays open.
            f.fakes.shell->failWith = "ed: No such file or directory";
            sheet.m_listPage.m_btnOpen->click();
            QCOMPARE(messages.Count(), 1);
            QCOMPARE(messages.Last().text, QString("Quillbox could not open %1:\ned: No such file or directory").arg(path));
            QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
            QVERIFY(sheet.isVisible());
            sheet.EndDialog(5);
        });
    }

    void DoubleClickOpensTheRowAndClosesTheSheet_data()
    {
        QTest::addColumn<bool>("onRow");
        QTest::newRow("on a row") << true;
        QTest::newRow("on empty space") << false;
    }

    void DoubleClickOpensTheRowAndClosesTheSheet()
    {
        QFETCH(bool, onRow);
        ServiceFixture f;
        Add(f, "/src/a.c", data::kOpenWithAssociated);
        Add(f, "/src/b.c", data::kOpenWithAssociated);
        CSourceLibPropSheet sheet("Source library", nullptr, 1);
        const int result = test::RunModal(sheet, [&] {
            CReportList* list = sheet.m_listPage.m_list;
            list->SelectRow(0); // a selection elsewhere is not what an empty-space click opens
            QTRY_VERIFY_WITH_TIMEOUT(list->viewport()->height() > 3 * list->visualItemRect(list->topLevelItem(1)).bottom(), 2000);
            const QPoint at = onRow ? list->visualItemRect(list->topLevelItem(1)).center()
                                    : QPoint(10, list->viewport()->height() - 5);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        });
        QCOMPARE(result, 0);
        QCOMPARE(Calls(f), onRow ? QStringList{"ShellExecute(/src/b.c |  | /src)"} : QStringList{});
    }

};

QTEST_MAIN(TestSourcePages)
#include "tst_SourcePages.moc"
