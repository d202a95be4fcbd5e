#include "ui/framework/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace ui {

void SetClipboardText(const QString& text, bool transient)
{
    auto* data = new QMimeData;
    data->setText(text);
    if (transient)
        data->setData(QString::fromLatin1(SecretMimeType), QByteArray(SecretMimeValue));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

QString ClipboardText(bool* secret)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (secret)
        *secret = data && data->data(QString::fromLatin1(SecretMimeType)).trimmed() == SecretMimeValue;
    return data && data->hasText() ? data->text() : QString();
}

} // namespace ui
