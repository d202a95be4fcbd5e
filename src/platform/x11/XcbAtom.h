#pragma once
#include <QtGlobal>

struct xcb_connection_t;

namespace platform {

// The atom named name on connection, or 0 (None) when the server does not answer.
quint32 InternAtom(xcb_connection_t* connection, const char* name);

} // namespace platform
