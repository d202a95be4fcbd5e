#pragma once
// The New shortcut page: a shortcut (at most 12 characters), a description and the text it expands
// to. With the shortcut left empty, a free name is made from the beginning of the text.
#include "ui/framework/CPropertyPage.h"

class CIconButton;
class QLineEdit;
class QPlainTextEdit;

class CNewShortcutPage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CNewShortcutPage(QWidget* parent = nullptr);

    void OnAdd();

    QLineEdit* m_editShortcut = nullptr;
    QLineEdit* m_editDesc = nullptr;
    QPlainTextEdit* m_editText = nullptr;
    CIconButton* m_btnAdd = nullptr;

};
