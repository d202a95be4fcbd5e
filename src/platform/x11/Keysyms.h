#pragma once
// The X keysym of each virtual key Quillbox synthesizes. Header only: the X11 keyboard and the
// keyboard helper's program side both send these keys.
#include "platform/Platform.h"

#include <X11/keysym.h>

namespace platform {

constexpr unsigned long KeysymOf(int vk)
{
    switch (vk) {
    case VK_BACK: return XK_BackSpace;
    case VK_INSERT: return XK_Insert;
    case VK_SHIFT: return XK_Shift_L;
    case VK_CONTROL: return XK_Control_L;
    case VK_LEFT: return XK_Left;
    case VK_RIGHT: return XK_Right;
    case VK_C: return XK_c;
    case VK_V: return XK_v;
    default: return 0; // NoSymbol
    }
}

} // namespace platform
