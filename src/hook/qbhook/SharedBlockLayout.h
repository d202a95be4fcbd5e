#pragma once
// The shared block that tells the hook where to send its messages: 12 bytes, three little-endian
// 32-bit words: [0] the main window's X id, [4] the hook handle, [8] reserved, 0. The program
// writes it (hook/SharedBlock.h); the hook reads it each time it has a message to send, because
// the program publishes it only after the hook is installed.
#include <array>
#include <cstdint>

namespace qbhook {

constexpr std::size_t kSharedBlockSize = 12;

struct SharedBlockWords {
    std::uint32_t window = 0;
    std::uint32_t hook = 0;
    std::uint32_t reserved = 0;
};

std::array<unsigned char, kSharedBlockSize> EncodeSharedBlockWords(const SharedBlockWords& words);
SharedBlockWords DecodeSharedBlockWords(const unsigned char* bytes);

// The window of the block published as the POSIX shared-memory object name; 0 when there is no
// such object or it is shorter than a block.
std::uint32_t ReadSharedBlockWindow(const char* name);

} // namespace qbhook
