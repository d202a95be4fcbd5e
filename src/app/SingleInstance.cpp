#include "app/SingleInstance.h"

#include "hook/SharedBlock.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <xcb/xcb.h>

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    if (m_fd >= 0)
        ::close(m_fd);
}

QString SingleInstance::SelectionName()
{
    return QStringLiteral("_QUILLBOX_%1").arg(::getuid());
}

QString SingleInstance::LockPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QString display = hook::DisplayKey(qEnvironmentVariable("DISPLAY"));
    if (display.isEmpty())
        display = QStringLiteral("none");
    return QDir(folder).filePath(QStringLiteral("quillbox-%1-%2.lock").arg(::getuid()).arg(display));
}

bool SingleInstance::Acquire()
{
    bool taken = false;
    if (AcquireSelection(&taken))
        return !taken;
    return AcquireLockFile();
}

bool SingleInstance::AcquireSelection(bool* taken)
{
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return false;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    const QByteArray name = SelectionName().toLatin1();
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, quint16(name.size()), name.constData()), nullptr);
    if (!atom) {
        xcb_disconnect(connection);
        return false;
    }
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    // Looking and taking are one step for the X server: two Quillboxes started at once cannot both
    // find the selection free.
    xcb_grab_server(connection);
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    *taken = owner == nullptr || owner->owner != XCB_NONE;
    std::free(owner);
    if (!*taken)
        xcb_set_selection_owner(connection, window, selection, XCB_CURRENT_TIME);
    xcb_ungrab_server(connection);
    owner = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const bool ours = owner != nullptr && owner->owner == window;
    std::free(owner);
    if (!ours) {
        *taken = true;
        xcb_disconnect(connection);
        return true;
    }
    // The connection lives as long as the guard: closing it gives the selection up.
    m_connection = connection;
    return true;
}

bool SingleInstance::AcquireLockFile()
{
    const QByteArray path = QFile::encodeName(LockPath());
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return true; // no place for a lock: better two instances than none
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    ::close(m_fd);
    m_fd = -1;
    return false;
}
