#include "ui/main/SheetFactory.h"

#include "ui/clipboard/CClipboardPropSheet.h"
#include "ui/environments/CEnvironmentPropSheet.h"
#include "ui/shortcuts/CShortcutsPropSheet.h"
#include "ui/sources/CSourceLibPropSheet.h"

std::unique_ptr<QDialog> MakeSheet(SheetKind kind, int startPage, QWidget* parent)
{
    switch (kind) {
    case SheetKind::Shortcuts:
        return std::make_unique<CShortcutsPropSheet>(QStringLiteral("Shortcuts"), parent, startPage);
    case SheetKind::Clipboard:
        return std::make_unique<CClipboardPropSheet>(QStringLiteral("Clipboard"), parent, startPage);
    case SheetKind::Sources:
        return std::make_unique<CSourceLibPropSheet>(QStringLiteral("Source library"), parent, startPage);
    case SheetKind::Environments:
        return std::make_unique<CEnvironmentPropSheet>(QStringLiteral("Environments"), parent, startPage);
    }
    return nullptr;
}
