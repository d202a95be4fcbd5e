// The source library's windows: the New source file page's messages, and Open starting the file
// through the desktop in its folder, or saying why it could not.
#include "ServiceFixture.h"
#include "ModalRun.h"
#include "data/SourceLibrary.h"
#include "ui/MessageRecorder.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"
#include "ui/sources/CSourceLibPropSheet.h"

#include <QComboBox>
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

void SelectByPath(CReportList* list, const QString& path)
{
    list->SelectRow(int(Column(list, CViewSourcesPage::ColPath).indexOf(path)));
}

} // namespace

class TestSourcePages : public QObject {
    Q_OBJECT

private slots:
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

};

QTEST_MAIN(TestSourcePages)
#include "tst_SourcePages.moc"
