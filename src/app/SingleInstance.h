#pragma once
// One Quillbox per user and display: a lock on a file in the user's runtime folder, held for the
// life of the process. The system releases it when the process ends in any way, so a killed
// instance never blocks the next start.
#include <QString>

class SingleInstance {
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock; false when another Quillbox of this user holds it on this display.
    bool Acquire();

    // The lock file for the display named by the DISPLAY variable.
    static QString LockPath();

private:
    int m_fd = -1;
};
