// The path helper on arbitrary text: the folder, the separator and the file name put back together
// give the path again, and the answers agree with one another.
#include "FuzzCheck.h"
#include "platform/Paths.h"

#include <cstddef>
#include <cstdint>

namespace {

bool IsSeparator(QChar c)
{
    return c == QLatin1Char('/') || c == QLatin1Char('\\');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = qbfuzz::TextOf(std::string(reinterpret_cast<const char*>(data), size));
    const int separator = platform::LastSeparator(path);
    const QString file = platform::FileNameOf(path);
    const QString folder = platform::FolderOf(path);

    QB_FUZZ_CHECK(separator >= -1 && separator < path.size());
    for (qsizetype i = separator + 1; i < path.size(); ++i)
        QB_FUZZ_CHECK(!IsSeparator(path.at(i)));
    if (separator < 0) {
        QB_FUZZ_CHECK(file == path);
        QB_FUZZ_CHECK(folder.isEmpty());
    } else {
        QB_FUZZ_CHECK(IsSeparator(path.at(separator)));
        QB_FUZZ_CHECK(!file.contains(QLatin1Char('/')) && !file.contains(QLatin1Char('\\')));
        // A file at the root of a Linux file system keeps "/" as its folder.
        const bool linuxRoot = separator == 0 && path.at(0) == QLatin1Char('/');
        QB_FUZZ_CHECK(folder == (linuxRoot ? QStringLiteral("/") : path.left(separator)));
        const QString rebuilt = linuxRoot ? QStringLiteral("/") + file : folder + path.at(separator) + file;
        QB_FUZZ_CHECK(rebuilt == path);
    }
    QB_FUZZ_CHECK(platform::FolderToExplore(path) == (separator > 0 ? path.left(separator) : QString()));
    QB_FUZZ_CHECK(platform::IsApplicationPathValid(path) == (separator > 0));
    return 0;
}
