// The source library's and the environments' pages: the messages a user reads when something is
// missing or wrong, with what was typed kept; Open starting a file through the desktop in its folder,
// or saying why it could not.
#include "ModalRun.h"
#include "ServiceFixture.h"
#include "data/Environments.h"
#include "data/SourceLibrary.h"
#include "ui/MessageRecorder.h"
#include "data/DataFile.h"
#include "ui/environments/CAppPropertiesDlg.h"
#include "ui/shortcuts/CNewShortcutPage.h"
#include "ui/environments/CEnvironmentPropSheet.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"
#include "ui/sources/CSourceLibPropSheet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

using platform::FakeShell;

namespace {

int Add(ServiceFixture& f, const QString& path, const QString& openWith = data::kOpenWithEditor,
        const QString& field = "tools", const QString& lang = "C")
{
    return data::AddSource(f.main.m_strDatabase, {0, lang, field, "", path, openWith, {}});
}

// The shell calls as text, so that a failure shows what was asked.
QStringList Calls(ServiceFixture& f)
{
    static const char* const names[] = {"ShellExecute", "Explore", "OpenInDefaultEditor", "OpenDocument"};
    QStringList calls;
    for (const FakeShell::Call& call : f.fakes.shell->calls)
        calls << QString("%1(%2 | %3 | %4)").arg(names[int(call.operation)], call.file, call.parameters, call.directory);
    return calls;
}

void SelectByPath(CReportList* list, const QString& path)
{
    for (int row = 0; row < list->RowCount(); ++row)
        if (list->Text(row, CViewSourcesPage::ColPath) == path)
            list->SelectRow(row);
}

// The next Application properties dialog gets these values and is ended with OK or Cancel.
void AnswerAppDialog(const QString& path, const QString& cmdLine, const QString& name, bool ok = true)
{
    test::WhenOpen<CAppPropertiesDlg>([=](CAppPropertiesDlg* dialog) {
        dialog->m_editPath->setText(path);
        dialog->m_editCmdLine->setText(cmdLine);
        dialog->m_editName->setText(name);
        dialog->m_buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
}

QStringList Texts(const MessageRecorder& messages)
{
    QStringList texts;
    for (const auto& message : messages.Messages())
        texts << message.text;
    return texts;
}

} // namespace

class TestPages : public QObject {
    Q_OBJECT

private slots:
    void AddRefusesWhatIsMissingInOrderAndKeepsWhatWasTyped()
    {
        const struct {
            QString lang, category, path, message;
        } cases[] = {
            {"", "tools", "/a.c", "Please select a language from the combo box."},
            {"Java", "", "/a.c", "Please select a category."},
            {"Java", "tools", "", "Please select a file."},
            {"Java", "tools", "/src/" + QString(31, 'n'),
             "The file name in \"File path\" can hold at most 30 characters; it has 31. Please choose a file with a shorter name."},
        };
        for (const auto& c : cases) {
            ServiceFixture f;
            MessageRecorder messages;
            CNewSourcePage page;
            page.m_comboLang->setEditText(c.lang);
            page.m_editCategory->setText(c.category);
            page.m_editDesc->setText("kept");
            page.m_editPath->setText(c.path);
            page.m_radioAssoc->setChecked(true);
            page.OnAdd();
            QCOMPARE(Texts(messages), QStringList{c.message});
            QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
            QVERIFY(data::LoadSources(f.main.m_strDatabase).isEmpty());
            QCOMPARE(QStringList({page.m_comboLang->currentText(), page.m_editCategory->text(), page.m_editDesc->text(),
                                  page.m_editPath->text()}),
                     QStringList({c.lang, c.category, "kept", c.path}));
            QVERIFY(page.m_radioAssoc->isChecked());
        }
    }

    // Every edit takes, typed or pasted, no more than the data file's column keeps.
    void EditsTakeNoMoreThanTheirColumns()
    {
        ServiceFixture f;
        CNewShortcutPage shortcut;
        CNewSourcePage source;
        CNewEnvPage environment;
        CAppPropertiesDlg application;
        const QList<std::tuple<QWidget*, QString, QString>> fields = {
            {&shortcut, "Shortcut:", "s_shortcut"}, {&shortcut, "Description:", "s_desc"}, {&shortcut, "Text:", "s_text"},
            {&source, "Language:", "l_lang"}, {&source, "Category:", "l_field"}, {&source, "Description:", "l_desc"},
            {&source, "File path:", "l_path"}, {&environment, "Environment name:", "e_name"},
            {&environment, "Description:", "e_desc"}, {&application, "Path:", "a_path"},
            {&application, "Command line:", "a_cmdline"}, {&application, "Application name:", "a_name"}};
        for (const auto& [page, label, column] : fields) {
            QWidget* edit = nullptr;
            for (QLabel* candidate : page->findChildren<QLabel*>())
                edit = candidate->text() == label ? candidate->buddy() : edit;
            int width = 0;
            for (const data::ColumnLimit& limit : data::ColumnLimits())
                width = column == limit.column ? limit.width : width;
            const QString pasted = QString(width, 'x') + QString::fromUtf8("\U0001F600 over");
            auto* line = edit->inherits("QComboBox") ? edit->findChild<QLineEdit*>() : qobject_cast<QLineEdit*>(edit);
            auto* text = qobject_cast<QPlainTextEdit*>(edit);
            line ? line->insert(pasted) : text->insertPlainText(pasted);
            QCOMPARE(line ? line->text() : text->toPlainText(), QString(width, 'x'));
        }
    }

    void OpenStartsTheEditorOrTheAssociatedApplicationInTheFilesFolder()
    {
        const struct {
            QString openWith, editor, path, call;
        } cases[] = {
            {"txt", "notepad", "/home/me/my src/main file.c", "OpenInDefaultEditor(/home/me/my src/main file.c |  | /home/me/my src)"},
            {"txt", "/opt/my editor/ed", "/home/me/my src/main file.c",
             "ShellExecute(/opt/my editor/ed | \"/home/me/my src/main file.c\" | /home/me/my src)"},
            {"assoc_app", "notepad", "/doc/guide.pdf", "ShellExecute(/doc/guide.pdf |  | /doc)"},
            // Only the exact "txt" means the editor.
            {"TXT", "notepad", "/doc/notes.TXT", "ShellExecute(/doc/notes.TXT |  | /doc)"},
        };
        for (const auto& c : cases) {
            ServiceFixture f;
            f.main.m_strEditorPath = c.editor;
            Add(f, "/elsewhere/other.c", data::kOpenWithAssociated);
            Add(f, c.path, c.openWith);
            MessageRecorder messages;
            CSourceLibPropSheet sheet("Source library", nullptr, 1);
            test::RunModal(sheet, [&] {
                SelectByPath(sheet.m_listPage.m_list, c.path);
                sheet.m_listPage.m_btnOpen->click();
                QCOMPARE(Calls(f), QStringList{c.call});
                QVERIFY(sheet.isVisible());

                // The desktop cannot start it: its reason is shown and the sheet stays open.
                f.fakes.shell->failWith = "ed: No such file or directory";
                sheet.m_listPage.m_btnOpen->click();
                QCOMPARE(Texts(messages), QStringList{"Quillbox could not open " + c.path + ":\ned: No such file or directory"});
                QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
                QVERIFY(sheet.isVisible());
                sheet.EndDialog(5);
            });
        }
    }

    void NewPageRefusesWhatIsMissingAndKeepsEverything()
    {
        ServiceFixture f;
        MessageRecorder messages;
        CEnvironmentPropSheet sheet("Environments", nullptr, 0);
        CNewEnvPage& page = sheet.m_newPage;
        test::RunModal(sheet, [&] {
            page.m_btnAddEnvironment->click();
            page.m_editName->setText("dev");
            page.m_btnAddEnvironment->click();
            AnswerAppDialog("/usr/bin/make", "all", "Make");
            page.m_btnNew->click();

            // A data file that cannot be written: the boundary reports it, the page keeps all.
            page.m_editDesc->setPlainText(QString(60, 'd'));
            const QString db = f.main.m_strDatabase;
            f.main.m_strDatabase = f.workspace.File("gone/qbdat.dbf");
            page.m_btnAddEnvironment->click();
            f.main.m_strDatabase = db;
            QCOMPARE(page.m_editName->text(), QString("dev"));
            QCOMPARE(page.m_editDesc->toPlainText(), QString(60, 'd'));
            QCOMPARE(page.m_list->RowCount(), 1);
            sheet.EndDialog(0);
        });
        QCOMPARE(Texts(messages).mid(0, 2),
                 (QStringList{"You must select a name for this environment item.",
                              "You must select at least one application to create an environment."}));
        QCOMPARE(messages.Count(), 3);
        QVERIFY(messages.Last().text.contains("gone/qbdat.dbf"));
        for (const auto& message : messages.Messages())
            QCOMPARE(message.style, platform::MsgStyle::Exclamation);
        QVERIFY(data::LoadEnvironments(f.main.m_strDatabase).isEmpty());
    }

};

QTEST_MAIN(TestPages)
#include "tst_Pages.moc"
