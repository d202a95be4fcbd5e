// quillbox: the tray program. The only options are --help and --version, answered without a display.
#include "app/CQuillboxApp.h"
#include "app/SingleInstance.h"
#include "platform/MessageBox.h"
#include "ui/framework/MessageBox.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage = "Usage: quillbox [--help | --version]\n";

void PrintHelp()
{
    std::printf("%s\n"
                "Quillbox lives in the system tray and speeds up work with source code and text:\n"
                "shortcuts that expand as you type, a clipboard history, a source library and\n"
                "environments of applications started together. Left-click the tray icon to switch\n"
                "the services off and on; right-click it for the menu.\n\n"
                "  --help     show this help and exit\n"
                "  --version  show the version and exit\n\n"
                "Quillbox keeps its data file qbdat.dbf and fm.tmp in the folder it is started from,\n"
                "and its settings in ~/.config/Quillbox/Quillbox.conf.\n",
                Usage);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
            PrintHelp();
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
            std::printf("quillbox %s\n", QB_VERSION);
            return 0;
        }
        std::fprintf(stderr, "quillbox: unknown argument '%s'. %s", argv[1], Usage);
        return 2;
    }
    // Quillbox speaks to other applications through X11: on a Wayland desktop with X11 support it
    // runs as an X11 client, so that its keys and clipboard reach them.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    CQuillboxApp app(argc, argv);
    SingleInstance instance;
    if (!instance.Acquire()) {
        std::fprintf(stderr, "Quillbox is already running.\n");
        ui::InstallMessageBoxes();
        platform::ShowMessage(QStringLiteral("Quillbox is already running."), platform::MsgStyle::Exclamation);
        return 0;
    }
    return app.InitInstance();
}
