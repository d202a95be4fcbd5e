#pragma once
// The New source file page: a file's language, category, description and path, and whether it is
// opened in the text editor or in the application the desktop associates with it. Add checks the
// entries, stores one row and clears the page for the next file.
#include "ui/framework/CPropertyPage.h"

class CIconButton;
class QComboBox;
class QLineEdit;
class QRadioButton;

class CNewSourcePage : public CPropertyPage {
    Q_OBJECT
public:
    explicit CNewSourcePage(QWidget* parent = nullptr);

    void OnAdd();
    void OnBrowse();

    QComboBox* m_comboLang = nullptr;
    QLineEdit* m_editCategory = nullptr;
    QLineEdit* m_editDesc = nullptr;
    QLineEdit* m_editPath = nullptr;
    CIconButton* m_btnBrowse = nullptr;
    CIconButton* m_btnAdd = nullptr;
    QRadioButton* m_radioEditor = nullptr;
    QRadioButton* m_radioAssoc = nullptr;

private:
    void Clear();
};
