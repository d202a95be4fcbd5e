#include "platform/fake/FakeShell.h"

#include <utility>

namespace platform {

bool FakeShell::ShellExecute(const QString& file, const QString& parameters, const QString& directory,
                             QString* error)
{
    return Record({Operation::ShellExecute, file, parameters, directory}, error);
}

bool FakeShell::Explore(const QString& folder, QString* error)
{
    return Record({Operation::Explore, folder, {}, {}}, error);
}

bool FakeShell::OpenInDefaultEditor(const QString& path, const QString& directory, QString* error)
{
    return Record({Operation::OpenInDefaultEditor, path, {}, directory}, error);
}

bool FakeShell::OpenDocument(const QString& path, QString* error)
{
    return Record({Operation::OpenDocument, path, {}, {}}, error);
}

bool FakeShell::Record(Call call, QString* error)
{
    calls.append(std::move(call));
    if (failWith.isEmpty())
        return true;
    if (error)
        *error = failWith;
    return false;
}

} // namespace platform
