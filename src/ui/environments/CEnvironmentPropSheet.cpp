#include "ui/environments/CEnvironmentPropSheet.h"

CEnvironmentPropSheet::CEnvironmentPropSheet(const QString& caption, QWidget* parent, int selectPage)
    : CPropertySheet(caption, parent, selectPage)
{
    AddPage(&m_newPage);
    AddPage(&m_envPage);
}
