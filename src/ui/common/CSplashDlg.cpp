#include "ui/common/CSplashDlg.h"

#include "core/CMain.h"
#include "ui/framework/CPictureCtrl.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace {
constexpr int kBitmap = 194;
constexpr QSize kBitmapSize(300, 80);
constexpr int kShowMs = 3000;

void HideSplashOfController()
{
    if (CMain* main = GetMain())
        main->HideSplash();
}
} // namespace

CSplashDlg::CSplashDlg(QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_fnCloseSplash(&HideSplashOfController)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new CPictureCtrl(kBitmap, kBitmapSize, this));
    setFixedSize(kBitmapSize);
}

CSplashDlg::~CSplashDlg() = default;

void CSplashDlg::Create()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
}

void CSplashDlg::SetCloseSplashHandler(std::function<void()> handler)
{
    m_fnCloseSplash = std::move(handler);
}

void CSplashDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bFirstShow) {
        m_bFirstShow = false;
        // Precise: a coarse timer may fire up to 5% early, and the splash promises three seconds.
        m_splashTimer.start(kShowMs, Qt::PreciseTimer, this);
    }
}

void CSplashDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_splashTimer.timerId())
        OnSplashTimer();
    else
        QDialog::timerEvent(event);
}

void CSplashDlg::OnSplashTimer()
{
    m_splashTimer.stop();
    RequestClose();
}

void CSplashDlg::mousePressEvent(QMouseEvent* event)
{
    // The timer keeps running: its tick asks again later, which hides a hidden window and does
    // nothing else.
    if (event->button() == Qt::LeftButton || event->button() == Qt::RightButton)
        RequestClose();
    QDialog::mousePressEvent(event);
}

void CSplashDlg::RequestClose()
{
    if (m_fnCloseSplash)
        m_fnCloseSplash();
}
