#include "ui/environments/CEnvPage.h"

#include "core/CMain.h"
#include "data/Environments.h"
#include "platform/MessageBox.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CPropertySheet.h"
#include "ui/framework/CReportList.h"
#include "ui/framework/ModalLoop.h"
#include "ui/framework/RunHandler.h"

#include <QHBoxLayout>
#include <QVBoxLayout>


CEnvPage::CEnvPage(QWidget* parent)
    : CPropertyPage(QStringLiteral("Environments"), parent)
{
    m_list = new CReportList(this);
    m_list->SetMultiSelection(true);
    m_btnRemove = new CIconButton(152, QStringLiteral("Delete environment"), this);
    m_btnRemoveAll = new CIconButton(163, QStringLiteral("Remove all environments"), this);

    LayOutListPage(m_list, {m_btnRemove, m_btnRemoveAll});

    ui::ConnectHandler(m_btnRemove, &CIconButton::clicked, this, &CEnvPage::OnRemove);
    ui::ConnectHandler(m_btnRemoveAll, &CIconButton::clicked, this, &CEnvPage::OnRemoveAll);
    connect(m_list, &CReportList::RowDoubleClicked, this,
            [this](int row) { ui::RunHandler([this, row] { OnDoubleClick(row); }); });
}

bool CEnvPage::OnSetActive()
{
    Fill();
    return true;
}

void CEnvPage::Fill()
{
    m_list->SetColumns({{QStringLiteral("Name"), 1, 4},
                        {QStringLiteral("Description"), 3, 4},
                        {QStringLiteral("ID"), 0, 1}});
    for (const data::EnvRecord& env : GetMain()->GetEnvironments())
        m_list->AddRow({env.name, env.desc, QString::number(env.id)});
    if (CPropertySheet* sheet = Sheet()) {
        sheet->raise();
        sheet->activateWindow();
    }
}

std::optional<int> CEnvPage::SelectedEnvironment() const
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return std::nullopt;
    return m_list->Text(row, IdColumn).toInt();
}

void CEnvPage::OnDoubleClick(int row)
{
    if (row < 0)
        return;
    const std::optional<int> envId = SelectedEnvironment();
    if (!envId)
        return;
    // Reported once every application has been handed over, so that none waits for the user.
    for (const QString& failure : GetMain()->LaunchEnvironment(*envId))
        platform::ShowMessage(failure, platform::MsgStyle::Exclamation);
    if (CPropertySheet* sheet = Sheet())
        sheet->EndDialog(ui::IDQUIT);
}

void CEnvPage::OnRemove()
{
    const std::optional<int> envId = SelectedEnvironment();
    if (!envId)
        return;
    GetMain()->RemoveEnvironment(*envId);
    Fill();
}

void CEnvPage::OnRemoveAll()
{
    if (platform::ShowMessage(QStringLiteral("Are you sure you want to remove all environment items?"),
                              platform::MsgStyle::Question)
        != platform::IDYES)
        return;
    GetMain()->RemoveAllEnvironments();
    Fill();
}
