#include "app/CQuillboxApp.h"

#include "app/AppWindows.h"

#include "core/CMain.h"
#include "ui/framework/MessageBox.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// A byte written here wakes the main loop, which then sees the quit flag at once.
int g_quitWake = -1;

void OnQuitSignal(int)
{
    // Only the flag is touched here; the main loop and every modal window look at it and end in order.
    if (CMain* main = GetMain())
        main->m_bQuit = 1;
    if (g_quitWake >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(g_quitWake, &byte, 1);
    }
}

} // namespace

void InstallQuitSignals()
{
    int wake[2];
    if (g_quitWake < 0 && pipe2(wake, O_NONBLOCK | O_CLOEXEC) == 0) {
        auto* notifier = new QSocketNotifier(wake[0], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd = wake[0]] {
            char bytes[16];
            while (read(fd, bytes, sizeof bytes) > 0) {
            }
        });
        g_quitWake = wake[1];
    }
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // Ctrl+C, a polite kill, the terminal closed, the quit key of a terminal: each ends Quillbox as the
    // Quit command does, its settings written and its shared block removed.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaction(signal, &action, nullptr);
}

CQuillboxApp::CQuillboxApp(int& argc, char** argv)
    : QApplication(argc, argv)
{
    SetIdentity();
    // The tray program lives on with every window closed.
    setQuitOnLastWindowClosed(false);
}

CQuillboxApp::~CQuillboxApp() = default;

void CQuillboxApp::SetIdentity()
{
    // The display name is every message box's caption; organisation and application name place the
    // settings in Quillbox/Quillbox.conf.
    QCoreApplication::setOrganizationName(QStringLiteral("Quillbox"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillbox"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QB_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quillbox"));
}

int CQuillboxApp::InitInstance()
{
    ui::InstallMessageBoxes();
    m_pController = new CMain;
    m_pController->SetWindows(std::make_unique<AppWindows>());
    InstallQuitSignals();
    m_pController->Start();
    delete m_pController;
    m_pController = nullptr;
    return 0;
}
