#pragma once
// The About box: bitmap 172 and a "Close" button, no caption bar, centred on the screen. Run modally;
// it ends with IDOK from Close or Enter, ui::IDCANCEL from Esc, and ui::IDQUIT within a second of
// the program being told to quit.
#include <QBasicTimer>
#include <QDialog>

class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    QPushButton* CloseButton() const { return m_pCloseButton; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void OnQuitTimer();

    QPushButton* m_pCloseButton = nullptr;
    // Polls the quit flag while the box is shown.
    QBasicTimer m_quitTimer;
};
