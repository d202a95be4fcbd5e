#pragma once
// The New environment page: a name, a description and the applications collected with the
// Application properties dialog; Add Environment stores them together.
#include "ui/framework/CPropertyPage.h"

class CIconButton;
class CReportList;
class QLineEdit;
class QPlainTextEdit;

class CNewEnvPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CNewEnvPage(QWidget* parent = nullptr);

    // Asks for one application and appends it to the list.
    void OnNew();
    // Removes the selected application from the list.
    void OnRemove();
    // Stores the environment with every application of the list, then empties the page.
    void OnAddEnvironment();

    QLineEdit* m_editName = nullptr;
    QPlainTextEdit* m_editDesc = nullptr;
    CReportList* m_list = nullptr;
    CIconButton* m_btnNew = nullptr;
    CIconButton* m_btnRemove = nullptr;
    CIconButton* m_btnAddEnvironment = nullptr;

    // Columns of the applications list.
    enum Column { FileNameColumn, NameColumn, CmdLineColumn, PathColumn };

protected:
    bool OnSetActive() override;

private:
    // The columns are made once: the applications collected so far survive a visit to the other page.
    bool m_bFirstActivation = true;
};
