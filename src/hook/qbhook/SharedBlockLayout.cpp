#include "hook/qbhook/SharedBlockLayout.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qbhook {

namespace {
void PutWord(unsigned char* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t GetWord(const unsigned char* at)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}
} // namespace

std::array<unsigned char, kSharedBlockSize> EncodeSharedBlockWords(const SharedBlockWords& words)
{
    std::array<unsigned char, kSharedBlockSize> bytes{};
    PutWord(bytes.data(), words.window);
    PutWord(bytes.data() + 4, words.hook);
    PutWord(bytes.data() + 8, words.reserved);
    return bytes;
}

SharedBlockWords DecodeSharedBlockWords(const unsigned char* bytes)
{
    return {GetWord(bytes), GetWord(bytes + 4), GetWord(bytes + 8)};
}

BlockTarget ReadSharedBlockTarget(const char* name)
{
    if (name == nullptr || *name == '\0')
        return {};
    const int fd = shm_open(name, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return {};
    BlockTarget target;
    struct stat info {};
    if (fstat(fd, &info) == 0 && info.st_uid == geteuid() && (info.st_mode & 07777) == 0600 &&
        info.st_size >= static_cast<off_t>(kPublishedBlockSize)) {
        void* view = mmap(nullptr, kPublishedBlockSize, PROT_READ, MAP_SHARED, fd, 0);
        if (view != MAP_FAILED) {
            const auto* bytes = static_cast<const unsigned char*>(view);
            target.window = DecodeSharedBlockWords(bytes).window;
            target.secret = GetWord(bytes + kSharedBlockSize) |
                            static_cast<std::uint64_t>(GetWord(bytes + kSharedBlockSize + 4)) << 32;
            munmap(view, kPublishedBlockSize);
        }
    }
    close(fd);
    return target;
}

} // namespace qbhook
