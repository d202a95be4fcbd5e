#include "ui/framework/TextLimit.h"

#include "data/Text.h"

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

} // namespace ui
