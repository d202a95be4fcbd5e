#include "platform/x11/X11Services.h"

#include "platform/x11/X11ClipboardReader.h"
#include "platform/x11/X11ClipboardWriter.h"
#include "platform/x11/X11Foreground.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11NativeMessages.h"
#include "platform/x11/X11QuietWait.h"
#include "platform/x11/X11Shell.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace platform {

std::unique_ptr<Services> CreateServices(const QByteArray& messageType)
{
    auto services = std::make_unique<Services>();
    services->keyboard = std::make_unique<X11Keyboard>();
    services->foreground = std::make_unique<X11Foreground>();
    auto quietWait = std::make_unique<X11QuietWait>();
    auto reader = std::make_unique<X11ClipboardReader>();
    quietWait->IgnoreRequestor(reader->Window());
    services->quietWait = std::move(quietWait);
    services->shell = std::make_unique<X11Shell>();
    services->messages = std::make_unique<X11NativeMessages>(messageType);
    services->clipboard = std::move(reader);
    services->clipboardWriter = std::make_unique<X11ClipboardWriter>();
    return services;
}

void InstallDisplayLossHandler()
{
    // Returning from the handler leaves the rest to each connection's exit handler.
    XSetIOErrorHandler([](Display*) { return 0; });
}

bool SessionSupported(QString* why)
{
    const auto notX11 = [why](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    const QString requested = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QString platform = qGuiApp ? QGuiApplication::platformName() : requested.section(QLatin1Char(':'), 0, 0);
    if (!platform.isEmpty() && platform != QLatin1String("xcb"))
        return notX11(QStringLiteral("Quillbox works on an X11 desktop, but its windows are shown through the "
                                     "\"%1\" platform; start it with QT_QPA_PLATFORM=xcb.")
                          .arg(platform));
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return notX11(QStringLiteral("Quillbox works on an X11 desktop, and this Wayland session has no "
                                         "X11 support (XWayland) running: DISPLAY is not set."));
        return notX11(QStringLiteral("Quillbox works on an X11 desktop, and no X display is set (DISPLAY is "
                                     "empty)."));
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool reached = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (!reached)
        return notX11(QStringLiteral("Quillbox cannot connect to the X display \"%1\".").arg(display));
    return true;
}

} // namespace platform
