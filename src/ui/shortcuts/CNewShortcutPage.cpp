#include "ui/shortcuts/CNewShortcutPage.h"

#include "core/CMain.h"
#include "data/CShortcut.h"
#include "data/ColumnWidths.h"
#include "data/ShortcutName.h"
#include "platform/MessageBox.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/RunHandler.h"
#include "ui/framework/TextLimit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <memory>

CNewShortcutPage::CNewShortcutPage(QWidget* parent)
    : CPropertyPage(QStringLiteral("New shortcut"), parent)
{
    m_editShortcut = new QLineEdit(this);
    ui::LimitChars(m_editShortcut, data::kShortcutWidth);
    m_editDesc = new QLineEdit(this);
    ui::LimitChars(m_editDesc, data::kShortcutDescWidth);
    m_editText = new QPlainTextEdit(this);
    ui::LimitChars(m_editText, data::kShortcutTextWidth);
    m_editText->setTabChangesFocus(true);
    m_editText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_btnAdd = new CIconButton(153, QStringLiteral("Add shortcut"), this);

    auto* grid = new QGridLayout(this);
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("Shortcut:"), m_editShortcut), 0, 0);
    grid->addWidget(m_editShortcut, 0, 1);
    grid->addWidget(m_btnAdd, 0, 2, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(label(QStringLiteral("Description:"), m_editDesc), 1, 0);
    grid->addWidget(m_editDesc, 1, 1, 1, 2);
    grid->addWidget(label(QStringLiteral("Text:"), m_editText), 2, 0, Qt::AlignTop);
    grid->addWidget(m_editText, 2, 1, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(1, 1);

    connect(m_btnAdd, &CIconButton::clicked, this, [this] { ui::RunHandler([this] { OnAdd(); }); });
}

void CNewShortcutPage::OnAdd()
{
    CMain* main = GetMain();
    QString shortcut = m_editShortcut->text();
    const QString desc = m_editDesc->text();
    const QString text = m_editText->toPlainText();
    if (text.isEmpty()) {
        platform::ShowMessage(QStringLiteral("Please fill out the text field."), platform::MsgStyle::Exclamation);
        return;
    }
    if (!ui::CheckWidths({{QStringLiteral("Shortcut"), shortcut, data::kShortcutWidth},
                          {QStringLiteral("Description"), desc, data::kShortcutDescWidth},
                          {QStringLiteral("Text"), text, data::kShortcutTextWidth}}))
        return;
    if (shortcut.isEmpty()) {
        const auto name = data::MakeShortcutName(text, [main](const QString& n) { return main->FindShortcut(n) != nullptr; });
        if (!name) {
            platform::ShowMessage(QStringLiteral("Please fill out the shortcut field."), platform::MsgStyle::Exclamation);
            return;
        }
        shortcut = *name;
    }
    auto record = std::make_unique<ShortcutRecord>();
    record->shortcut = shortcut;
    record->desc = desc;
    record->text = text;
    main->AddShortcut(record.release());
    m_editShortcut->clear();
    m_editDesc->clear();
    m_editText->clear();
    m_editShortcut->setFocus();
}
