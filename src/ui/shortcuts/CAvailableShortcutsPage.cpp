#include "ui/shortcuts/CAvailableShortcutsPage.h"

#include "app/CMain.h"
#include "data/CShortcut.h"
#include "platform/Messages.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CPropertySheet.h"
#include "ui/framework/CReportList.h"
#include "ui/framework/Clipboard.h"
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

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_btnInsert);
    buttons->addWidget(m_btnRemove);
    buttons->addWidget(m_btnRemoveAll);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_btnInsert, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnInsertText(); }); });
    connect(m_btnRemove, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnRemove(); }); });
    connect(m_btnRemoveAll, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnRemoveAll(); }); });
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
    ui::SetClipboardText(m_list->Text(row, 2));
    if (CPropertySheet* sheet = Sheet())
        sheet->EndDialog(ui::IDQUIT);
}

void CAvailableShortcutsPage::OnCancel()
{
    CMain* main = GetMain();
    if (main->m_pPrevForegroundWnd)
        main->Platform().foreground->SetForegroundWindow(main->m_pPrevForegroundWnd);
}
