#include "hook/HookInstaller.h"

#include "hook/qbhook/qbhook.h"

#include <QByteArray>

#include "platform/x11/Keysyms.h"

#include <vector>

#include <array>

#include <map>
#include <memory>
#include <mutex>
#include <utility>

namespace hook {

namespace {

std::mutex g_mutex;
// The callbacks live as long as their hooks, which call them through the library's user pointer.
std::map<int, std::unique_ptr<HookInstaller::ReportCallback>> g_callbacks;

void Forward(const char* text, void* user)
{
    const auto* callback = static_cast<const HookInstaller::ReportCallback*>(user);
    if (*callback)
        (*callback)(QString::fromUtf8(text));
}

} // namespace

int HookInstaller::Install(const HookConfig& config, ReportCallback report)
{
    std::array<QByteArray, QBHOOK_CHORD_COUNT> values;
    QbHookConfig native{};
    const QByteArray blockName = config.SharedBlockName().toUtf8();
    const QByteArray settingsFile = config.SettingsFile().toUtf8();
    native.sharedBlockName = blockName.constData();
    native.clipboardMgrPair = config.ClipboardMgrPair();
    native.settingsFile = settingsFile.constData();
    native.holdTypeAhead = config.HoldTypeAhead() ? 1 : 0;
    for (int index = 0; index < QBHOOK_CHORD_COUNT; ++index) {
        const QString value = config.Value(index);
        if (value.isNull())
            continue; // the library's default
        values[static_cast<std::size_t>(index)] = value.toUtf8();
        native.chords[index] = values[static_cast<std::size_t>(index)].constData();
    }

    auto callback = std::make_unique<ReportCallback>(std::move(report));
    const int handle = qbhook_install(&native, &Forward, callback.get());
    if (handle > 0) {
        std::lock_guard lock(g_mutex);
        g_callbacks[handle] = std::move(callback);
    }
    return handle;
}

void HookInstaller::Remove(int handle)
{
    qbhook_uninstall(handle);
    std::lock_guard lock(g_mutex);
    g_callbacks.erase(handle);
}

void HookInstaller::Suspend(int handle)
{
    qbhook_suspend(handle);
}

void HookInstaller::Resume(int handle)
{
    qbhook_resume(handle);
}

void HookInstaller::SendKeys(int handle, std::span<const QbHookKey> keys)
{
    qbhook_send_keys(handle, keys.data(), static_cast<int>(keys.size()));
}

void HookInstaller::HoldKeys(int handle)
{
    qbhook_hold_keys(handle);
}

void HookInstaller::ReleaseKeys(int handle)
{
    qbhook_release_keys(handle);
}

std::optional<QString> HookInstaller::TypedText(int handle, bool* cut)
{
    char buffer[64]; // 12 characters of at most 4 bytes
    int dropped = 0;
    if (qbhook_typed_text(handle, buffer, int(sizeof buffer), &dropped) < 0)
        return std::nullopt;
    *cut = dropped != 0;
    return QString::fromUtf8(buffer);
}

void SendVirtualKeys(int handle, std::span<const platform::KeyStep> steps)
{
    std::vector<QbHookKey> keys;
    for (const platform::KeyStep& step : steps)
        keys.push_back(QbHookKey{platform::KeysymOf(step.vk), 0, step.up ? 0 : 1});
    HookInstaller::SendKeys(handle, keys);
}

} // namespace hook
