// The search over everything the stores keep: the index follows the stores, and what the search
// finds is used as its own sheet uses it.
#include "core/CMain.h"

#include "data/CClipboard.h"
#include "data/CShortcut.h"

#include <algorithm>
#include <utility>

using search::Entry;
using search::Kind;

const search::SearchIndex& CMain::SearchIndex()
{
    if (m_searchDatabase != m_strDatabase) {
        m_searchDatabase = m_strDatabase;
        m_searchStale.fill(true);
    }
    // Each kind is marked fresh only once it has been read: a data file that fails is read again.
    auto refresh = [this](Kind kind, auto read) {
        if (m_searchStale[std::size_t(kind)]) {
            m_search.SetEntries(kind, read());
            m_searchStale[std::size_t(kind)] = false;
        }
    };
    refresh(Kind::Shortcut, [this] {
        std::vector<Entry> entries;
        if (m_pShortcut) {
            entries.reserve(std::size_t(m_pShortcut->Count()));
            m_pShortcut->ForEach([&entries](const ShortcutRecord& record) {
                entries.push_back(Entry::Shortcut(record.shortcut, record.desc, record.text));
            });
            // Shortcuts that match equally well are listed by name.
            std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
        }
        return entries;
    });
    refresh(Kind::History, [this] {
        std::vector<Entry> entries;
        for (int i = 0; m_pClipboard && i < m_pClipboard->Count(); ++i)
            entries.push_back(Entry::History(i, m_pClipboard->At(i).m_strText));
        return entries;
    });
    refresh(Kind::Source, [this] {
        std::vector<Entry> entries;
        for (const data::SourceRecord& r : GetSources())
            entries.push_back(Entry::Source(r.id, r.fileName, r.lang, r.field, r.desc, r.path));
        return entries;
    });
    refresh(Kind::Environment, [this] {
        std::vector<Entry> entries;
        for (const data::EnvRecord& r : GetEnvironments())
            entries.push_back(Entry::Environment(r.id, r.name, r.desc));
        return entries;
    });
    return m_search;
}

QStringList CMain::UseSearchEntry(const Entry& entry, platform::WindowId window)
{
    switch (entry.kind) {
    case Kind::Shortcut:
        m_search.RecordUse(Kind::Shortcut, entry.name);
        PasteRestoring(window, entry.text);
        return {};
    case Kind::History: {
        // The item as the history holds it now; counted as the clipboard manager counts a paste.
        int index = entry.id;
        if (index >= m_pClipboard->Count() || m_pClipboard->At(index).m_strText != entry.text) {
            for (index = m_pClipboard->Count() - 1; index >= 0; --index)
                if (m_pClipboard->At(index).m_strText == entry.text)
                    break;
        }
        if (index >= 0)
            UseClipboardItem(index);
        PasteRestoring(window, entry.text);
        return {};
    }
    case Kind::Source: {
        QString error;
        if (!OpenSource(entry.id, entry.text, &error))
            return {QStringLiteral("Quillbox could not open %1:\n%2").arg(entry.text, error)};
        return {};
    }
    case Kind::Environment:
        return LaunchEnvironment(entry.id);
    }
    return {};
}
