#pragma once
// The clipboard history: an ordered, bounded list of texts with a use count each. It lives in
// memory; the Clipboard table holds a copy only when the history is saved.
#include "data/ColumnWidths.h"

#include <QList>
#include <QString>
#include <functional>

// What the history needs from its owner, read at the moment it is needed.
struct ClipboardContext {
    std::function<int()> capacity;                          // MaxClipboardItems
    std::function<int()> upgradeAt;                         // UpgradeToShortcut; -1 = never
    std::function<bool(const QString& text)> textIsShortcut; // some shortcut expands to text
    std::function<void(const QString& text)> makeShortcut;   // promote text to a shortcut
    std::function<QString()> databasePath;
};

class CClipboard {
public:
    struct Item {
        int m_nUseCount = 0;
        QString m_strText;
    };

    // The text GetNext gives out at the end of an iteration.
    static inline const QString End = QStringLiteral("FAIL");
    // The width of the Clipboard table's text column: a longer item is saved cut to it.
    static constexpr int SavedTextWidth = data::kClipboardTextWidth;

    explicit CClipboard(ClipboardContext context);
    virtual ~CClipboard();

    // Appends text as the newest item; when the history is full the oldest item goes.
    int Add(QString text);
    // The next text from the oldest to the newest, then "FAIL", after which it starts over.
    void GetNext(QString& text);
    // Counts one paste of the item at index; at exactly the upgrade count, an item whose text no
    // shortcut has yet becomes a shortcut.
    void Use(int index);
    int Delete(int index);
    int DeleteAll();
    // Replaces the table's rows by the history (c_id 0, 1, 2, ... from the oldest), all or nothing.
    void Save();
    // Replaces the history by the table's rows, which come in reverse order; use counts start at 0.
    void Load();

    int Count() const { return m_nCount; }
    const Item& At(int index) const { return m_list.at(index); }

private:
    ClipboardContext m_context;
    int m_posNext = -1; // the item the next GetNext gives out; -1 is past the end
    int m_nCount = 0;
    QList<Item> m_list; // the head (index 0) is the oldest item
};
