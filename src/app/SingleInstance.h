#pragma once
// One Quillbox per user and display. On X11 the guard is a selection of the display, named for the
// user ("_QUILLBOX_<uid>"), owned by a window of a connection of the guard's own: the X server
// itself tells whether another Quillbox of this user runs there, whatever DISPLAY's spelling
// (":1", ":1.0", "unix:1") or the runtime folder, and it forgets the owner the moment that process
// ends in any way. Without an X display the guard is a lock on a file in the runtime folder, named
// for the user and the display.
#include <QString>

struct xcb_connection_t;

class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the guard; false when another Quillbox of this user holds it on this display.
    bool Acquire();

    // The selection that marks this user's Quillbox on its display.
    static QString SelectionName();
    // The lock file used when there is no X display.
    static QString LockPath();

private:
    bool AcquireSelection(bool* taken);
    bool AcquireLockFile();

    xcb_connection_t* m_connection = nullptr;
    int m_fd = -1;
};
