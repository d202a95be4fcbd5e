#include "platform/x11/X11Keyboard.h"

#include "platform/x11/Keysyms.h"

#include <QtGlobal>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace platform {

X11Keyboard::X11Keyboard()
    : m_display(XOpenDisplay(nullptr))
{
    if (!m_display) {
        qWarning("Quillbox: no X display; keys cannot be synthesized");
        return;
    }
    // A fake-input request to a server without XTest is a protocol error, and Xlib's default error
    // handler ends the process: find out first. With XTest present and only keycodes of the
    // current keyboard map sent, the requests below cannot fail.
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor)) {
        qWarning("Quillbox: the X server has no XTest extension; keys cannot be synthesized");
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
}

X11Keyboard::~X11Keyboard()
{
    if (m_display)
        XCloseDisplay(m_display);
}

void X11Keyboard::KeyEvent(int vk, bool up)
{
    if (!m_display)
        return;
    const KeySym keysym = KeysymOf(vk);
    const KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(m_display, keysym);
    if (keycode == 0) {
        qWarning("Quillbox: the keyboard map has no key for virtual key 0x%x", vk);
        return;
    }
    XTestFakeKeyEvent(m_display, keycode, up ? False : True, CurrentTime);
    XFlush(m_display);
}

} // namespace platform
