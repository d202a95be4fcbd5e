#pragma once
#include "platform/Platform.h"

#include <QList>
#include <QStringList>

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

    void SetPrimaryText(const QString& text, bool) override { primary.append(text); }
    QString PrimaryText() override { return primary.isEmpty() ? QString() : primary.last(); }

    QList<Entry> history; // the last entry is the clipboard now
    QStringList primary;  // PRIMARY's texts, the last one now
    bool ownedByProgram = false;
};

} // namespace platform
