#pragma once
// An X server of a test's own (Xvfb), and small xcb helpers for the tests that talk to it.
#include <QElapsedTimer>
#include <QString>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace x11test {

// Polls done every 10 ms until it holds or timeoutMs have passed (before QTRY_* can be used).
template <typename Condition>
inline bool WaitUntil(Condition done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        usleep(10 * 1000);
    }
    return true;
}

inline void Sync(xcb_connection_t* connection)
{
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

inline xcb_window_t RootOf(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

inline xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, quint16(strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

// Xvfb on the first free display from :90 to :199; DISPLAY names the server once it runs. It is
// ended when the object goes, and by the kernel if the test process dies first.
class X11TestServer {
public:
    ~X11TestServer() { Stop(m_server); }

    bool Start(QString* why)
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        std::string display;
        for (int number = 90; number <= 199 && display.empty(); ++number) {
            const std::string n = std::to_string(number);
            if (access(("/tmp/.X11-unix/X" + n).c_str(), F_OK) == 0 || access(("/tmp/.X" + n + "-lock").c_str(), F_OK) == 0)
                continue;
            // -noreset: a server resets when its last client leaves, and the probe below is one.
            m_server = Spawn({"Xvfb", ":" + n, "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"});
            const auto answers = [&] {
                xcb_connection_t* probe = xcb_connect((":" + n).c_str(), nullptr);
                const bool ok = !xcb_connection_has_error(probe);
                xcb_disconnect(probe);
                return ok;
            };
            // A server that loses the race for the number ends at once: try the next one.
            if (WaitUntil([&] { return Ended(m_server) || answers(); }, 10000) && !Ended(m_server))
                display = ":" + n;
            else
                Stop(m_server);
        }
        if (display.empty())
            return (*why = "Xvfb did not start on any display from :90 to :199"), false;
        setenv("DISPLAY", display.c_str(), 1);
        return true;
    }

private:
    static pid_t Spawn(const std::vector<std::string>& command)
    {
        std::vector<char*> argv;
        for (const std::string& word : command)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        const pid_t parent = getpid();
        const pid_t pid = fork();
        if (pid == 0) {
            // SIGTERM, so that the X server still removes its lock file and socket.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            const int null = open("/dev/null", O_RDWR);
            if (getppid() != parent || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0)
                _exit(1);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    // Whether pid has ended; reaps it when it has.
    static bool Ended(pid_t& pid)
    {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == pid)
            pid = 0;
        return pid <= 0;
    }

    static void Stop(pid_t& pid)
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        if (!WaitUntil([&] { return Ended(pid); }, 3000)) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        pid = 0;
    }

    pid_t m_server = 0;
};

} // namespace x11test
