#pragma once
#include "platform/Platform.h"

#include <QList>

namespace platform {

// A clipboard in memory: what the program put there, in order, with the secret mark.
class FakeClipboardWriter final : public IClipboardWriter {
public:
    struct Entry {
        QString text;
        bool secret = false;
    };

    void SetText(const QString& text, bool secret) override { history.append({text, secret}); }
    QString Text(bool* secret) override
    {
        if (secret)
            *secret = !history.isEmpty() && history.last().secret;
        return history.isEmpty() ? QString() : history.last().text;
    }

    QList<Entry> history; // the last entry is the clipboard now
};

} // namespace platform
