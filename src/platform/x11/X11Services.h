#pragma once
// The X11 backend of the platform seams: CreateServices, SessionSupported and
// InstallDisplayLossHandler of platform/Platform.h.
//
// InstallDisplayLossHandler: Xlib ends the process from whichever thread first finds the display
// gone. After it, such a thread carries on with its connection dead (the keyboard helper's thread
// then ends), so that the process ends from the user-interface thread, in order. Call it once Qt
// has its connection.
//
// SessionSupported: an X11 display Quillbox can reach and, once the application exists, Qt showing
// its windows on it.
#include "platform/Platform.h"
