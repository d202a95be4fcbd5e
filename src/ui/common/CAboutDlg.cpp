#include "ui/common/CAboutDlg.h"

#include "ui/framework/CPictureCtrl.h"
#include "ui/framework/ModalLoop.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimerEvent>
#include <QVBoxLayout>

namespace {
constexpr int kBitmap = 172;
constexpr QSize kBitmapSize(300, 200);
constexpr int kMargin = 6;
} // namespace

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    // It runs its own loop (exec) without blocking the tray icon, so Quit can be chosen meanwhile.
    setWindowModality(Qt::WindowModal);
    setWindowTitle(tr("About Quillbox"));

    m_pCloseButton = new QPushButton(tr("Close"), this);
    m_pCloseButton->setDefault(true);
    connect(m_pCloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(kMargin, 0, kMargin, kMargin);
    buttons->addStretch(1);
    buttons->addWidget(m_pCloseButton);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kMargin);
    layout->addWidget(new CPictureCtrl(kBitmap, kBitmapSize, this));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CAboutDlg::~CAboutDlg() = default;

void CAboutDlg::reject()
{
    done(ui::IDCANCEL);
}

void CAboutDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Without a caption bar the box cannot be dragged; it opens in the middle of the screen.
    if (!event->spontaneous() && parentWidget() == nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame(QPoint(), size());
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    m_quitTimer.start(ui::kQuitPollMs, this);
}

void CAboutDlg::hideEvent(QHideEvent* event)
{
    m_quitTimer.stop();
    QDialog::hideEvent(event);
}

void CAboutDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_quitTimer.timerId())
        OnQuitTimer();
    else
        QDialog::timerEvent(event);
}

void CAboutDlg::OnQuitTimer()
{
    if (!ui::QuitRequested())
        return;
    m_quitTimer.stop();
    done(ui::IDQUIT);
}
