#pragma once
// The Environments page: every stored environment; a double click starts all its applications and
// closes the sheet. Remove one or all environments, sort by a column.
#include "ui/framework/CPropertyPage.h"

#include <optional>

class CIconButton;
class CReportList;

class CEnvPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CEnvPage(QWidget* parent = nullptr);

    // Makes the columns and lists the environments of the data file.
    void Fill();
    // A double click on row (-1 on empty space): starts the first selected environment.
    void OnDoubleClick(int row);
    void OnRemove();
    void OnRemoveAll();

    CReportList* m_list = nullptr;
    CIconButton* m_btnRemove = nullptr;
    CIconButton* m_btnRemoveAll = nullptr;

    enum Column { NameColumn, DescColumn, IdColumn };

protected:
    bool OnSetActive() override;

private:
    // The id of the first selected environment; none when no row is selected.
    std::optional<int> SelectedEnvironment() const;
};
