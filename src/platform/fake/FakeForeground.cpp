#include "platform/fake/FakeForeground.h"

namespace platform {

WindowId FakeForeground::GetForegroundWindow()
{
    return current;
}

bool FakeForeground::SetForegroundWindow(WindowId window)
{
    activations.append(window);
    if (activationFails || window == 0)
        return false;
    current = window;
    return true;
}

} // namespace platform
