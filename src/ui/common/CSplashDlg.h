#pragma once
// The splash window: bitmap 194 without frame or caption, centred on the screen at start-up. It asks
// for itself to be hidden three seconds after it is first shown, or at once on a mouse click.
#include <QBasicTimer>
#include <QDialog>
#include <functional>

class CSplashDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSplashDlg(QWidget* parent = nullptr);
    ~CSplashDlg() override;

    // Shows the window, modeless, centred on the screen.
    void Create();

    // What the close-splash request does; the main window points it at its close-splash handler.
    // By default it calls GetMain()->HideSplash().
    void SetCloseSplashHandler(std::function<void()> handler);

protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnSplashTimer();
    void RequestClose();

    std::function<void()> m_fnCloseSplash;
    // Runs once, from the first show, so the splash goes three seconds after it appeared.
    QBasicTimer m_splashTimer;
    bool m_bFirstShow = true;
};
