#include "core/LogCategories.h"

Q_LOGGING_CATEGORY(lcHook, "quillbox.hook", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTray, "quillbox.tray", QtWarningMsg)
Q_LOGGING_CATEGORY(lcClipboard, "quillbox.clipboard", QtWarningMsg)
Q_LOGGING_CATEGORY(lcEnvironments, "quillbox.environments", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMessages, "quillbox.messages", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSearch, "quillbox.search", QtWarningMsg)
