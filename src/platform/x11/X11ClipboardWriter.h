#pragma once
#include "platform/Platform.h"

namespace platform {

// The clipboard through Qt's own X connection: the text is offered in every text format Qt offers
// (UTF-8 and Latin-1 here) and served by the program's event loop for as long as it owns it.
class X11ClipboardWriter final : public IClipboardWriter {
public:
    void SetText(const QString& text, bool secret) override;
    QString Text(bool* secret) override;
    void SetPrimaryText(const QString& text, bool secret) override;
    QString PrimaryText() override;
};

} // namespace platform
