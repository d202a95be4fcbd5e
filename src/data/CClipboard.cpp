#include "data/CClipboard.h"

#include "data/Database.h"
#include "data/Text.h"

#include <algorithm>

using data::Database;
using data::Statement;

CClipboard::CClipboard(ClipboardContext context)
    : m_context(std::move(context))
{
}

CClipboard::~CClipboard() = default;

int CClipboard::Add(QString text)
{
    // A capacity below 1 (only a hand-edited setting gives one) keeps just the newest item.
    const int capacity = std::max(1, m_context.capacity());
    if (m_nCount >= capacity && !m_list.isEmpty())
        m_list.removeFirst();
    else
        ++m_nCount;
    m_list.append(Item{0, std::move(text)});
    m_posNext = 0;
    return 1;
}

void CClipboard::GetNext(QString& text)
{
    if (m_posNext < 0 || m_posNext >= m_list.size()) {
        m_posNext = 0;
        text = End;
        return;
    }
    text = m_list.at(m_posNext).m_strText;
    ++m_posNext;
    if (m_posNext >= m_list.size())
        m_posNext = -1;
}

void CClipboard::Use(int index)
{
    if (index < 0 || index >= m_list.size())
        return;
    Item& item = m_list[index];
    ++item.m_nUseCount;
    if (item.m_nUseCount == m_context.upgradeAt() && !m_context.textIsShortcut(item.m_strText))
        m_context.makeShortcut(item.m_strText);
}

int CClipboard::Delete(int index)
{
    if (index < 0 || index >= m_list.size())
        return 1;
    m_list.removeAt(index);
    m_posNext = 0;
    --m_nCount;
    return 1;
}

int CClipboard::DeleteAll()
{
    m_list.clear();
    m_posNext = -1;
    m_nCount = 0;
    return 1;
}

void CClipboard::Save()
{
    Database db(m_context.databasePath());
    data::Transaction transaction(db);
    db.Execute(QStringLiteral("delete from Clipboard"));
    int id = 0;
    for (const Item& item : m_list) {
        db.Execute(QStringLiteral("insert into Clipboard (c_id, c_text) values (?1, ?2)"),
                   {id++, data::LeftChars(item.m_strText, SavedTextWidth)});
    }
    transaction.Commit();
}

void CClipboard::Load()
{
    QList<Item> loaded;
    {
        Database db(m_context.databasePath());
        Statement query(db, QStringLiteral("select c_text from Clipboard"));
        while (query.Next())
            loaded.prepend(Item{0, query.Text(0)});
    }
    // The history is replaced only once every row has been read.
    DeleteAll();
    m_list = std::move(loaded);
    m_nCount = int(m_list.size());
    m_posNext = 0;
}
