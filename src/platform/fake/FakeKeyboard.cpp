#include "platform/fake/FakeKeyboard.h"

namespace platform {

void FakeKeyboard::KeyEvent(int vk, bool up)
{
    events.append({vk, up});
    if (onKey)
        onKey(vk, up);
}

} // namespace platform
