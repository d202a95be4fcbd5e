#pragma once
// The Available shortcuts page: every shortcut with its description and text; remove one or all,
// sort by a column, or put a shortcut's text on the clipboard.
#include "ui/framework/CPropertyPage.h"

class CIconButton;
class CReportList;

class CAvailableShortcutsPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CAvailableShortcutsPage(QWidget* parent = nullptr);

    void Fill();
    void OnRemove();
    void OnRemoveAll();
    void OnInsertText();

    CReportList* m_list = nullptr;
    CIconButton* m_btnInsert = nullptr;
    CIconButton* m_btnRemove = nullptr;
    CIconButton* m_btnRemoveAll = nullptr;

protected:
    bool OnSetActive() override;
    void OnCancel() override;
};
