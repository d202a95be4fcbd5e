#include "data/CShortcut.h"

#include "data/DataFile.h"
#include "platform/MessageBox.h"

using data::Database;
using data::Statement;

CShortcut::CShortcut(const QString& databasePath)
    : m_strDatabase(databasePath)
{
    Database db(m_strDatabase);
    int rows = 0;
    Statement query(db, QStringLiteral("select * from Shortcuts"));
    while (query.Next()) {
        auto record = std::make_unique<ShortcutRecord>();
        record->id = query.Int("s_id");
        record->shortcut = query.Text("s_shortcut");
        record->desc = query.Text("s_desc");
        record->text = query.Text("s_text");
        // The case rule is not applied at load; a later row of the same name wins.
        const QString key = record->shortcut;
        m_map[key] = std::move(record);
        ++rows;
    }
    nextId = rows > 0 ? data::NextRowId(db, QStringLiteral("Shortcuts"), QStringLiteral("s_id")) : 0;
}

CShortcut::~CShortcut() = default;

bool CShortcut::Add(ShortcutRecord* record)
{
    std::unique_ptr<ShortcutRecord> owned(record);
    cursorState = Cursor::BeforeFirst;
    // The row is written first, so a refused row leaves memory, table and ids as they were.
    {
        Database db(m_strDatabase);
        db.Execute(QStringLiteral("insert into Shortcuts (s_id, s_shortcut, s_desc, s_text) values (?1, ?2, ?3, ?4)"),
                   {nextId, owned->shortcut, owned->desc, owned->text});
    }
    owned->id = nextId++;
    const QString key = owned->shortcut;
    m_map[key] = std::move(owned);
    return true;
}

ShortcutRecord* CShortcut::Lookup(const QString& key) const
{
    const auto found = m_map.find(key);
    return found == m_map.end() ? nullptr : found->second.get();
}

bool CShortcut::Remove(const QString& key)
{
    const auto found = m_map.find(key);
    if (found == m_map.end()) {
        platform::ShowMessage(QStringLiteral("Error occured:\nCannot remove from collection"),
                              platform::MsgStyle::Exclamation);
        return false;
    }
    {
        Database db(m_strDatabase);
        db.Execute(QStringLiteral("delete from Shortcuts where s_shortcut=?1"), {key});
    }
    if (cursorState != Cursor::BeforeFirst && cursor == found)
        cursorState = Cursor::BeforeFirst;
    m_map.erase(found);
    return true;
}

void CShortcut::RemoveAll()
{
    {
        Database db(m_strDatabase);
        db.Execute(QStringLiteral("delete from Shortcuts"));
    }
    m_map.clear();
    cursorState = Cursor::BeforeFirst;
}

ShortcutRecord* CShortcut::GetNext()
{
    if (m_map.empty() || cursorState == Cursor::PastEnd) {
        cursorState = Cursor::BeforeFirst;
        return nullptr;
    }
    cursor = cursorState == Cursor::BeforeFirst ? m_map.cbegin() : std::next(cursor);
    cursorState = std::next(cursor) == m_map.cend() ? Cursor::PastEnd : Cursor::AtRecord;
    return cursor->second.get();
}

bool CShortcut::HasText(const QString& text) const
{
    for (const auto& [key, record] : m_map) {
        if (record->text == text)
            return true;
    }
    return false;
}
