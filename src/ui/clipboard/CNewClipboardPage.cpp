#include "ui/clipboard/CNewClipboardPage.h"

#include "core/CMain.h"
#include "platform/MessageBox.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/RunHandler.h"
#include "ui/framework/TextLimit.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>

CNewClipboardPage::CNewClipboardPage(QWidget* parent)
    : CPropertyPage(QStringLiteral("New clipboard text"), parent)
{
    m_editText = new QPlainTextEdit(this);
    m_editText->setTabChangesFocus(true);
    m_editText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_btnAdd = new CIconButton(153, QStringLiteral("Add clipboard item"), this);
    auto* label = new QLabel(QStringLiteral("Type in the text:"), this);
    label->setBuddy(m_editText);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_btnAdd, 0, 1, Qt::AlignRight);
    grid->addWidget(m_editText, 1, 0, 1, 2);
    grid->setRowStretch(1, 1);

    // The edit takes no more than 256 characters, typed or pasted.
    ui::LimitChars(m_editText, MaxText);
    connect(m_btnAdd, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnAdd(); }); });
}

void CNewClipboardPage::OnAdd()
{
    const QString text = m_editText->toPlainText();
    if (text.isEmpty()) {
        platform::ShowMessage(QStringLiteral("You have entered no text"), platform::MsgStyle::Exclamation);
        return;
    }
    GetMain()->AddClipboardText(text);
    m_editText->clear();
}
