#include "ui/shortcuts/CShortcutsPropSheet.h"

CShortcutsPropSheet::CShortcutsPropSheet(const QString& caption, QWidget* parent, int selectPage)
    : CPropertySheet(caption, parent, selectPage)
{
    AddPage(&m_newPage);
    AddPage(&m_listPage);
}
