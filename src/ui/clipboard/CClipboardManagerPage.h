#pragma once
// The Clipboard manager page: the history's texts, oldest first. The chosen item is pasted into the
// application that was in front when the clipboard manager keys opened the sheet.
#include "ui/framework/CPropertyPage.h"

class CIconButton;
class CReportList;

class CClipboardManagerPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CClipboardManagerPage(QWidget* parent = nullptr);

    void Fill();
    void OnInsertText();
    void OnDelete();
    void OnRemoveAll();
    void OnLoad();
    void OnSave();

    CReportList* m_list = nullptr;
    CIconButton* m_btnInsert = nullptr;
    CIconButton* m_btnDelete = nullptr;
    CIconButton* m_btnRemoveAll = nullptr;
    CIconButton* m_btnLoad = nullptr;
    CIconButton* m_btnSave = nullptr;

protected:
    bool OnSetActive() override;
    void OnOK() override;

private:
    // The history position of the selected row (its hidden "ID"), or -1.
    int SelectedItem() const;
};
