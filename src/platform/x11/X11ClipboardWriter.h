#pragma once
#include "platform/Platform.h"
#include "platform/x11/X11ClipboardReader.h"

namespace platform {

// The clipboard through Qt's own X connection: the text is offered in every text format Qt offers
// (UTF-8 and Latin-1 here) and served by the program's event loop for as long as it owns it.
// Another application's text is read by a reader of its own, with a bound: an owner that never
// answers costs kReadBoundMs and reads as no text, where Qt would hold the program up for seconds.
class X11ClipboardWriter final : public IClipboardWriter {
public:
    static constexpr int kReadBoundMs = 200;

    void SetText(const QString& text, bool secret) override;
    QString Text(bool* secret) override;
    void SetPrimaryText(const QString& text, bool secret) override;
    QString PrimaryText() override;

private:
    QString Read(bool primary, bool* secret);

    // Not the history's reader: a text to be put back never waits behind a copy being read.
    X11ClipboardReader m_reader;
};

} // namespace platform
