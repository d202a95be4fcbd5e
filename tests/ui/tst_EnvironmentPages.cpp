// The environments service: what the Application properties dialog and the New environment page
// refuse, with the messages a user reads, keeping what was typed.
#include "ModalRun.h"
#include "ServiceFixture.h"
#include "data/Environments.h"
#include "ui/MessageRecorder.h"
#include "ui/environments/CAppPropertiesDlg.h"
#include "ui/environments/CEnvironmentPropSheet.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

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

QStringList Texts(const MessageRecorder& messages)
{
    QStringList texts;
    for (const auto& message : messages.Messages())
        texts << message.text;
    return texts;
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

};

QTEST_MAIN(TestEnvironmentPages)
#include "tst_EnvironmentPages.moc"
