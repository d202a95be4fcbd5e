#pragma once
// The Application properties dialog: one application of a new environment, its path (with a
// Browse button), its command line and a name. Ended with OK it hands back the four values below.
#include <QDialog>
#include <QString>

class CIconButton;
class QDialogButtonBox;
class QLineEdit;

class CAppPropertiesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAppPropertiesDlg(QWidget* parent = nullptr);

    // Lets the user pick the program; the path becomes the chosen file's.
    void OnBrowse();
    // OK and Enter: a path that can name an application ends the dialog, anything else is refused
    // with a message and the dialog stays open.
    void accept() override;

    // Set when the dialog ends with OK.
    QString m_strFileName; // the path's last part (empty when the path ends with a separator)
    QString m_strName;
    QString m_strCmdLine;
    QString m_strPath;

    QLineEdit* m_editPath = nullptr;
    QLineEdit* m_editCmdLine = nullptr;
    QLineEdit* m_editName = nullptr;
    CIconButton* m_btnBrowse = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
