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
    return Read(true, nullptr);
}

QString X11ClipboardWriter::Text(bool* secret)
{
    return Read(false, secret);
}

QString X11ClipboardWriter::Read(bool primary, bool* secret)
{
    // Qt hands out the program's own data (this writer's, or a copy from one of its text fields) when
    // the X server names Qt's window as the owner, asking no application; another application's is
    // Qt's internal stand-in, which would ask its owner with Qt's own waits of seconds.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(primary ? QClipboard::Selection : QClipboard::Clipboard);
    if (data && !data->inherits("QInternalMimeData")) {
        if (secret)
            *secret = IsSecretMark(data->data(QString::fromLatin1(kSecretMimeType)));
        return data->hasText() ? data->text() : QString();
    }
    const std::optional<ClipboardContent> content = m_reader.ReadNow(primary, secret != nullptr, kReadBoundMs);
    if (secret)
        *secret = content && content->secret;
    return content ? content->text : QString();
}

} // namespace platform
