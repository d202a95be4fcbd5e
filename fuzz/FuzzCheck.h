#pragma once
// What the fuzz targets share: a check that stops the run with a message libFuzzer keeps next to
// the input that broke it, and the reading of fuzz bytes as text.
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>

#define QB_FUZZ_CHECK(condition)                                                                   \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace qbfuzz {

// Text from fuzz bytes: as UTF-8 (what the clipboard and the data file hold) when the first byte
// is even, otherwise as raw UTF-16 units, which also gives lone surrogates and other text Qt
// would never decode from UTF-8.
inline QString TextOf(const std::string& bytes)
{
    if (bytes.empty() || (static_cast<unsigned char>(bytes[0]) & 1u) == 0)
        return QString::fromUtf8(bytes.data() + (bytes.empty() ? 0 : 1),
                                 qsizetype(bytes.size()) - (bytes.empty() ? 0 : 1));
    const qsizetype units = qsizetype(bytes.size() - 1) / 2;
    return QString(reinterpret_cast<const QChar*>(bytes.data() + 1), units);
}

} // namespace qbfuzz
