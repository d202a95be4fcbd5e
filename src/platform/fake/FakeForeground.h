#pragma once
#include "platform/Platform.h"

#include <QHash>
#include <QList>
#include <QStringList>

namespace platform {

// A desktop with one active window that a test sets. SetForegroundWindow succeeds and makes the
// window active unless activationFails is set.
class FakeForeground final : public IForeground {
public:
    WindowId GetForegroundWindow() override;
    bool SetForegroundWindow(WindowId window) override;
    QStringList WindowClass(WindowId window) override { return classes.value(window); }

    WindowId current = 0;
    bool activationFails = false;
    QList<WindowId> activations; // every window SetForegroundWindow was asked for
    QHash<WindowId, QStringList> classes; // WM_CLASS by window
};

} // namespace platform
