#pragma once
// The shared block that tells the hook library where to send its messages: the main window's X
// id and the hook handle in 12 bytes (layout in hook/qbhook/SharedBlockLayout.h). The program
// writes it to fm.tmp in the current directory and publishes it as a POSIX shared-memory object
// named for this user and this display, both readable by the user only; the library reads the
// object.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace hook {

constexpr const char* kSharedBlockFile = "fm.tmp";

// The X display a DISPLAY value names, as "<number>" for the local machine or "<host>-<number>",
// whatever its spelling: ":0", ":0.0", "unix:0" and "localhost:0" are one display. Characters
// that cannot be part of a name become "_". Empty when the value names no display.
QString DisplayKey(const QString& display);

// The shared-memory object of this user on this display ("/quillbox-<uid>-<display key>"), so
// that two users, or one user on two displays, never reach each other's Quillbox.
QString SharedBlockName();

// This run's secret: random, drawn once per process, never 0. The published block carries it and
// the hook puts it in every message, so that a message without it is known not to be the hook's.
quint64 RunSecret();

// The 12 bytes: window, hook, 0, each a little-endian 32-bit word. X ids fit in 32 bits.
QByteArray EncodeSharedBlock(quint32 window, quint32 hook);

// Writes bytes to path as a new file of mode 0600, replacing whatever was there (a link is
// replaced, not followed). False when it cannot be written.
bool WriteSharedBlock(const QString& path, const QByteArray& bytes);

// Creates the shared-memory object name (mode 0600) holding bytes followed by secret (64 bits,
// little-endian), or fills the one that is there when it is this user's and of mode 0600. False
// when it cannot, and for an object of another owner or another mode, which is left alone.
bool PublishSharedBlock(const QString& name, const QByteArray& bytes, quint64 secret = RunSecret());

// Removes the shared-memory object name if it still holds what this process published there; the
// hook then sends nothing. A block another process has published since stays. fm.tmp stays on disk.
void ReleaseSharedBlock(const QString& name);

} // namespace hook
