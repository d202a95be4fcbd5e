#pragma once
// The "Clipboard" sheet: the New clipboard text page (0) and the Clipboard manager page (1).
#include "ui/clipboard/CClipboardManagerPage.h"
#include "ui/clipboard/CNewClipboardPage.h"
#include "ui/framework/CPropertySheet.h"

class CClipboardPropSheet : public CPropertySheet {
    Q_OBJECT
public:
    CClipboardPropSheet(const QString& caption, QWidget* parent, int selectPage);

    CNewClipboardPage m_newPage;
    CClipboardManagerPage m_managerPage;
};
