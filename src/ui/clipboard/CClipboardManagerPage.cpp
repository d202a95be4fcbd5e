#include "ui/clipboard/CClipboardManagerPage.h"

#include "core/CMain.h"
#include "data/CClipboard.h"
#include "data/Text.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CPropertySheet.h"
#include "ui/framework/CReportList.h"
#include "ui/framework/ModalLoop.h"
#include "ui/framework/RunHandler.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// How an item reads in the list: one line, at most this many characters of it.
constexpr int PreviewChars = 256;

QString Preview(const QString& text)
{
    return data::OneLinePreview(text, PreviewChars);
}

} // namespace

CClipboardManagerPage::CClipboardManagerPage(QWidget* parent)
    : CPropertyPage(QStringLiteral("Clipboard manager"), parent)
{
    m_list = new CReportList(this);
    m_btnInsert = new CIconButton(183, QStringLiteral("Insert text"), this);
    m_btnDelete = new CIconButton(152, QStringLiteral("Delete clipboard item"), this);
    m_btnRemoveAll = new CIconButton(163, QStringLiteral("Remove all clipboard items"), this);
    m_btnLoad = new CIconButton(195, QStringLiteral("Load clipboard"), this);
    m_btnSave = new CIconButton(196, QStringLiteral("Save clipboard"), this);

    LayOutListPage(m_list, {m_btnInsert, m_btnDelete, m_btnRemoveAll, m_btnLoad, m_btnSave});

    auto guarded = [this](void (CClipboardManagerPage::*handler)()) {
        return [this, handler] { ui::RunHandler([this, handler] { (this->*handler)(); }); };
    };
    connect(m_btnInsert, &CIconButton::clicked, this, guarded(&CClipboardManagerPage::OnInsertText));
    connect(m_btnDelete, &CIconButton::clicked, this, guarded(&CClipboardManagerPage::OnDelete));
    connect(m_btnRemoveAll, &CIconButton::clicked, this, guarded(&CClipboardManagerPage::OnRemoveAll));
    connect(m_btnLoad, &CIconButton::clicked, this, guarded(&CClipboardManagerPage::OnLoad));
    connect(m_btnSave, &CIconButton::clicked, this, guarded(&CClipboardManagerPage::OnSave));
    connect(m_list, &CReportList::RowDoubleClicked, this, [this](int row) {
        if (row >= 0)
            ui::RunHandler([this] { OnInsertText(); });
    });
}

bool CClipboardManagerPage::OnSetActive()
{
    Fill();
    // Enter pastes the selected item: Insert text is the page's default button.
    m_btnInsert->setDefault(true);
    if (m_list->RowCount() > 0 && m_list->SelectedRow() < 0)
        m_list->SelectRow(m_list->RowCount() - 1);
    m_list->setFocus();
    return true;
}

void CClipboardManagerPage::Fill()
{
    m_list->SetColumns({{QStringLiteral("Text"), 1, 1}, {QStringLiteral("ID"), 0, 1}});
    // Every item is listed, a text that reads "FAIL" included, so the list is filled by count.
    const CClipboard* history = GetMain()->m_pClipboard;
    for (int i = 0; i < history->Count(); ++i)
        m_list->AddRow({Preview(history->At(i).m_strText), QString::number(i)});
    if (CPropertySheet* sheet = Sheet()) {
        sheet->raise();
        sheet->activateWindow();
    }
}

int CClipboardManagerPage::SelectedItem() const
{
    const int row = m_list->SelectedRow();
    return row < 0 ? -1 : m_list->Text(row, 1).toInt();
}

void CClipboardManagerPage::OnInsertText()
{
    const int item = SelectedItem();
    if (item < 0)
        return;
    CMain* main = GetMain();
    const QString text = main->m_pClipboard->At(item).m_strText;
    main->Platform().clipboardWriter->SetText(text);
    // Pasted only into a window recorded when the keys opened the sheet; opened from the tray menu,
    // the text waits on the clipboard for the user to paste it.
    if (main->m_pPrevForegroundWnd)
        main->PasteIntoWindow(main->m_pPrevForegroundWnd);
    if (CPropertySheet* sheet = Sheet())
        sheet->EndDialog(ui::IDQUIT);
    // Counted once the text is pasted whole: a shortcut that cannot be made from it never cuts the
    // paste short.
    main->UseClipboardItem(item);
}

void CClipboardManagerPage::OnOK()
{
    // Close with a row selected pastes it.
    OnInsertText();
}

void CClipboardManagerPage::OnDelete()
{
    const int item = SelectedItem();
    if (item < 0)
        return;
    GetMain()->DeleteClipboardItem(item);
    Fill();
}

void CClipboardManagerPage::OnRemoveAll()
{
    if (platform::ShowMessage(QStringLiteral("Are you sure you want to remove all records from the clipboard?"),
                              platform::MsgStyle::Question)
        != platform::IDYES)
        return;
    GetMain()->DeleteAllClipboardItems();
    Fill();
}

void CClipboardManagerPage::OnLoad()
{
    GetMain()->LoadClipboard();
    Fill();
}

void CClipboardManagerPage::OnSave()
{
    GetMain()->SaveClipboard();
    Fill();
}
