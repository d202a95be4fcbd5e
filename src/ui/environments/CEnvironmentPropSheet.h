#pragma once
// The "Environments" sheet: the New environment page (0) and the Environments page (1).
#include "ui/environments/CEnvPage.h"
#include "ui/environments/CNewEnvPage.h"
#include "ui/framework/CPropertySheet.h"

class CEnvironmentPropSheet : public CPropertySheet {
    Q_OBJECT
public:
    CEnvironmentPropSheet(const QString& caption, QWidget* parent, int selectPage);

    CNewEnvPage m_newPage;
    CEnvPage m_envPage;
};
