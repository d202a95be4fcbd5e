#include "platform/x11/XcbAtom.h"

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace platform {

quint32 InternAtom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const quint32 atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

} // namespace platform
