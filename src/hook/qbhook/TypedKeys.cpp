#include "hook/qbhook/TypedKeys.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace qbhook {

void TypedKeys::OnKeyPress(unsigned long window, unsigned long keysym, bool command)
{
    if (window != m_window) {
        Clear();
        m_window = window;
    }
    if (IsModifierKey(keysym))
        return;
    if (keysym == XK_BackSpace && !command) {
        if (!m_chars.empty())
            m_chars.pop_back();
        return;
    }
    const char32_t ch = command ? 0 : xkb_keysym_to_utf32(static_cast<xkb_keysym_t>(keysym));
    char utf8[8] = {};
    if (ch < 0x20 || ch == 0x7f || xkb_keysym_to_utf8(static_cast<xkb_keysym_t>(keysym), utf8, sizeof utf8) <= 0) {
        Clear();
        return;
    }
    m_chars.emplace_back(utf8);
    if (m_chars.size() > kLimit) {
        m_chars.pop_front();
        m_cut = true;
    }
}

void TypedKeys::Clear()
{
    m_chars.clear();
    m_cut = false;
}

std::string TypedKeys::Text(unsigned long window, bool* cut) const
{
    if (cut != nullptr)
        *cut = window == m_window && m_cut;
    if (window != m_window)
        return {};
    std::string text;
    for (const std::string& ch : m_chars)
        text += ch;
    return text;
}

} // namespace qbhook
