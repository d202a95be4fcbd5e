#pragma once
// A picture that fills its control: a numbered bitmap resource drawn at the control's size.
#include <QSize>
#include <QWidget>

class QSvgRenderer;

class CPictureCtrl : public QWidget {
    Q_OBJECT
public:
    // Shows ":/bitmaps/<bitmapNumber>.svg"; the control is size large and does not resize.
    CPictureCtrl(int bitmapNumber, const QSize& size, QWidget* parent = nullptr);
    ~CPictureCtrl() override;

    int BitmapNumber() const { return m_nBitmap; }
    // False when the bitmap resource is missing or unreadable; the control then stays blank.
    bool HasPicture() const;

    QSize sizeHint() const override { return m_size; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_nBitmap = 0;
    QSize m_size;
    QSvgRenderer* m_pRenderer = nullptr;
};
