#pragma once
// The one search over everything Quillbox keeps: shortcuts, the clipboard history, the source
// library and the environments, held in memory so that each keystroke is a scan of memory only.
// Matching forgives case and gaps (the typed letters in order); the best matches are exact and
// prefix matches of a name, then unbroken matches in any field, then scattered ones; at an equal
// match the entry used last comes first, then the one used most often. No widgets.
#include <QHash>
#include <QStringView>
#include <QString>

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QSettings;

namespace search {

enum class Kind : quint8 { Shortcut, History, Source, Environment };
constexpr int kKindCount = 4;

// One thing the search finds, as its owner hands it over. name and the fields are what is matched.
struct Entry {
    Kind kind = Kind::Shortcut;
    int id = 0;     // a source's or an environment's row id; a history item's index (0 the oldest)
    QString name;   // a shortcut's, source file's or environment's name; empty for a history item
    QString text;   // a shortcut's or history item's whole text; a source file's path
    std::array<QString, 3> fields; // the other texts matched, in the order the kind lists them

    static Entry Shortcut(const QString& name, const QString& desc, const QString& text);
    static Entry History(int index, const QString& text);
    static Entry Source(int id, const QString& fileName, const QString& lang, const QString& category,
                        const QString& desc, const QString& path);
    static Entry Environment(int id, const QString& name, const QString& desc);
};

class SearchIndex {
public:
    // Texts are matched in their first this many characters: a copy can be megabytes long.
    static constexpr int kMatchedChars = 4096;

    // Replaces the entries of one kind. Uses recorded earlier stay with the entries they name.
    // Entries that match equally well, equally used, are listed in the order given here.
    void SetEntries(Kind kind, std::vector<Entry> entries);
    // Counts one use, now, of the entry of kind that key names (KeyOf).
    void RecordUse(Kind kind, const QString& key);
    // What RecordUse knows an entry by: a shortcut's name, a history item's text, a row id.
    static QString KeyOf(const Entry& entry);

    // A use remembered: whose (kind and key, as RecordUse takes them) and how often.
    struct Use {
        Kind kind = Kind::Shortcut;
        QString key;
        int count = 0;
    };
    // The uses of shortcuts, source files and environments, the most recent first, at most limit.
    // Not the history's: its order is its own recency, and its texts are kept on disk only where
    // the user saves the history.
    std::vector<Use> Uses(int limit) const;
    // Takes back uses from an earlier run (most recent first, as Uses gives them): they rank as
    // they did, and a use recorded afterwards ranks before them.
    void RestoreUses(const std::vector<Use>& uses);

    // The best matches of query, best first, at most limit of them. An empty query (blanks only)
    // gives the history, newest first. A query that extends the one before (the user typed on)
    // looks only at what the one before matched.
    std::vector<const Entry*> Search(const QString& query, int limit) const;

    int Count(Kind kind) const { return int(m_parts[std::size_t(kind)].entries.size()); }

private:
    struct Span {
        int begin = 0;
        int length = 0;
    };
    struct Item {
        int usage = 0;                 // slot in m_usage
        quint8 fieldCount = 0;
        bool hasName = false;          // fields[0] is the name
        std::array<Span, 4> fields{}; // into Part::folded
    };
    struct Part {
        std::vector<Entry> entries;
        std::vector<Item> items;       // one per entry
        std::string folded;            // every matched text, case-folded, in UTF-8, one after the other
    };
    struct Usage {
        quint64 last = 0; // the clock at the last use; 0: never used
        int count = 0;
    };

    // How well a query matches an entry; the smaller the better.
    enum Tier : quint8 { NameExact, NamePrefix, Unbroken, Scattered, NoMatch };
    // The tier of item for the folded query q, and the length of text its letters span.
    static std::pair<quint8, int> Match(const Part& part, const Item& item, std::string_view q);
    static void Fold(QStringView text, std::string& out);
    int UsageSlot(Kind kind, const QString& key);

    std::array<Part, kKindCount> m_parts;
    std::array<QHash<QString, int>, kKindCount> m_slots;
    std::vector<Usage> m_usage;
    quint64 m_clock = 0;
    // The last query searched and every entry it matched (kind << 24 | index), for the next one.
    mutable std::string m_lastQuery;
    mutable std::vector<quint32> m_lastMatches;
};

// The uses kept from run to run: the "Search" group's "Uses" in the settings, one text a use.
void SaveUses(const SearchIndex& index, QSettings& settings);
void LoadUses(SearchIndex& index, QSettings& settings);

} // namespace search
