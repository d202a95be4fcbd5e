#include "app/CQuillboxApp.h"

#include "app/AppWindows.h"

#include "core/CMain.h"
#include "ui/framework/MessageBox.h"

#include <csignal>
#include <memory>

namespace {

void OnQuitSignal(int)
{
    // Only the flag is touched here; the main loop and every modal window look at it and end in order.
    if (CMain* main = GetMain())
        main->m_bQuit = 1;
}

} // namespace

void InstallQuitSignals()
{
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
