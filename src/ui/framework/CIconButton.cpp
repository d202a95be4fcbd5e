#include "ui/framework/CIconButton.h"

#include "ui/framework/Resources.h"

namespace {
constexpr int kIconSize = 24;
constexpr int kButtonSize = 32;
} // namespace

CIconButton::CIconButton(QWidget* parent)
    : QPushButton(parent)
{
    setIconSize(QSize(kIconSize, kIconSize));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

CIconButton::CIconButton(int iconNumber, const QString& text, QWidget* parent)
    : CIconButton(parent)
{
    SetIcon(iconNumber);
    SetTip(text);
}

void CIconButton::SetIcon(int iconNumber)
{
    m_nIcon = iconNumber;
    setIcon(ui::ResourceIcon(iconNumber));
}

void CIconButton::SetTip(const QString& text)
{
    setToolTip(text);
    setAccessibleName(text);
}

QSize CIconButton::sizeHint() const
{
    // Room for the icon and the button's frame, the same in every style, so rows of buttons line up.
    return QSize(kButtonSize, kButtonSize);
}

QSize CIconButton::minimumSizeHint() const
{
    return sizeHint();
}
