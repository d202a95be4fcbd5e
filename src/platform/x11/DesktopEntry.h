#pragma once
// The part of a freedesktop.org desktop entry (an application's .desktop file) that starts the
// application on a file.
#include <QString>
#include <QStringList>

namespace platform {

class DesktopEntry {
public:
    // The entry with the desktop file id (e.g. "mousepad.desktop") from the applications folders
    // of XDG_DATA_HOME and XDG_DATA_DIRS, the first found winning; an empty entry when none is found.
    static DesktopEntry Find(const QString& desktopId);
    // The entry written in text, the contents of a .desktop file.
    static DesktopEntry Parse(const QString& text);

    bool RunsInTerminal() const { return m_terminal; }

    // The program and its arguments that open file: the Exec line split by its quoting rules, with
    // %f, %F, %u and %U replaced by file, %% by %, and the other field codes removed. A line
    // without a file code gets file as its last argument, as the desktop's opener does. Empty when
    // the entry names no program.
    QStringList CommandFor(const QString& file) const;

private:
    QString m_exec;
    bool m_terminal = false;
};

} // namespace platform
