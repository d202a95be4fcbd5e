#pragma once
// The shortcut store: every shortcut in memory, keyed by its exact name, with each change written
// through to the Shortcuts table at once. The case rule lives with the controller, not here.
#include <QHashFunctions>
#include <QString>
#include <memory>
#include <unordered_map>

struct ShortcutRecord {
    int id = 0;
    QString shortcut; // the name the user types, at most 12 characters
    QString desc;     // may be empty
    QString text;     // the replacement
};

class CShortcut {
public:
    // Loads the whole table of the data file at databasePath, which the store keeps referring to.
    explicit CShortcut(const QString& databasePath);
    virtual ~CShortcut();
    CShortcut(const CShortcut&) = delete;
    CShortcut& operator=(const CShortcut&) = delete;

    // Writes a new row for record and stores it under its name, replacing a record of that name in
    // memory (the table then holds a row for each). Ownership passes to the store. Throws
    // data::DatabaseError, leaving the store as it was, when the row cannot be written.
    bool Add(ShortcutRecord* record);
    // The record stored under exactly this name, or null. The store keeps ownership.
    ShortcutRecord* Lookup(const QString& key) const;
    // Removes the name from memory and every row of it from the table. A name that is not stored
    // is reported ("Error occured: ...") and gives false.
    bool Remove(const QString& key);
    // Empties memory and table. Ids go on rising until the next load.
    void RemoveAll();
    // The next record of the one enumeration; null at the end, which also rewinds.
    ShortcutRecord* GetNext();
    // Calls visit with every record, in no particular order; GetNext's enumeration stays where it is.
    template <typename Visit>
    void ForEach(Visit visit) const
    {
        for (const auto& [key, record] : m_map)
            visit(*record);
    }
    // Whether some record expands to exactly text.
    bool HasText(const QString& text) const;

    int Count() const { return int(m_map.size()); }

private:
    using Map = std::unordered_map<QString, std::unique_ptr<ShortcutRecord>>;
    enum class Cursor { BeforeFirst, AtRecord, PastEnd };

    const QString& m_strDatabase;
    Map m_map;
    Cursor cursorState = Cursor::BeforeFirst;
    Map::const_iterator cursor;
    int nextId = 0;
};
