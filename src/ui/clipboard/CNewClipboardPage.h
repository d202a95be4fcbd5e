#pragma once
// The New clipboard text page: a text typed here joins the clipboard history as a copied one would.
#include "ui/framework/CPropertyPage.h"

class CIconButton;
class QPlainTextEdit;

class CNewClipboardPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CNewClipboardPage(QWidget* parent = nullptr);

    void OnAdd();

    static constexpr int MaxText = 256;
    QPlainTextEdit* m_editText = nullptr;
    CIconButton* m_btnAdd = nullptr;
};
