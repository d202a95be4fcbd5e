#pragma once
#include "platform/Platform.h"

#include <memory>

class QObject;

namespace platform {

// Starts programs and opens files as a Linux desktop does: programs are started detached, files
// and folders are handed to the desktop's opener (xdg-open), and the default text editor is the
// desktop's application for text/plain. Needs no display connection of its own.
class X11Shell final : public IShell {
public:
    X11Shell();
    ~X11Shell() override;
    bool ShellExecute(const QString& file, const QString& parameters, const QString& directory,
                      QString* error) override;
    bool Explore(const QString& folder, QString* error) override;
    bool OpenInDefaultEditor(const QString& path, const QString& directory, QString* error) override;
    bool OpenDocument(const QString& path, QString* error) override;

private:
    // The desktop file id of the default text editor, or empty when the desktop names none.
    static QString DefaultTextEditor();
    // Starts program (a path, or a name searched on PATH) detached in directory.
    static bool StartDetached(const QString& program, const QStringList& arguments, const QString& directory,
                              QString* error);
    // Hands target to the desktop's opener in directory. The opener runs the application it chooses
    // and ends with it; when it ends with an error (no application for the file, the application
    // failed), its reason is shown then.
    bool StartOpener(const QString& target, const QString& directory, QString* error);

    std::unique_ptr<QObject> m_openers; // the processes of the openers still running
};

} // namespace platform
