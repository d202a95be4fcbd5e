// Naming shortcuts after their text, with an arbitrary text and an arbitrary set of names already
// taken (many of them prefixes of the text or earlier free names, so the searches go deep).
#include "FuzzCheck.h"
#include "data/ShortcutName.h"
#include "data/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <QSet>

#include <cstddef>
#include <cstdint>

using data::CharAt;
using data::CharCount;
using data::LeftChars;

namespace {

constexpr int MaxTaken = 48;

bool IsSpace(const QString& character)
{
    return character == QLatin1String(" ");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool ignoreCase = input.ConsumeBool();
    const int takenCount = input.ConsumeIntegralInRange<int>(0, MaxTaken);
    const QString text = qbfuzz::TextOf(input.ConsumeRandomLengthString(64));

    QSet<QString> names;
    auto key = [ignoreCase](const QString& name) { return ignoreCase ? name.toLower() : name; };
    QString squeezed = text;
    squeezed.remove(QRegularExpression(QStringLiteral("\\s")));
    for (int i = 0; i < takenCount && input.remaining_bytes() > 0; ++i) {
        switch (input.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: // a prefix of the text
            names.insert(key(LeftChars(text, input.ConsumeIntegralInRange<int>(0, 12))));
            break;
        case 1: // what a free name looks like
        case 2: {
            const int number = input.ConsumeIntegralInRange<int>(1, 120);
            const QString suffix = number == 1 ? QStringLiteral("_") : QStringLiteral("_%1").arg(number);
            names.insert(key(LeftChars(squeezed, input.ConsumeIntegralInRange<int>(0, 10)) + suffix));
            break;
        }
        default:
            names.insert(key(qbfuzz::TextOf(input.ConsumeRandomLengthString(16))));
            break;
        }
    }
    int lookups = 0;
    const data::NameTaken taken = [&](const QString& name) {
        ++lookups;
        return names.contains(key(name));
    };

    const std::optional<QString> name = data::MakeShortcutName(text, taken);
    if (std::getenv("QB_FUZZ_VERBOSE")) // for reading a crash input: the text and the name in hex
        std::fprintf(stderr, "text %s name %s\n", text.toUtf8().toHex(' ').constData(),
                     name ? name->toUtf8().toHex(' ').constData() : "none");
    const int textChars = CharCount(text);
    if (name) {
        const int n = CharCount(*name);
        QB_FUZZ_CHECK(text.startsWith(*name));
        QB_FUZZ_CHECK(*name == LeftChars(text, n));
        QB_FUZZ_CHECK(!taken(*name));
        QB_FUZZ_CHECK(n <= 9);
        QB_FUZZ_CHECK(textChars < 3 ? *name == text : n >= 3);
        QB_FUZZ_CHECK(text.isEmpty() || !name->isEmpty());
        // A text shorter than 3 characters is its own candidate even when it ends with a space.
        QB_FUZZ_CHECK(textChars < 3 || !IsSpace(CharAt(*name, n)));
        // The shortest free prefix: every shorter one from 3 characters on is taken and the search
        // went on past it because it did not end with a space.
        for (int m = 3; m < n; ++m) {
            QB_FUZZ_CHECK(taken(LeftChars(text, m)));
            QB_FUZZ_CHECK(!IsSpace(CharAt(text, m)));
        }
    }

    lookups = 0;
    const QString free = data::MakeFreeShortcutName(text, taken);
    // Two prefix searches of at most 8 lookups each, then one lookup per taken name at most.
    QB_FUZZ_CHECK(lookups <= 2 * 8 + int(names.size()) + 1);
    QB_FUZZ_CHECK(!taken(free));
    QB_FUZZ_CHECK(CharCount(free) <= 12 && free.size() <= 24);
    QB_FUZZ_CHECK(!free.isEmpty() || text.isEmpty());
    if (name) {
        QB_FUZZ_CHECK(free == *name);
    } else {
        // A stem without blanks, then "_", "_2", "_3", ...
        const qsizetype underscore = free.lastIndexOf(QLatin1Char('_'));
        QB_FUZZ_CHECK(underscore >= 0);
        const QString number = free.mid(underscore + 1);
        bool isNumber = false;
        QB_FUZZ_CHECK(number.isEmpty() || (number.toInt(&isNumber) >= 2 && isNumber && number.at(0) != QLatin1Char('0')));
        // Blanks are the ASCII ones; other Unicode spaces stay in the stem. Text that is not valid
        // UTF-16 (never the case for text read from the clipboard) keeps its blanks too.
        for (qsizetype i = 0; i < underscore && text.isValidUtf16(); ++i)
            QB_FUZZ_CHECK(free.at(i).unicode() > 0x7f || !free.at(i).isSpace());
    }
    return 0;
}
