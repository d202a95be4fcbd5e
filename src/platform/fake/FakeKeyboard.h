#pragma once
#include "platform/Platform.h"

#include <QList>
#include <functional>

namespace platform {

// Records the keys the program synthesizes. OnKey lets a test play the application that receives
// them, e.g. put the word before the caret on the clipboard when Ctrl+C is released.
class FakeKeyboard final : public IKeyboard {
public:
    struct Event {
        int vk;
        bool up;
        bool operator==(const Event&) const = default;
    };

    void KeyEvent(int vk, bool up) override;

    QList<Event> events;
    std::function<void(int vk, bool up)> onKey;
};

} // namespace platform
