#pragma once
#include "platform/Platform.h"

#include <QList>

namespace platform {

// Records what the program asks the desktop to start. Every call succeeds unless failWith holds a
// text, which then comes back as the error.
class FakeShell final : public IShell {
public:
    enum class Operation { ShellExecute, Explore, OpenInDefaultEditor, OpenDocument };
    struct Call {
        Operation operation;
        QString file; // the file, folder, or path of the call
        QString parameters;
        QString directory;
        bool operator==(const Call&) const = default;
    };

    bool ShellExecute(const QString& file, const QString& parameters, const QString& directory,
                      QString* error) override;
    bool Explore(const QString& folder, QString* error) override;
    bool OpenInDefaultEditor(const QString& path, const QString& directory, QString* error) override;
    bool OpenDocument(const QString& path, QString* error) override;

    QList<Call> calls;
    QString failWith;

private:
    bool Record(Call call, QString* error);
};

} // namespace platform
