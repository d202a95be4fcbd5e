#include "ui/shortcuts/CAvailableShortcutsPage.h"

#include "core/CMain.h"
#include "data/CShortcut.h"
#include "platform/MessageBox.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CPropertySheet.h"
#include "ui/framework/CReportList.h"
#include "ui/framework/ModalLoop.h"
#include "ui/framework/RunHandler.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CAvailableShortcutsPage::CAvailableShortcutsPage(QWidget* parent)
    : CPropertyPage(QStringLiteral("Available shortcuts"), parent)
{
    m_list = new CReportList(this);
    m_btnInsert = new CIconButton(187, QStringLiteral("Insert text to clipboard"), this);
    m_btnRemove = new CIconButton(152, QStringLiteral("Delete shortcut"), this);
    m_btnRemoveAll = new CIconButton(163, QStringLiteral("Remove all shortcuts"), this);

    LayOutListPage(m_list, {m_btnInsert, m_btnRemove, m_btnRemoveAll});

    ui::ConnectHandler(m_btnInsert, &CIconButton::clicked, this, &CAvailableShortcutsPage::OnInsertText);
    ui::ConnectHandler(m_btnRemove, &CIconButton::clicked, this, &CAvailableShortcutsPage::OnRemove);
    ui::ConnectHandler(m_btnRemoveAll, &CIconButton::clicked, this, &CAvailableShortcutsPage::OnRemoveAll);
}

bool CAvailableShortcutsPage::OnSetActive()
{
    Fill();
    return true;
}

void CAvailableShortcutsPage::Fill()
{
    m_list->SetColumns({{QStringLiteral("Shortcut"), 1, 6}, {QStringLiteral("Description"), 2, 6},
                        {QStringLiteral("Text"), 3, 6}});
    while (ShortcutRecord* record = GetMain()->GetNextShortcut())
        m_list->AddRow({record->shortcut, record->desc, record->text});
    if (CPropertySheet* sheet = Sheet()) {
        sheet->raise();
        sheet->activateWindow();
    }
}

void CAvailableShortcutsPage::OnRemove()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    if (GetMain()->RemoveShortcut(m_list->Text(row, 0)))
        Fill();
}

void CAvailableShortcutsPage::OnRemoveAll()
{
    if (platform::ShowMessage(QStringLiteral("Are you sure you want to delete all shortcuts?"),
                              platform::MsgStyle::Question)
        != platform::IDYES)
        return;
    GetMain()->RemoveAllShortcuts();
    Fill();
}

void CAvailableShortcutsPage::OnInsertText()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    GetMain()->Platform().clipboardWriter->SetText(m_list->Text(row, 2));
    if (CPropertySheet* sheet = Sheet())
        sheet->EndDialog(ui::IDQUIT);
}

void CAvailableShortcutsPage::OnCancel()
{
    CMain* main = GetMain();
    if (main->m_pPrevForegroundWnd)
        main->Platform().foreground->SetForegroundWindow(main->m_pPrevForegroundWnd);
}
