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
    if (ch < 0x20 || ch == 0x7f) {
        Clear();
        return;
    }
    m_chars.push_back(ch);
    if (m_chars.size() > kLimit) {
        m_chars.erase(0, 1);
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
    for (char32_t ch : m_chars) {
        const auto byte = [](char32_t bits) { return static_cast<char>(bits); };
        if (ch < 0x80) {
            text += byte(ch);
        } else if (ch < 0x800) {
            text += {byte(0xc0 | ch >> 6), byte(0x80 | (ch & 0x3f))};
        } else if (ch < 0x10000) {
            text += {byte(0xe0 | ch >> 12), byte(0x80 | (ch >> 6 & 0x3f)), byte(0x80 | (ch & 0x3f))};
        } else {
            text += {byte(0xf0 | ch >> 18), byte(0x80 | (ch >> 12 & 0x3f)), byte(0x80 | (ch >> 6 & 0x3f)),
                     byte(0x80 | (ch & 0x3f))};
        }
    }
    return text;
}

} // namespace qbhook
