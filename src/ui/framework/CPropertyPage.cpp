#include "ui/framework/CPropertyPage.h"

#include "ui/framework/CPropertySheet.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

CPropertyPage::CPropertyPage(const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_strCaption(caption)
{
    // Every page of every sheet has room for a list of several columns and a column of buttons.
    setMinimumSize(MinimumWidth, MinimumHeight);
}

CPropertyPage::~CPropertyPage()
{
    // Pages are usually members of their sheet and go before it; the sheet must not call them later.
    if (m_pSheet != nullptr)
        m_pSheet->DetachPage(this);
}

void CPropertyPage::SetCaption(const QString& caption)
{
    m_strCaption = caption;
    if (m_pSheet != nullptr)
        m_pSheet->OnPageCaptionChanged(this);
}

void CPropertyPage::LayOutListPage(QWidget* list, const QList<QWidget*>& buttons)
{
    auto* column = new QVBoxLayout;
    for (QWidget* button : buttons)
        column->addWidget(button);
    column->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list, 1);
    layout->addLayout(column);
}
