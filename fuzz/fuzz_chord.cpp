// Chord reading and printing on arbitrary text: whatever Parse accepts prints in the canonical form,
// and that form reads back to the same chord and prints the same again.
#include "FuzzCheck.h"
#include "hook/qbhook/Chord.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using qbhook::Chord;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<Chord> chord = Chord::Parse(text);
    if (!chord)
        return 0;
    QB_FUZZ_CHECK(chord->keysym != 0);
    QB_FUZZ_CHECK((chord->modifiers & ~0xFu) == 0);
    const std::string printed = chord->ToString();
    QB_FUZZ_CHECK(!printed.empty());
    const std::optional<Chord> again = Chord::Parse(printed);
    if (!again || !(*again == *chord)) {
        std::fprintf(stderr, "\"%.*s\" reads as \"%s\", which reads %s\n", int(size),
                     reinterpret_cast<const char*>(data), printed.c_str(),
                     again ? again->ToString().c_str() : "as nothing");
        std::abort();
    }
    QB_FUZZ_CHECK(again->ToString() == printed);
    return 0;
}
