#pragma once
// Putting text on the system clipboard, in every text format the desktop offers.
#include <QString>

namespace ui {

// A transient text (one the program puts there only for a moment) carries the mark that password
// managers use, so that clipboard histories, Quillbox's own included, do not keep it.
void SetClipboardText(const QString& text, bool transient = false);

// The clipboard's plain text (empty when it holds no text). *secret, when given, tells whether the
// owner marked the text as one not to keep (a password manager's).
QString ClipboardText(bool* secret = nullptr);

// The mime type and value of that mark.
inline constexpr const char* SecretMimeType = "x-kde-passwordManagerHint";
inline constexpr const char* SecretMimeValue = "secret";

} // namespace ui
