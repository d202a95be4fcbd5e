#pragma once
// Logging categories, off by default. The end-to-end tests turn them on
// (QT_LOGGING_RULES="quillbox.*.debug=true") to see a message arrive or the tray change.
#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcHook)
Q_DECLARE_LOGGING_CATEGORY(lcTray)
Q_DECLARE_LOGGING_CATEGORY(lcClipboard)
Q_DECLARE_LOGGING_CATEGORY(lcEnvironments)
// Every message box's text, as it opens.
Q_DECLARE_LOGGING_CATEGORY(lcMessages)
Q_DECLARE_LOGGING_CATEGORY(lcSearch)
