#pragma once
#include "platform/Platform.h"

typedef struct _XDisplay Display;

namespace platform {

// Synthesizes keys with the XTest extension on a display connection of its own, so that the keys
// reach the focused window of whatever application is in front.
class X11Keyboard final : public IKeyboard {
public:
    X11Keyboard();
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    void KeyEvent(int vk, bool up) override;

private:
    Display* m_display = nullptr; // null when there is no display or no XTest: keys are dropped
};

} // namespace platform
