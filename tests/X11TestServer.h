#pragma once
// An X server of a test's own (Xvfb, and openbox when a window manager is wanted), and small xcb
// helpers for the tests that talk to it.
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

// Polls done every 10 ms until it holds or timeoutMs have passed; used before the application
// (and so QTRY_*) exists.
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

inline bool CanConnect(const std::string& display)
{
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool connected = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return connected;
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

// The X server of a test, and optionally its window manager: Xvfb on the first free display from
// :90 to :199, openbox. DISPLAY names the server once it runs. Each process is ended by its id when
// the object goes, and by the kernel if the test process dies first; the machine's own display is
// never used.
class X11TestServer {
public:
    ~X11TestServer()
    {
        Stop(m_windowManager);
        Stop(m_server);
    }

    bool Start(bool windowManager, QString* why)
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        for (int number = 90; number <= 199 && m_display.empty(); ++number) {
            const std::string n = std::to_string(number);
            if (access(("/tmp/.X11-unix/X" + n).c_str(), F_OK) == 0 || access(("/tmp/.X" + n + "-lock").c_str(), F_OK) == 0)
                continue;
            // WORKAROUND: an X server resets when its last client leaves, and a client connecting
            // during the reset fails or hangs; the probe below is such a last client.
            m_server = Spawn({"Xvfb", ":" + n, "-screen", "0", "1280x800x24", "-nolisten", "tcp", "-noreset"});
            // A server that loses the race for the number ends at once: try the next one.
            bool ended = false;
            const bool up = WaitUntil([&] { return (ended = Ended(m_server)) || CanConnect(":" + n); }, 10000);
            if (up && !ended && !Ended(m_server))
                m_display = ":" + n;
            else
                Stop(m_server);
        }
        if (m_display.empty())
            return Fail(why, "Xvfb did not start on any display from :90 to :199");
        setenv("DISPLAY", m_display.c_str(), 1);
        if (!windowManager)
            return true;

        m_windowManager = Spawn({"openbox", "--sm-disable"});
        // The window manager is ready once it manages a window: it gives the window WM_STATE.
        // (Its _NET_SUPPORTING_WM_CHECK comes earlier, while it still starts up.)
        xcb_connection_t* connection = xcb_connect(m_display.c_str(), nullptr);
        const xcb_atom_t wmState = Atom(connection, "WM_STATE");
        const xcb_window_t probe = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, RootOf(connection), 0, 0, 10, 10, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(connection, probe);
        xcb_flush(connection);
        const bool managed = WaitUntil(
            [&] {
                if (Ended(m_windowManager))
                    return true;
                xcb_get_property_reply_t* reply = xcb_get_property_reply(
                    connection, xcb_get_property(connection, 0, probe, wmState, XCB_GET_PROPERTY_TYPE_ANY, 0, 2), nullptr);
                const bool set = reply && xcb_get_property_value_length(reply) > 0;
                std::free(reply);
                return set;
            },
            10000);
        xcb_destroy_window(connection, probe);
        Sync(connection);
        xcb_disconnect(connection);
        if (!managed || Ended(m_windowManager))
            return Fail(why, "openbox did not start");
        return true;
    }

private:
    static bool Fail(QString* why, const char* text)
    {
        *why = QString::fromLatin1(text);
        return false;
    }

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
            if (getppid() != parent)
                _exit(1);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    // Whether pid has ended; reaps it when it has.
    bool Ended(pid_t& pid)
    {
        if (pid <= 0)
            return true;
        if (waitpid(pid, nullptr, WNOHANG) != pid)
            return false;
        pid = 0;
        return true;
    }

    void Stop(pid_t& pid)
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

    std::string m_display;
    pid_t m_server = 0;
    pid_t m_windowManager = 0;
};

} // namespace x11test
