#include "core/SearchIndex.h"

#include <QSettings>

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

// The length of the UTF-8 sequence that starts with lead.
std::size_t SequenceLength(char lead)
{
    const auto byte = static_cast<unsigned char>(lead);
    return byte < 0x80 ? 1 : byte < 0xe0 ? 2 : byte < 0xf0 ? 3 : 4;
}

// Whether query's characters appear in text in their order; *span is the stretch of text (in
// bytes) from the first to the last, taking the first occurrence of each in turn. Both are
// case-folded UTF-8: one byte is looked for with memchr, a longer character as a whole.
bool Scatters(std::string_view text, std::string_view query, int* span)
{
    std::size_t at = 0;
    std::size_t first = std::string_view::npos;
    for (std::size_t q = 0; q < query.size();) {
        const std::size_t length = SequenceLength(query[q]);
        const std::size_t found = length == 1 ? text.find(query[q], at) : text.find(query.substr(q, length), at);
        if (found == std::string_view::npos)
            return false;
        if (first == std::string_view::npos)
            first = found;
        at = found + length;
        q += length;
    }
    *span = int(at - first);
    return true;
}

} // namespace

// Appends text case-folded, in UTF-8, to out; plain ASCII, by far the most common, without a copy.
void SearchIndex::Fold(QStringView text, std::string& out)
{
    const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (!ascii) {
        out.append(text.toString().toCaseFolded().toStdString());
        return;
    }
    for (QChar c : text) {
        const char u = char(c.unicode());
        out.push_back(u >= 'A' && u <= 'Z' ? char(u + ('a' - 'A')) : u);
    }
}

namespace {

struct Candidate {
    quint8 tier;
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
    m_lastQuery.clear();
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
            const int begin = int(part.folded.size());
            Fold(QStringView(text).left(kMatchedChars), part.folded);
            item.fields[item.fieldCount++] = Span{begin, int(part.folded.size()) - begin};
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

std::vector<SearchIndex::Use> SearchIndex::Uses(int limit) const
{
    std::vector<std::pair<quint64, Use>> used;
    for (std::size_t k = 0; k < m_slots.size(); ++k) {
        if (Kind(k) == Kind::History)
            continue;
        for (auto it = m_slots[k].constBegin(); it != m_slots[k].constEnd(); ++it) {
            const Usage& usage = m_usage[std::size_t(it.value())];
            if (usage.count > 0)
                used.push_back({usage.last, Use{Kind(k), it.key(), usage.count}});
        }
    }
    std::sort(used.begin(), used.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<Use> uses;
    for (std::size_t i = 0; i < used.size() && int(i) < limit; ++i)
        uses.push_back(used[i].second);
    return uses;
}

void SearchIndex::RestoreUses(const std::vector<Use>& uses)
{
    // Renumbered from the oldest, under this run's clock: what is used now comes after them.
    const quint64 base = m_clock;
    for (std::size_t i = 0; i < uses.size(); ++i) {
        Usage& usage = m_usage[std::size_t(UsageSlot(uses[i].kind, uses[i].key))];
        usage.last = base + uses.size() - i;
        usage.count = uses[i].count;
    }
    m_clock = base + uses.size();
}

namespace {

constexpr const char* UsesGroup = "Search";
constexpr const char* UsesKey = "Uses";
constexpr int KeptUses = 500;
constexpr char KindLetters[] = {'s', 'h', 'f', 'e'};

} // namespace

void SaveUses(const SearchIndex& index, QSettings& settings)
{
    // "<kind letter>:<count>:<key>", the key last so that it may hold any character.
    QStringList texts;
    for (const SearchIndex::Use& use : index.Uses(KeptUses))
        texts << QStringLiteral("%1:%2:%3").arg(QChar::fromLatin1(KindLetters[int(use.kind)])).arg(use.count).arg(use.key);
    settings.beginGroup(QLatin1String(UsesGroup));
    if (texts.isEmpty())
        settings.remove(QLatin1String(UsesKey));
    else
        settings.setValue(QLatin1String(UsesKey), texts);
    settings.endGroup();
}

void LoadUses(SearchIndex& index, QSettings& settings)
{
    settings.beginGroup(QLatin1String(UsesGroup));
    const QStringList texts = settings.value(QLatin1String(UsesKey)).toStringList();
    settings.endGroup();
    std::vector<SearchIndex::Use> uses;
    for (const QString& text : texts) {
        const QString letter = text.section(u':', 0, 0);
        bool number = false;
        const int count = text.section(u':', 1, 1).toInt(&number);
        const QString key = text.section(u':', 2);
        const char* kind = std::find(std::begin(KindLetters), std::end(KindLetters),
                                     letter.size() == 1 ? letter.at(0).toLatin1() : char(0));
        // A text that is not one of ours (edited by hand) is passed over.
        if (kind == std::end(KindLetters) || Kind(kind - KindLetters) == Kind::History || !number || count <= 0
            || key.isEmpty())
            continue;
        uses.push_back({Kind(kind - KindLetters), key, count});
        if (int(uses.size()) == KeptUses)
            break;
    }
    index.RestoreUses(uses);
}

std::vector<const Entry*> SearchIndex::Search(const QString& query, int limit) const
{
    std::vector<const Entry*> found;
    if (limit <= 0)
        return found;
    std::string q;
    Fold(QStringView(query).trimmed().left(kMatchedChars), q);
    if (q.empty()) {
        // The history, newest first.
        const Part& history = m_parts[std::size_t(Kind::History)];
        for (const Entry& entry : history.entries)
            found.push_back(&entry);
        std::sort(found.begin(), found.end(), [](const Entry* a, const Entry* b) { return a->id > b->id; });
        if (int(found.size()) > limit)
            found.resize(std::size_t(limit));
        return found;
    }

    // What does not match a query matches no query that extends it.
    const bool narrowing = !m_lastQuery.empty() && q.starts_with(m_lastQuery);
    std::vector<quint32> matches;
    std::vector<Candidate> candidates;
    auto consider = [&](std::size_t k, std::size_t i) {
        const Part& part = m_parts[k];
        const auto [tier, span] = Match(part, part.items[i], q);
        if (tier == NoMatch)
            return;
        matches.push_back(quint32(k << 24 | i));
        const Usage& usage = m_usage[std::size_t(part.items[i].usage)];
        candidates.push_back(Candidate{tier, Kind(k), span, usage.last, usage.count, int(i), &part.entries[i]});
    };
    if (narrowing) {
        for (const quint32 match : m_lastMatches)
            consider(match >> 24, match & 0xffffff);
    } else {
        for (std::size_t k = 0; k < m_parts.size(); ++k)
            for (std::size_t i = 0; i < m_parts[k].items.size(); ++i)
                consider(k, i);
    }
    m_lastQuery = q;
    m_lastMatches = std::move(matches);

    const auto end = candidates.begin() + std::min<std::ptrdiff_t>(limit, std::ptrdiff_t(candidates.size()));
    std::partial_sort(candidates.begin(), end, candidates.end());
    for (auto it = candidates.begin(); it != end; ++it)
        found.push_back(it->entry);
    return found;
}

std::pair<quint8, int> SearchIndex::Match(const Part& part, const Item& item, std::string_view q)
{
    const std::string_view all(part.folded);
    Tier tier = NoMatch;
    int span = 0;
    for (int f = 0; f < item.fieldCount && tier > Unbroken; ++f) {
        const std::string_view text =
            all.substr(std::size_t(item.fields[f].begin), std::size_t(item.fields[f].length));
        if (text.size() < q.size())
            continue;
        if (f == 0 && item.hasName && text.starts_with(q))
            return {text.size() == q.size() ? NameExact : NamePrefix, int(q.size())};
        // One pass tells most fields apart: only letters found in order can be found unbroken.
        int scattered = 0;
        if (!Scatters(text, q, &scattered))
            continue;
        if (scattered == int(q.size()) || text.find(q) != std::string_view::npos) {
            tier = Unbroken;
            span = int(q.size());
        } else if (tier == NoMatch || scattered < span) {
            tier = Scattered;
            span = scattered;
        }
    }
    return {tier, span};
}

} // namespace search
