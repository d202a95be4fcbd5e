#include "platform/x11/X11ClipboardWriter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

void X11ClipboardWriter::SetText(const QString& text, bool secret)
{
    auto* data = new QMimeData;
    data->setText(text);
    if (secret)
        data->setData(QString::fromLatin1(kSecretMimeType), QByteArray(kSecretMimeValue));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

QString X11ClipboardWriter::Text(bool* secret)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (secret)
        *secret = data && IsSecretMark(data->data(QString::fromLatin1(kSecretMimeType)));
    return data && data->hasText() ? data->text() : QString();
}

} // namespace platform
