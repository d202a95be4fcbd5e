// The environments service: the Application properties dialog, the New environment page, the
// Environments page with its launch, and the sheet opened from the main window.
#include "ModalRun.h"
#include "ServiceFixture.h"
#include "data/Environments.h"
#include "ui/MessageRecorder.h"
#include "ui/environments/CAppPropertiesDlg.h"
#include "ui/environments/CEnvironmentPropSheet.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

using Call = platform::FakeShell::Call;
using Op = platform::FakeShell::Operation;

namespace {

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

QStringList Column(const CReportList* list, int column)
{
    QStringList texts;
    for (int row = 0; row < list->RowCount(); ++row)
        texts << list->Text(row, column);
    return texts;
}

QStringList Texts(const MessageRecorder& messages)
{
    QStringList texts;
    for (const auto& message : messages.Messages())
        texts << message.text;
    return texts;
}

// The stored applications of environment envId as "path|command line", in the query's order.
QStringList Stored(const QString& db, int envId)
{
    QStringList list;
    for (const data::AppRecord& app : data::LoadApps(db, envId))
        list << app.path + "|" + app.cmdLine;
    return list;
}

void ClickHeader(CReportList* list, int column)
{
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 3, header->height() / 2));
}

} // namespace

class TestEnvironmentPages : public QObject {
    Q_OBJECT

private slots:
    void AppDialogAcceptsOnlyAPathWithItsFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("empty") << "" << "Please type in application's path." << "";
        QTest::newRow("a folder ending with a separator") << "C:\\Tools\\" << "" << "";
        QTest::newRow("a Linux path") << "/usr/bin/gedit" << "" << "gedit";
        QTest::newRow("a bare Linux name") << "gedit" << "Invalid path" << "";
    }

    void AppDialogAcceptsOnlyAPathWithItsFolder()
    {
        QFETCH(QString, path);
        QFETCH(QString, message);
        QFETCH(QString, fileName);
        MessageRecorder messages;
        CAppPropertiesDlg dialog;
        dialog.m_editPath->setText(path);
        dialog.m_editCmdLine->setText("-n 'my file.txt'");
        dialog.m_editName->setText("Editor");
        bool stayedOpen = false;
        const int result = test::RunModal(dialog, [&] {
            dialog.m_buttons->button(QDialogButtonBox::Ok)->click();
            stayedOpen = dialog.isVisible();
            if (stayedOpen)
                dialog.done(test::kTimedOut);
        });
        if (message.isEmpty()) {
            QCOMPARE(messages.Count(), 0);
            QCOMPARE(result, int(QDialog::Accepted));
            QCOMPARE((QStringList{dialog.m_strFileName, dialog.m_strName, dialog.m_strCmdLine, dialog.m_strPath}),
                     (QStringList{fileName, "Editor", "-n 'my file.txt'", path}));
        } else {
            QVERIFY(stayedOpen);
            QCOMPARE(Texts(messages), QStringList{message});
            QCOMPARE(messages.Last().style, platform::MsgStyle::Exclamation);
            QCOMPARE(dialog.m_editPath->text(), path); // kept to be corrected
        }
    }

    void BrowseFillsInTheChosenProgram()
    {
        Workspace workspace;
        const QString program = workspace.File("tool");
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        CAppPropertiesDlg dialog;
        test::WhenOpen<QFileDialog>([&](QFileDialog* chooser) {
            // Typed into the file name edit: selectFile() leaves that edit alone once it has the
            // focus, which the window gets at a moment of its own.
            auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
            QVERIFY(name);
            name->setText(program);
            QMetaObject::invokeMethod(chooser, "accept");
        });
        dialog.m_btnBrowse->click();
        QCOMPARE(dialog.m_editPath->text(), program);
    }

    void NewPageCollectsApplicationsAndStoresThemTogether()
    {
        ServiceFixture f;
        MessageRecorder messages;
        CEnvironmentPropSheet sheet("Environments", nullptr, 0);
        CNewEnvPage& page = sheet.m_newPage;
        CReportList* list = page.m_list;
        test::RunModal(sheet, [&] {
            AnswerAppDialog("/usr/bin/mousepad", "-n file.txt", "Editor");
            page.m_btnNew->click();
            AnswerAppDialog("C:\\Tools\\", "", "Tools");
            page.m_btnNew->click();
            AnswerAppDialog("/opt/x/cancelled", "", "No", false);
            page.m_btnNew->click();
            AnswerAppDialog("/usr/bin/xterm", "-e top", "Term");
            page.m_btnNew->click();
            QCOMPARE(Column(list, 0), (QStringList{"mousepad", "", "xterm"}));
            QCOMPARE(Column(list, 3), (QStringList{"/usr/bin/mousepad", "C:\\Tools\\", "/usr/bin/xterm"}));

            // Remove takes the selected row; nothing selected removes nothing.
            list->clearSelection();
            page.m_btnRemove->click();
            QCOMPARE(list->RowCount(), 3);
            list->SelectRow(1);
            page.m_btnRemove->click();
            AnswerAppDialog("/bin/sh", "-c 'echo it''s'", "Shell");
            page.m_btnNew->click();
            QCOMPARE(Column(list, 1), (QStringList{"Editor", "Term", "Shell"}));
            for (int row = 0; row < list->RowCount(); ++row)
                QCOMPARE(list->ItemData(row), row);

            // A visit to the other page keeps the rows and makes no second set of columns.
            sheet.SetActivePage(1);
            sheet.SetActivePage(0);
            QCOMPARE(list->columnCount(), 4);
            QCOMPARE(list->RowCount(), 3);

            page.m_editName->setText("Ada's work");
            page.m_editDesc->setPlainText("Editor, terminal and shell");
            page.m_btnAddEnvironment->click();
            // Emptied for the next environment.
            QVERIFY(page.m_editName->text().isEmpty() && page.m_editDesc->toPlainText().isEmpty());
            QCOMPARE(list->RowCount(), 0);

            // The list page shows it as soon as it is activated.
            sheet.SetActivePage(1);
            QCOMPARE(Column(sheet.m_envPage.m_list, 0), QStringList{"Ada's work"});
            sheet.EndDialog(0);
        });
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(Stored(f.main.m_strDatabase, 0),
                 (QStringList{"/usr/bin/mousepad|-n file.txt", "/usr/bin/xterm|-e top", "/bin/sh|-c 'echo it''s'"}));
    }

    void NewPageRefusesWhatIsMissingAndKeepsEverything()
    {
        ServiceFixture f;
        MessageRecorder messages;
        CEnvironmentPropSheet sheet("Environments", nullptr, 0);
        CNewEnvPage& page = sheet.m_newPage;
        test::RunModal(sheet, [&] {
            page.m_editDesc->setPlainText(QString(120, 'x'));
            QCOMPARE(page.m_editDesc->toPlainText().size(), 100); // the edit's own limit
            page.m_editDesc->setPlainText(QString(61, 'd'));
            page.m_btnAddEnvironment->click();
            page.m_editName->setText("dev");
            page.m_btnAddEnvironment->click();
            AnswerAppDialog("/usr/bin/make", "all", "Make");
            page.m_btnNew->click();
            page.m_btnAddEnvironment->click();

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
        QCOMPARE(Texts(messages).mid(0, 3),
                 (QStringList{"You must select a name for this environment item.",
                              "You must select at least one application to create an environment.",
                              "The description can hold at most 60 characters; it has 61. Please shorten it."}));
        QCOMPARE(messages.Count(), 4);
        QVERIFY(messages.Last().text.contains("gone/qbdat.dbf"));
        for (const auto& message : messages.Messages())
            QCOMPARE(message.style, platform::MsgStyle::Exclamation);
        QVERIFY(data::LoadEnvironments(f.main.m_strDatabase).isEmpty());
    }

    void DoubleClickStartsEveryApplicationInItsFolderAndCloses()
    {
        ServiceFixture f;
        MessageRecorder messages;
        const QString& db = f.main.m_strDatabase;
        data::AddEnvironment(db, "other", "", {{"o", "", "/opt/other/o"}});
        data::AddEnvironment(db, "work", "daily",
                             {{"ed", "-n file.txt", "/opt/ed/ed"}, {"true", "", "/usr/bin/true"},
                              {"tool", "-v", "C:\\Tools\\t.exe"}, {"root", "", "/init"}});
        CEnvironmentPropSheet sheet("Environments", nullptr, 1);
        CReportList* list = sheet.m_envPage.m_list;
        bool stayedOnEmptySpace = false;
        const int result = test::RunModal(sheet, [&] {
            QCOMPARE(Column(list, 1), (QStringList{"", "daily"}));
            // Empty space below the rows: nothing starts and the sheet stays.
            list->SelectRow(1);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, list->viewport()->height() - 3));
            stayedOnEmptySpace = sheet.isVisible() && f.fakes.shell->calls.isEmpty();
            const QPoint row = list->visualItemRect(list->topLevelItem(1)).center();
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row);
        });
        QVERIFY(stayedOnEmptySpace);
        QCOMPARE(result, 0);
        QVERIFY(!sheet.isVisible());
        QCOMPARE(messages.Count(), 0);
        QCOMPARE(f.fakes.shell->calls, (QList<Call>{{Op::ShellExecute, "/opt/ed/ed", "\"-n file.txt\"", "/opt/ed"},
                                                    {Op::ShellExecute, "/usr/bin/true", "", "/usr/bin"},
                                                    {Op::ShellExecute, "C:\\Tools\\t.exe", "\"-v\"", "C:\\Tools"},
                                                    {Op::ShellExecute, "/init", "", "/"}}));
    }

    void SeveralSelectedRowsUseTheFirstAfterSorting()
    {
        ServiceFixture f;
        MessageRecorder messages;
        const QString& db = f.main.m_strDatabase;
        for (const char* name : {"zeta", "Alpha", "beta"})
            data::AddEnvironment(db, name, "", {{name, "", QString("/bin/%1").arg(name)}});
        CEnvironmentPropSheet sheet("Environments", nullptr, 1);
        CReportList* list = sheet.m_envPage.m_list;
        const int result = test::RunModal(sheet, [&] {
            ClickHeader(list, 0); // byte-wise: capitals first
            QCOMPARE(Column(list, 0), (QStringList{"Alpha", "beta", "zeta"}));
            list->topLevelItem(2)->setSelected(true);
            list->topLevelItem(1)->setSelected(true);
            // Remove takes the first selected environment only, with its application.
            sheet.m_envPage.m_btnRemove->click();
            QCOMPARE(Column(list, 0), (QStringList{"zeta", "Alpha"}));
            QVERIFY(Stored(db, 2).isEmpty());

            // The launch reads the environment's id from the row, wherever sorting put it.
            ClickHeader(list, 0);
            list->topLevelItem(1)->setSelected(true);
            list->topLevelItem(0)->setSelected(true);
            emit list->RowDoubleClicked(1);
        });
        QCOMPARE(result, 0);
        QCOMPARE(f.fakes.shell->calls.size(), 1);
        QCOMPARE(f.fakes.shell->calls.first().file, QString("/bin/Alpha"));
    }

    void RemoveAllAsksFirst()
    {
        ServiceFixture f;
        MessageRecorder messages;
        const QString& db = f.main.m_strDatabase;
        data::AddEnvironment(db, "one", "", {{"a", "", "/bin/a"}});
        data::AddEnvironment(db, "two", "", {{"b", "", "/bin/b"}});
        CEnvironmentPropSheet sheet("Environments", nullptr, 1);
        CEnvPage& page = sheet.m_envPage;
        test::RunModal(sheet, [&] {
            page.m_btnRemoveAll->click();
            QCOMPARE(page.m_list->RowCount(), 2);
            QCOMPARE(Stored(db, 1), QStringList{"/bin/b|"});
            messages.Answer(platform::IDYES);
            page.m_btnRemoveAll->click();
            QCOMPARE(page.m_list->RowCount(), 0);
            sheet.EndDialog(0);
        });
        QCOMPARE(Texts(messages), QStringList(2, "Are you sure you want to remove all environment items?"));
        QCOMPARE(messages.Last().style, platform::MsgStyle::Question);
        QVERIFY(data::LoadEnvironments(db).isEmpty() && Stored(db, 0).isEmpty() && Stored(db, 1).isEmpty());
    }

    void TheListKeyOpensTheSheetAtTheEnvironmentsPage()
    {
        ServiceFixture f;
        QStringList seen;
        test::WhenOpen<CEnvironmentPropSheet>([&](CEnvironmentPropSheet* sheet) {
            seen << QString::number(sheet->GetActiveIndex());
            sheet->CloseButton()->click();
        });
        f.dlg->OnShowEnvironmentsMsg();
        QCOMPARE(seen, QStringList{"1"});
        QVERIFY(!f.dlg->IsSheetOpen(SheetKind::Environments));
    }
};

QTEST_MAIN(TestEnvironmentPages)
#include "tst_EnvironmentPages.moc"
