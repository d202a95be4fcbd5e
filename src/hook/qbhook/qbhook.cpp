// The C interface of the hook library: a table of running hooks by handle.
#include "hook/qbhook/qbhook.h"

#include "hook/qbhook/ChordSetting.h"
#include "hook/qbhook/X11Hook.h"

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

std::mutex g_mutex;
std::map<int, std::shared_ptr<qbhook::X11Hook>> g_hooks;
int g_nextHandle = 1;

qbhook::HookSetup ReadConfig(const QbHookConfig& config)
{
    qbhook::HookSetup setup;
    setup.sharedBlockName = config.sharedBlockName != nullptr ? config.sharedBlockName : "";
    setup.holdTypeAhead = config.holdTypeAhead != 0;
    setup.settingsFile = config.settingsFile != nullptr ? config.settingsFile : qbhook::kDefaultSettingsFile;
    // Read before the hook's thread starts: the values are plain text and need no display, and
    // the thread reports the unreadable ones first, before any grab can fail.
    for (std::size_t index = 0; index < qbhook::kChordSettingCount; ++index) {
        if (!qbhook::ChordSettingInUse(index, config.clipboardMgrPair))
            continue;
        qbhook::ResolvedChord resolved =
            qbhook::ResolveChordSetting(qbhook::ChordSettings()[index], config.chords[index], setup.settingsFile);
        if (!resolved.fallbackText.empty())
            setup.unreadableTexts.push_back(std::move(resolved.fallbackText));
        setup.chords.push_back({index, resolved.chord});
    }
    return setup;
}

// The hook of handle, kept alive for the caller even if another thread uninstalls it meanwhile.
std::shared_ptr<qbhook::X11Hook> Find(int handle)
{
    std::lock_guard lock(g_mutex);
    auto it = g_hooks.find(handle);
    return it == g_hooks.end() ? nullptr : it->second;
}

} // namespace

extern "C" int qbhook_install(const QbHookConfig* config, QbHookReportFn report, void* user)
{
    if (config == nullptr)
        return 0;
    try {
        auto hook = std::make_unique<qbhook::X11Hook>(ReadConfig(*config), report, user);
        if (!hook->Start())
            return 0;
        std::lock_guard lock(g_mutex);
        const auto next = [](int handle) { return handle == INT_MAX ? 1 : handle + 1; };
        int handle = g_nextHandle;
        while (g_hooks.count(handle) != 0)
            handle = next(handle);
        g_nextHandle = next(handle);
        g_hooks.emplace(handle, std::move(hook));
        return handle;
    } catch (...) {
        // Nothing may cross the C interface; a hook that cannot be made is a hook not installed.
        return 0;
    }
}

extern "C" void qbhook_uninstall(int handle)
{
    std::shared_ptr<qbhook::X11Hook> hook;
    {
        std::lock_guard lock(g_mutex);
        auto it = g_hooks.find(handle);
        if (it == g_hooks.end())
            return;
        hook = std::move(it->second);
        g_hooks.erase(it);
    }
    hook->Stop();
}

extern "C" void qbhook_suspend(int handle)
{
    if (auto hook = Find(handle))
        hook->Suspend();
}

extern "C" void qbhook_resume(int handle)
{
    if (auto hook = Find(handle))
        hook->Resume();
}

extern "C" void qbhook_send_keys(int handle, const QbHookKey* keys, int count)
{
    if (keys == nullptr || count <= 0)
        return;
    try {
        if (auto hook = Find(handle))
            hook->SendKeys(std::vector<QbHookKey>(keys, keys + count));
    } catch (...) {
        // Nothing may cross the C interface; keys that cannot be copied are keys not sent.
    }
}

extern "C" void qbhook_hold_keys(int handle)
{
    if (auto hook = Find(handle))
        hook->HoldKeys();
}

extern "C" void qbhook_release_keys(int handle)
{
    if (auto hook = Find(handle))
        hook->ReleaseKeys();
}

extern "C" int qbhook_typed_text(int handle, char* buffer, int size, int* cut)
{
    try {
        std::string text;
        bool dropped = false;
        auto hook = Find(handle);
        if (!hook || !hook->TypedText(&text, &dropped))
            return -1;
        if (cut != nullptr)
            *cut = dropped ? 1 : 0;
        if (buffer != nullptr && size > 0) {
            const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
            text.copy(buffer, n);
            buffer[n] = '\0';
        }
        return static_cast<int>(text.size());
    } catch (...) {
        return -1; // nothing may cross the C interface
    }
}
