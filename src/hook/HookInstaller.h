#pragma once
// Installs and removes the hook library (libqbhook.so) for the program's controller.
#include "hook/HookConfig.h"
#include "platform/Platform.h"

#include <QString>

#include <functional>
#include <optional>
#include <span>

namespace hook {

class HookInstaller {
public:
    // Receives a text for the user: a chord in the settings that cannot be read, or one that
    // another program holds. Each text comes once per run, however often the hook is installed
    // again. It is called on the hook's own thread (also while Install waits): queue the text to
    // the user-interface thread (QMetaObject::invokeMethod with Qt::QueuedConnection), never
    // wait for that thread here, and never call Remove from here.
    using ReportCallback = std::function<void(const QString& text)>;

    // Starts the hook; it grabs the chords of config and follows the clipboard until Remove.
    // Returns its handle (> 0), or 0 when it cannot start (no X display). The shared block may
    // be published after this returns: the hook reads it each time it has a message to send.
    static int Install(const HookConfig& config, ReportCallback report);

    // Stops the hook: when this returns its chords are released and nothing more is sent.
    // A handle that is not installed (0, removed already) is ignored.
    static void Remove(int handle);

    // Suspends the hook's messages for the span of an expansion or a sheet: its chords stay
    // grabbed (pressed, they do nothing and reach no application) and nothing is sent. Returns
    // once the hook has taken it. Resume sends again. Unknown handles are ignored.
    static void Suspend(int handle);
    static void Resume(int handle);

    // With HookConfig::HoldTypeAhead, an expansion's keys: SendKeys synthesizes them past the hold
    // that keeps the user's type-ahead (Ctrl+Shift+Left, Ctrl+C, Ctrl+V), returning once the server
    // delivered them; ReleaseKeys ends the hold and replays the type-ahead after them, in order (the
    // search's hold is only released, once its window has the focus). Call ReleaseKeys before
    // Resume, so that a chord typed ahead counts as suspended.
    // A hold never released ends by itself after 1 s.
    static void SendKeys(int handle, std::span<const QbHookKey> keys);
    static void ReleaseKeys(int handle);
    // A hold of the program's own, for a paste outside an expansion (the clipboard manager's, the
    // search's): from now until ReleaseKeys the user's keys wait, then come after the pasted text.
    static void HoldKeys(int handle);

    // The characters last typed into the window that has the focus (at most 12); *cut is set when
    // characters typed before them were dropped. Nothing when the hook cannot see typed keys.
    static std::optional<QString> TypedText(int handle, bool* cut);
};

// SendKeys for the program's virtual keys (platform::VK_*).
void SendVirtualKeys(int handle, std::span<const platform::KeyStep> steps);

} // namespace hook
