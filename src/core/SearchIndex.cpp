#include "core/SearchIndex.h"

#include <algorithm>
#include <string_view>

namespace search {

Entry Entry::Shortcut(const QString& name, const QString& desc, const QString& text)
{
    return Entry{Kind::Shortcut, 0, name, text, {desc, text, QString()}};
}

Entry Entry::History(int index, const QString& text)
{
    return Entry{Kind::History, index, QString(), text, {text, QString(), QString()}};
}

Entry Entry::Source(int id, const QString& fileName, const QString& lang, const QString& category,
                    const QString& desc, const QString& path)
{
    return Entry{Kind::Source, id, fileName, path, {lang, category, desc}};
}

Entry Entry::Environment(int id, const QString& name, const QString& desc)
{
    return Entry{Kind::Environment, id, name, QString(), {desc, QString(), QString()}};
}

namespace {

// How well a query matches an entry; the smaller the better.
enum Tier : quint8 { NameExact, NamePrefix, Unbroken, Scattered, NoMatch };

std::u16string_view View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())};
}

// Whether query's characters appear in text in their order; *span is the stretch of text from the
// first to the last (the first occurrence of each, in turn).
bool Scatters(std::u16string_view text, std::u16string_view query, int* span)
{
    std::size_t at = text.find(query.front());
    if (at == std::u16string_view::npos)
        return false;
    const std::size_t first = at;
    for (std::size_t q = 1; q < query.size(); ++q) {
        at = text.find(query[q], at + 1);
        if (at == std::u16string_view::npos)
            return false;
    }
    *span = int(at - first + 1);
    return true;
}

struct Candidate {
    Tier tier;
    Kind kind;
    int span;
    quint64 last;
    int count;
    int order;
    const Entry* entry;

    bool operator<(const Candidate& other) const
    {
        if (tier != other.tier)
            return tier < other.tier;
        if (last != other.last)
            return last > other.last;
        if (count != other.count)
            return count > other.count;
        if (span != other.span)
            return span < other.span;
        if (kind != other.kind)
            return kind < other.kind;
        return order < other.order;
    }
};

} // namespace

void SearchIndex::SetEntries(Kind kind, std::vector<Entry> entries)
{
    Part& part = m_parts[std::size_t(kind)];
    part.entries = std::move(entries);
    part.items.clear();
    part.items.reserve(part.entries.size());
    part.folded.clear();
    for (const Entry& entry : part.entries) {
        Item item;
        item.usage = UsageSlot(kind, KeyOf(entry));
        item.hasName = !entry.name.isEmpty();
        auto add = [&](const QString& text) {
            if (text.isEmpty())
                return;
            const QString folded = text.left(kMatchedChars).toCaseFolded();
            item.fields[item.fieldCount++] = Span{int(part.folded.size()), int(folded.size())};
            part.folded.append(View(folded));
        };
        add(entry.name);
        for (const QString& field : entry.fields)
            add(field);
        part.items.push_back(item);
    }
}

QString SearchIndex::KeyOf(const Entry& entry)
{
    switch (entry.kind) {
    case Kind::Shortcut:
        return entry.name;
    case Kind::History:
        return entry.text.left(kMatchedChars);
    case Kind::Source:
    case Kind::Environment:
        break;
    }
    return QString::number(entry.id);
}

int SearchIndex::UsageSlot(Kind kind, const QString& key)
{
    QHash<QString, int>& keys = m_slots[std::size_t(kind)];
    const auto found = keys.constFind(key);
    if (found != keys.constEnd())
        return *found;
    m_usage.push_back(Usage{});
    return *keys.insert(key, int(m_usage.size() - 1));
}

void SearchIndex::RecordUse(Kind kind, const QString& key)
{
    const QString used = kind == Kind::History ? key.left(kMatchedChars) : key;
    Usage& usage = m_usage[std::size_t(UsageSlot(kind, used))];
    usage.last = ++m_clock;
    ++usage.count;
}

std::vector<const Entry*> SearchIndex::Search(const QString& query, int limit) const
{
    std::vector<const Entry*> found;
    if (limit <= 0)
        return found;
    const QString folded = query.trimmed().left(kMatchedChars).toCaseFolded();
    if (folded.isEmpty()) {
        // The history, newest first.
        const Part& history = m_parts[std::size_t(Kind::History)];
        for (const Entry& entry : history.entries)
            found.push_back(&entry);
        std::sort(found.begin(), found.end(), [](const Entry* a, const Entry* b) { return a->id > b->id; });
        if (int(found.size()) > limit)
            found.resize(std::size_t(limit));
        return found;
    }

    const std::u16string_view q = View(folded);
    std::vector<Candidate> candidates;
    for (std::size_t k = 0; k < m_parts.size(); ++k) {
        const Part& part = m_parts[k];
        const std::u16string_view all(part.folded);
        for (std::size_t i = 0; i < part.items.size(); ++i) {
            const Item& item = part.items[i];
            Tier tier = NoMatch;
            int span = 0;
            for (int f = 0; f < item.fieldCount && tier > Unbroken; ++f) {
                const std::u16string_view text = all.substr(std::size_t(item.fields[f].begin),
                                                            std::size_t(item.fields[f].length));
                if (text.size() < q.size())
                    continue;
                if (f == 0 && item.hasName && text.substr(0, q.size()) == q) {
                    tier = text.size() == q.size() ? NameExact : NamePrefix;
                    span = int(q.size());
                } else if (text.find(q) != std::u16string_view::npos) {
                    tier = Unbroken;
                    span = int(q.size());
                } else if (tier > Scattered) {
                    int scattered = 0;
                    if (Scatters(text, q, &scattered))
                        tier = Scattered, span = scattered;
                } else if (tier == Scattered) {
                    int scattered = 0;
                    if (Scatters(text, q, &scattered) && scattered < span)
                        span = scattered;
                }
            }
            if (tier == NoMatch)
                continue;
            const Usage& usage = m_usage[std::size_t(item.usage)];
            candidates.push_back(
                Candidate{tier, Kind(k), span, usage.last, usage.count, int(i), &part.entries[i]});
        }
    }
    const auto end = candidates.begin() + std::min<std::ptrdiff_t>(limit, std::ptrdiff_t(candidates.size()));
    std::partial_sort(candidates.begin(), end, candidates.end());
    for (auto it = candidates.begin(); it != end; ++it)
        found.push_back(it->entry);
    return found;
}

} // namespace search
