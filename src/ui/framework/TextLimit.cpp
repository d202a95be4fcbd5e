#include "ui/framework/TextLimit.h"

#include "data/Text.h"
#include "platform/MessageBox.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <algorithm>

namespace ui {

void LimitChars(QLineEdit* edit, int maxChars)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, maxChars](const QString& text) {
        if (data::CharCount(text) <= maxChars)
            return;
        const QString kept = data::LeftChars(text, maxChars);
        const int position = std::min<int>(edit->cursorPosition(), int(kept.size()));
        edit->setText(kept);
        edit->setCursorPosition(position);
    });
}

void LimitChars(QPlainTextEdit* edit, int maxChars)
{
    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit, maxChars] {
        const QString text = edit->toPlainText();
        if (data::CharCount(text) <= maxChars)
            return;
        const QString kept = data::LeftChars(text, maxChars);
        const int position = std::min<int>(edit->textCursor().position(), int(kept.size()));
        edit->setPlainText(kept);
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(position);
        edit->setTextCursor(cursor);
    });
}

bool CheckWidths(std::initializer_list<FieldText> fields)
{
    for (const FieldText& field : fields) {
        const int length = data::CharCount(field.text);
        if (length <= field.width)
            continue;
        platform::ShowMessage(QStringLiteral("The field \"%1\" can hold at most %2 characters; it has %3. Please shorten it.")
                                  .arg(field.label)
                                  .arg(field.width)
                                  .arg(length),
                              platform::MsgStyle::Exclamation);
        return false;
    }
    return true;
}

} // namespace ui
