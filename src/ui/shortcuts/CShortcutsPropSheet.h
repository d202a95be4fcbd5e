#pragma once
// The "Shortcuts" sheet: the New shortcut page (0) and the Available shortcuts page (1).
#include "ui/framework/CPropertySheet.h"
#include "ui/shortcuts/CAvailableShortcutsPage.h"
#include "ui/shortcuts/CNewShortcutPage.h"

class CShortcutsPropSheet : public CPropertySheet {
    Q_OBJECT
public:
    CShortcutsPropSheet(const QString& caption, QWidget* parent, int selectPage);

    CNewShortcutPage m_newPage;
    CAvailableShortcutsPage m_listPage;
};
