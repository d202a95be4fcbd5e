#include "platform/MessageBox.h"

#include <cstdio>
#include <utility>

namespace platform {

namespace {
MessageHandler& Handler()
{
    static MessageHandler handler;
    return handler;
}
} // namespace

int ShowMessage(const QString& text, MsgStyle style)
{
    if (Handler())
        return Handler()(text, style);
    std::fprintf(stderr, "Quillbox: %s\n", qPrintable(text));
    return QuitAnswer(style);
}

void ReportCannotOpen(const QString& what, const QString& why)
{
    ShowMessage(QStringLiteral("Quillbox could not open %1:\n%2").arg(what, why), MsgStyle::Exclamation);
}

int QuitAnswer(MsgStyle style)
{
    switch (style) {
    case MsgStyle::Question:
        return IDNO;
    case MsgStyle::RetryQuit:
    case MsgStyle::NewFileQuit:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    return std::exchange(Handler(), std::move(handler));
}

} // namespace platform
