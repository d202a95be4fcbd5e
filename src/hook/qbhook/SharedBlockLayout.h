#pragma once
// The shared block that tells the hook where to send its messages: 12 bytes, three little-endian
// 32-bit words: [0] the main window's X id, [4] the hook handle, [8] reserved, 0 (fm.tmp holds
// these). The published shared-memory object adds [12] the run's secret, 64 bits little-endian,
// which the hook puts in every message. The program writes it (hook/SharedBlock.h); the hook
// reads it each time it has a message to send, because the program publishes it only after the
// hook is installed.
#include <array>
#include <cstdint>

namespace qbhook {

constexpr std::size_t kSharedBlockSize = 12;
constexpr std::size_t kPublishedBlockSize = kSharedBlockSize + 8;

struct SharedBlockWords {
    std::uint32_t window = 0;
    std::uint32_t hook = 0;
    std::uint32_t reserved = 0;
};

std::array<unsigned char, kSharedBlockSize> EncodeSharedBlockWords(const SharedBlockWords& words);
SharedBlockWords DecodeSharedBlockWords(const unsigned char* bytes);

// Where the hook's messages go, and the secret they carry.
struct BlockTarget {
    std::uint32_t window = 0;
    std::uint64_t secret = 0;
};

// The target of the block published as the POSIX shared-memory object name; window 0 when there
// is no such object, it is shorter than a published block, or it is not this user's alone (another
// owner, or a mode other than 0600): such a block could send the messages, and the secret, elsewhere.
BlockTarget ReadSharedBlockTarget(const char* name);

} // namespace qbhook
