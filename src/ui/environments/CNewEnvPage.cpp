#include "ui/environments/CNewEnvPage.h"

#include "core/CMain.h"
#include "data/Environments.h"
#include "platform/MessageBox.h"
#include "ui/environments/CAppPropertiesDlg.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"
#include "ui/framework/RunHandler.h"
#include "ui/framework/TextLimit.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

CNewEnvPage::CNewEnvPage(QWidget* parent)
    : CPropertyPage(QStringLiteral("New environment"), parent)
{
    m_editName = new QLineEdit(this);
    ui::LimitChars(m_editName, data::kEnvNameWidth);
    m_editDesc = new QPlainTextEdit(this);
    m_editDesc->setTabChangesFocus(true);
    m_editDesc->setFixedHeight(m_editDesc->fontMetrics().lineSpacing() * 3 + 12);
    m_btnNew = new CIconButton(153, QStringLiteral("Add an application"), this);
    m_btnRemove = new CIconButton(152, QStringLiteral("Remove application"), this);
    m_btnAddEnvironment = new CIconButton(153, QStringLiteral("Add environment"), this);
    auto* group = new QGroupBox(QStringLiteral("Applications"), this);
    m_list = new CReportList(group);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_list);

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_btnNew);
    buttons->addWidget(m_btnRemove);
    buttons->addStretch();
    auto* applications = new QHBoxLayout;
    applications->addWidget(group, 1);
    applications->addLayout(buttons);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(QStringLiteral("Environment name:"), m_editName), 0, 0);
    grid->addWidget(m_editName, 0, 1);
    grid->addWidget(m_btnAddEnvironment, 0, 2, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(label(QStringLiteral("Description:"), m_editDesc), 1, 0, Qt::AlignTop);
    grid->addWidget(m_editDesc, 1, 1, 1, 2);
    grid->addLayout(applications, 2, 0, 1, 3);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    // The description edit takes no more than the data file keeps, typed or pasted.
    ui::LimitChars(m_editDesc, data::kEnvDescWidth);
    connect(m_btnNew, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnNew(); }); });
    connect(m_btnRemove, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnRemove(); }); });
    connect(m_btnAddEnvironment, &CIconButton::clicked, this,
            [this] { ui::RunHandler([this] { OnAddEnvironment(); }); });
}

bool CNewEnvPage::OnSetActive()
{
    if (m_bFirstActivation) {
        m_bFirstActivation = false;
        m_list->SetColumns({{QStringLiteral("Filename"), 1, 3},
                            {QStringLiteral("Name"), 1, 3},
                            {QStringLiteral("CmdLine"), 1, 3},
                            {QStringLiteral("Path"), 0, 1}});
    }
    m_editName->setFocus();
    return true;
}

void CNewEnvPage::OnNew()
{
    CAppPropertiesDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_list->AddRow({dialog.m_strFileName, dialog.m_strName, dialog.m_strCmdLine, dialog.m_strPath});
}

void CNewEnvPage::OnRemove()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    // Built again from the rows that stay, so that every row's item data is its new position.
    QList<QStringList> kept;
    for (int other = 0; other < m_list->RowCount(); ++other) {
        if (other == row)
            continue;
        QStringList texts;
        for (int column = FileNameColumn; column <= PathColumn; ++column)
            texts << m_list->Text(other, column);
        kept << texts;
    }
    m_list->DeleteAllRows();
    for (const QStringList& texts : kept)
        m_list->AddRow(texts);
}

void CNewEnvPage::OnAddEnvironment()
{
    const QString name = m_editName->text();
    const QString desc = m_editDesc->toPlainText();
    if (name.isEmpty()) {
        platform::ShowMessage(QStringLiteral("You must select a name for this environment item."),
                              platform::MsgStyle::Exclamation);
        return;
    }
    if (m_list->RowCount() == 0) {
        platform::ShowMessage(QStringLiteral("You must select at least one application to create an environment."),
                              platform::MsgStyle::Exclamation);
        return;
    }
    if (!ui::CheckWidths({{QStringLiteral("Environment name"), name, data::kEnvNameWidth},
                          {QStringLiteral("Description"), desc, data::kEnvDescWidth}}))
        return;
    QList<data::AppRecord> apps;
    for (int row = 0; row < m_list->RowCount(); ++row)
        apps.append({m_list->Text(row, NameColumn), m_list->Text(row, CmdLineColumn), m_list->Text(row, PathColumn)});
    // A refused write throws before anything below: the page keeps what was typed.
    GetMain()->AddEnvironment(name, desc, apps);
    m_editName->clear();
    m_editDesc->clear();
    m_list->DeleteAllRows();
    m_editName->setFocus();
}
