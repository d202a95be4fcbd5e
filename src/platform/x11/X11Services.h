#pragma once
// The X11 backend of the platform seams.
#include "platform/Platform.h"

#include <QString>
#include <memory>

namespace platform {

// The services of an X11 desktop. Create them once the QGuiApplication runs on the xcb platform.
std::unique_ptr<Services> CreateX11Services();

// Xlib ends the process from whichever thread first finds the display gone. After this, such a
// thread carries on with its connection dead (the keyboard helper's thread then ends), so that
// the process ends from the user-interface thread, in order. Call once Qt has its connection.
void InstallDisplayLossHandler();

// Whether Quillbox can work in this session: an X11 display it can reach and, once the application
// exists, Qt showing its windows on it. When not, *why says so in one sentence for the user.
// Usable before the application is created.
bool IsX11Session(QString* why);

} // namespace platform
