#pragma once
// Splitting paths at their last separator. Both '\' and '/' separate, so a path written for
// Windows (C:\src\main.c) and a Linux one (/home/me/src/main.c) split alike and data files carry
// over between the two. And where Quillbox's installed files are.
#include <QString>

namespace platform {

// Index of the last '\' or '/' in path, or -1 when it holds none.
int LastSeparator(const QString& path);

// The text after the last separator: the whole path when there is none, empty when the path ends
// with a separator.
QString FileNameOf(const QString& path);

// The text before the last separator, without it: the folder a file is started in. Empty when the
// path holds no separator. A file at the root of a Linux file system ("/a.pas") gives "/", so that
// the folder stays usable as a working directory; "\a.pas" gives "" and "C:\a.pas" gives "C:".
QString FolderOf(const QString& path);

// The folder the file manager shows for path: its folder when the last separator stands after the
// first character, otherwise empty (the file manager's default folder).
QString FolderToExplore(const QString& path);

// Whether path may name an application: it needs a separator after its first character, so a bare
// name ("notepad.exe", "gedit") is refused and "C:\Tools\" or "/usr/bin/gedit" is accepted. The
// file need not exist.
bool IsApplicationPathValid(const QString& path);

// Where Quillbox's installed shared file name is (the help page): in the install tree beside the
// program (<prefix>/share/quillbox), otherwise in the desktop's data folders (~/.local/share,
// /usr/local/share, /usr/share, each with quillbox/). Empty when it is in none of them.
QString InstalledFile(const QString& name);

// The place of name in the install tree beside the program, whether or not it is there.
QString InstallTreeFile(const QString& name);

} // namespace platform
