#include "ui/framework/CPictureCtrl.h"

#include "ui/framework/Resources.h"

#include <QPainter>
#include <QSvgRenderer>

CPictureCtrl::CPictureCtrl(int bitmapNumber, const QSize& size, QWidget* parent)
    : QWidget(parent)
    , m_nBitmap(bitmapNumber)
    , m_size(size)
    // Drawn by the renderer itself rather than loaded as an image: no image-format plugin is needed,
    // and the picture stays sharp at any scale of the screen.
    , m_pRenderer(new QSvgRenderer(ui::BitmapData(bitmapNumber), this))
{
    setFixedSize(size);
}

CPictureCtrl::~CPictureCtrl() = default;

bool CPictureCtrl::HasPicture() const
{
    return m_pRenderer->isValid();
}

void CPictureCtrl::paintEvent(QPaintEvent*)
{
    if (!m_pRenderer->isValid())
        return;
    QPainter painter(this);
    m_pRenderer->render(&painter, QRectF(rect()));
}
