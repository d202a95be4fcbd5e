#include "ui/environments/CAppPropertiesDlg.h"

#include "data/ColumnWidths.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/TextLimit.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CAppPropertiesDlg::CAppPropertiesDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Application properties"));
    m_editPath = new QLineEdit(this);
    ui::LimitChars(m_editPath, data::kAppPathWidth);
    m_editPath->setMinimumWidth(320);
    m_btnBrowse = new CIconButton(151, QStringLiteral("Browse"), this);
    m_btnBrowse->setAutoDefault(false);
    m_editCmdLine = new QLineEdit(this);
    ui::LimitChars(m_editCmdLine, data::kAppCmdLineWidth);
    m_editName = new QLineEdit(this);
    ui::LimitChars(m_editName, data::kAppNameWidth);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* grid = new QGridLayout(this);
    int row = 0;
    auto addRow = [&](const QString& text, QWidget* edit) {
        auto* label = new QLabel(text, this);
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    };
    addRow(QStringLiteral("Path:"), m_editPath);
    grid->addWidget(m_btnBrowse, 0, 2);
    addRow(QStringLiteral("Command line:"), m_editCmdLine);
    addRow(QStringLiteral("Application name:"), m_editName);
    grid->addWidget(m_buttons, row, 0, 1, 3);
    grid->setColumnStretch(1, 1);

    connect(m_btnBrowse, &CIconButton::clicked, this, &CAppPropertiesDlg::OnBrowse);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CAppPropertiesDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CAppPropertiesDlg::reject);
}

void CAppPropertiesDlg::OnBrowse()
{
    // Programs here have no extension to filter on: both entries list every file.
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                      QStringLiteral("Program files (*);;All files (*)"));
    // A path the field cannot hold whole is refused, not cut: the path typed so far stays.
    if (!file.isEmpty() && ui::CheckWidths({{QStringLiteral("Path"), file, data::kAppPathWidth}}))
        m_editPath->setText(QDir::toNativeSeparators(file));
}

void CAppPropertiesDlg::accept()
{
    const QString path = m_editPath->text();
    if (path.isEmpty()) {
        platform::ShowMessage(QStringLiteral("Please type in application's path."), platform::MsgStyle::Exclamation);
        m_editPath->setFocus();
        return;
    }
    // The file need not exist yet; it only has to be named with its folder.
    if (!platform::IsApplicationPathValid(path)) {
        platform::ShowMessage(QStringLiteral("Invalid path"), platform::MsgStyle::Exclamation);
        m_editPath->setFocus();
        return;
    }
    m_strPath = path;
    m_strFileName = platform::FileNameOf(path);
    m_strName = m_editName->text();
    m_strCmdLine = m_editCmdLine->text();
    QDialog::accept();
}
