#pragma once
// A push button that shows a numbered icon instead of its text. The text is what the user reads as
// the tooltip, and it is the button's accessible name, so that assistive tools and tests find it.
#include <QPushButton>
#include <QString>

class CIconButton : public QPushButton {
    Q_OBJECT
public:
    explicit CIconButton(QWidget* parent = nullptr);
    CIconButton(int iconNumber, const QString& text, QWidget* parent = nullptr);

    // Shows icon resource ":/icons/<iconNumber>.svg".
    void SetIcon(int iconNumber);
    int IconNumber() const { return m_nIcon; }

    // The tooltip and accessible name; never drawn.
    void SetTip(const QString& text);
    QString Tip() const { return toolTip(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    int m_nIcon = 0;
};
