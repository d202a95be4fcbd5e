#include "ui/clipboard/CClipboardPropSheet.h"

CClipboardPropSheet::CClipboardPropSheet(const QString& caption, QWidget* parent, int selectPage)
    : CPropertySheet(caption, parent, selectPage)
{
    AddPage(&m_newPage);
    AddPage(&m_managerPage);
}
