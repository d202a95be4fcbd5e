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

    void SetText(const QString& text, bool secret) override
    {
        history.append({text, secret});
        ownedByProgram = true;
    }
    // Another application copies text: it owns the clipboard now.
    void Copy(const QString& text, bool secret = false)
    {
        history.append({text, secret});
        ownedByProgram = false;
    }
    QString Text(bool* secret) override
    {
        if (secret)
            *secret = !history.isEmpty() && history.last().secret;
        return history.isEmpty() ? QString() : history.last().text;
    }

    QList<Entry> history; // the last entry is the clipboard now
    bool ownedByProgram = false;
};

} // namespace platform
