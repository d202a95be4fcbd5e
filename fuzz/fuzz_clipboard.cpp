// The clipboard history driven by random sequences of operations and compared after each one with
// a plain model: a deque of (use count, text), the iteration position, the promotions asked for and
// the table the last save left.
#include "FuzzCheck.h"
#include "data/CClipboard.h"
#include "data/DataFile.h"
#include "data/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace {

constexpr int MaxOperations = 64;

struct ModelItem {
    int uses = 0;
    QString text;
};

// One data file per fuzzing process, made on the first input; the table's rows outlive each input,
// so the model of the table does too.
const QString& DataFilePath()
{
    // In memory where the system offers it: every save syncs the file, which on a disk would
    // slow the run down a hundredfold.
    static const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                          : QDir::tempPath();
    static QTemporaryDir folder(base + QStringLiteral("/qb-fuzz-clipboard-XXXXXX"));
    static const QString path = [] {
        QB_FUZZ_CHECK(folder.isValid());
        const QString file = folder.filePath(QStringLiteral("quillbox.dat"));
        data::CreateDatabase(file);
        return file;
    }();
    return path;
}

std::vector<QString>& SavedTable()
{
    static std::vector<QString> rows; // c_id order: the oldest item first
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    int capacity = input.ConsumeIntegralInRange<int>(-1, 6);
    int upgradeAt = input.ConsumeIntegralInRange<int>(-1, 3);
    QSet<QString> shortcuts;
    QStringList promoted;

    ClipboardContext context;
    context.capacity = [&] { return capacity; };
    context.upgradeAt = [&] { return upgradeAt; };
    context.textIsShortcut = [&](const QString& text) { return shortcuts.contains(text); };
    context.makeShortcut = [&](const QString& text) {
        promoted.append(text);
        shortcuts.insert(text);
    };
    context.databasePath = [] { return DataFilePath(); };
    CClipboard clipboard(context);

    std::deque<ModelItem> model;
    int next = -1; // as the history's own position: -1 is past the end
    QStringList expectedPromotions;
    QSet<QString> modelShortcuts; // the model's own: makeShortcut above already changed shortcuts

    for (int op = 0; op < MaxOperations && input.remaining_bytes() > 0; ++op) {
        switch (input.ConsumeIntegralInRange<int>(0, 15)) {
        case 0: case 1: case 2: case 3: { // copy a text
            const QString text = QString::fromUtf8(input.ConsumeRandomLengthString(160));
            QB_FUZZ_CHECK(clipboard.Add(text) == 1);
            if (int(model.size()) >= std::max(1, capacity) && !model.empty())
                model.pop_front();
            model.push_back({0, text});
            next = 0;
            break;
        }
        case 4: case 5: case 6: { // walk the history
            QString text = QStringLiteral("untouched");
            clipboard.GetNext(text);
            if (next < 0 || next >= int(model.size())) {
                QB_FUZZ_CHECK(text == CClipboard::End);
                next = 0;
            } else {
                QB_FUZZ_CHECK(text == model[size_t(next)].text);
                if (++next >= int(model.size()))
                    next = -1;
            }
            break;
        }
        case 7: case 8: { // paste an item, sometimes one that is not there
            const int index = input.ConsumeIntegralInRange<int>(-1, int(model.size()));
            clipboard.Use(index);
            if (index >= 0 && index < int(model.size())) {
                ModelItem& item = model[size_t(index)];
                ++item.uses;
                if (item.uses == upgradeAt && !modelShortcuts.contains(item.text)) {
                    expectedPromotions.append(item.text);
                    modelShortcuts.insert(item.text);
                }
            }
            break;
        }
        case 9: case 10: { // delete one, sometimes one that is not there
            const int index = input.ConsumeIntegralInRange<int>(-1, int(model.size()));
            QB_FUZZ_CHECK(clipboard.Delete(index) == 1);
            if (index >= 0 && index < int(model.size())) {
                model.erase(model.begin() + index);
                next = 0;
            }
            break;
        }
        case 11:
            QB_FUZZ_CHECK(clipboard.DeleteAll() == 1);
            model.clear();
            next = -1;
            break;
        case 12: // the settings change under the history
            capacity = input.ConsumeIntegralInRange<int>(-1, 6);
            upgradeAt = input.ConsumeIntegralInRange<int>(-1, 3);
            break;
        case 13: case 14: { // save: the table holds the history, texts cut to the column's width
            clipboard.Save();
            auto& rows = SavedTable();
            rows.clear();
            for (const ModelItem& item : model)
                rows.push_back(data::LeftChars(item.text, CClipboard::SavedTextWidth));
            break;
        }
        default: { // load: the table's rows come back newest first, unused
            clipboard.Load();
            model.clear();
            for (const QString& row : SavedTable())
                model.push_front({0, row});
            next = 0;
            break;
        }
        }

        QB_FUZZ_CHECK(clipboard.Count() == int(model.size()));
        for (size_t i = 0; i < model.size(); ++i) {
            const CClipboard::Item& item = clipboard.At(int(i));
            QB_FUZZ_CHECK(item.m_strText == model[i].text);
            QB_FUZZ_CHECK(item.m_nUseCount == model[i].uses);
        }
        if (promoted != expectedPromotions) {
            std::fprintf(stderr, "promoted %s, expected %s\n", qPrintable(promoted.join(QLatin1Char('|'))),
                         qPrintable(expectedPromotions.join(QLatin1Char('|'))));
            std::abort();
        }
    }
    // Saved texts are prefixes of what was copied and fit the column.
    for (const QString& row : SavedTable())
        QB_FUZZ_CHECK(data::CharCount(row) <= CClipboard::SavedTextWidth);
    return 0;
}
