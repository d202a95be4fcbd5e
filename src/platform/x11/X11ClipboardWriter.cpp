#include "platform/x11/X11ClipboardWriter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

namespace {
QMimeData* TextData(const QString& text, bool secret)
{
    auto* data = new QMimeData;
    data->setText(text);
    // Offered by name as well: GTK asks for it first, and a paste served at once saves the
    // application a second request.
    data->setData(QStringLiteral("text/plain;charset=utf-8"), text.toUtf8());
    if (secret)
        data->setData(QString::fromLatin1(kSecretMimeType), QByteArray(kSecretMimeValue));
    return data;
}
} // namespace

void X11ClipboardWriter::SetText(const QString& text, bool secret)
{
    QGuiApplication::clipboard()->setMimeData(TextData(text, secret), QClipboard::Clipboard);
}

void X11ClipboardWriter::SetPrimaryText(const QString& text, bool secret)
{
    if (text.isEmpty())
        QGuiApplication::clipboard()->clear(QClipboard::Selection);
    else
        QGuiApplication::clipboard()->setMimeData(TextData(text, secret), QClipboard::Selection);
}

QString X11ClipboardWriter::PrimaryText()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
    return data && data->hasText() ? data->text() : QString();
}

QString X11ClipboardWriter::Text(bool* secret)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (secret)
        *secret = data && IsSecretMark(data->data(QString::fromLatin1(kSecretMimeType)));
    return data && data->hasText() ? data->text() : QString();
}

} // namespace platform
