#include "ui/sources/CSourceLibPropSheet.h"

CSourceLibPropSheet::CSourceLibPropSheet(const QString& caption, QWidget* parent, int selectPage)
    : CPropertySheet(caption, parent, selectPage)
{
    AddPage(&m_newPage);
    AddPage(&m_listPage);
}
