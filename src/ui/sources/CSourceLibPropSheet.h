#pragma once
// The "Source library" sheet: the New source file page (0) and the Available sources page (1).
#include "ui/framework/CPropertySheet.h"
#include "ui/sources/CNewSourcePage.h"
#include "ui/sources/CViewSourcesPage.h"

class CSourceLibPropSheet : public CPropertySheet {
    Q_OBJECT
public:
    CSourceLibPropSheet(const QString& caption, QWidget* parent, int selectPage);

    CNewSourcePage m_newPage;
    CViewSourcesPage m_listPage;
};
