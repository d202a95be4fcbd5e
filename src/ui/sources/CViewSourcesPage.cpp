#include "ui/sources/CViewSourcesPage.h"

#include "core/CMain.h"
#include "data/SourceLibrary.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CPropertySheet.h"
#include "ui/framework/CReportList.h"
#include "ui/framework/ModalLoop.h"
#include "ui/framework/RunHandler.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CViewSourcesPage::CViewSourcesPage(QWidget* parent)
    : CPropertyPage(QStringLiteral("Available sources"), parent)
{
    m_list = new CReportList(this);
    m_list->setMinimumWidth(400);
    m_btnOpen = new CIconButton(166, QStringLiteral("Open source file"), this);
    m_btnExplore = new CIconButton(165, QStringLiteral("Explore"), this);
    m_btnDelete = new CIconButton(152, QStringLiteral("Remove source file from library"), this);
    m_btnRemoveAll = new CIconButton(163, QStringLiteral("Remove all items"), this);

    LayOutListPage(m_list, {m_btnOpen, m_btnExplore, m_btnDelete, m_btnRemoveAll});

    ui::ConnectHandler(m_btnOpen, &CIconButton::clicked, this, &CViewSourcesPage::OnOpen);
    ui::ConnectHandler(m_btnExplore, &CIconButton::clicked, this, &CViewSourcesPage::OnExplore);
    ui::ConnectHandler(m_btnDelete, &CIconButton::clicked, this, &CViewSourcesPage::OnDelete);
    ui::ConnectHandler(m_btnRemoveAll, &CIconButton::clicked, this, &CViewSourcesPage::OnRemoveAll);
    connect(m_list, &CReportList::RowDoubleClicked, this,
            [this](int row) { ui::RunHandler([this, row] { OnDblclkList(row); }); });
}

bool CViewSourcesPage::OnSetActive()
{
    Fill();
    // The arrows choose a file at once and Tab reaches the buttons, also when the list key opened
    // the sheet over another application.
    m_list->setFocus();
    return true;
}

void CViewSourcesPage::Fill()
{
    m_list->SetColumns({{QStringLiteral("Language"), 1, 4},
                        {QStringLiteral("Category"), 1, 4},
                        {QStringLiteral("Filename"), 1, 4},
                        {QStringLiteral("Description"), 1, 4},
                        {QStringLiteral("ID"), 0, 1},
                        {QStringLiteral("Path"), 0, 1}});
    for (const data::SourceRecord& record : GetMain()->GetSources())
        m_list->AddRow({record.lang, record.field, record.fileName, record.desc, QString::number(record.id), record.path});
    if (CPropertySheet* sheet = Sheet()) {
        sheet->raise();
        sheet->activateWindow();
    }
}

void CViewSourcesPage::OnOpen()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    const QString path = m_list->Text(row, ColPath);
    QString error;
    if (!GetMain()->OpenSource(m_list->Text(row, ColId).toInt(), path, &error))
        platform::ReportCannotOpen(path, error);
}

void CViewSourcesPage::OnExplore()
{
    const int row = m_list->SelectedRow();
    const QString folder = platform::FolderToExplore(row < 0 ? QString() : m_list->Text(row, ColPath));
    QString error;
    if (!GetMain()->Platform().shell->Explore(folder, &error))
        platform::ReportCannotOpen(folder.isEmpty() ? QStringLiteral("the file manager") : folder, error);
}

void CViewSourcesPage::OnDelete()
{
    const int row = m_list->SelectedRow();
    if (row < 0)
        return;
    GetMain()->DeleteSource(m_list->Text(row, ColId).toInt());
    Fill();
}

void CViewSourcesPage::OnRemoveAll()
{
    if (platform::ShowMessage(QStringLiteral("Are you sure you want to remove all source files?"),
                              platform::MsgStyle::Question)
        != platform::IDYES)
        return;
    GetMain()->DeleteAllSources();
    Fill();
}

void CViewSourcesPage::OnDblclkList(int row)
{
    // Empty space opens nothing; the sheet closes all the same.
    if (row >= 0) {
        m_list->SelectRow(row);
        OnOpen();
    }
    if (CPropertySheet* sheet = Sheet())
        sheet->EndDialog(ui::IDQUIT);
}

void CViewSourcesPage::OnCancel()
{
    CMain* main = GetMain();
    if (main->m_pPrevForegroundWnd)
        main->Platform().foreground->SetForegroundWindow(main->m_pPrevForegroundWnd);
}
