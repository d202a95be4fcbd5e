#pragma once
// The data file, one connection per operation: open by path (read-write, never creating the file),
// run bound statements, close when the object goes. Every value is a bound parameter, so any text
// is stored exactly as typed and nothing typed can change a statement.
#include "data/DatabaseError.h"

#include <QString>
#include <QVariant>


struct sqlite3;
struct sqlite3_stmt;

namespace data {

class Database {
public:
    // Opens the existing file at path. Throws DatabaseError when it cannot be opened.
    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs an action statement with bound values (?1, ?2, ... in order); throws on any error.
    void Execute(const QString& sql, const QVariantList& values = {});

    const QString& Path() const { return m_strPath; }
    sqlite3* Handle() const { return m_db; }
    [[noreturn]] void Fail() const;

    // How long an operation waits for another program that holds the file briefly.
    static constexpr int BusyTimeoutMs = 2000;

    // Limits every connection opened from now on to pages pages (0: no limit), as a full disk
    // would. For the tests of a full data file.
    static void SetPageLimit(int pages);

private:
    sqlite3* m_db = nullptr;
    QString m_strPath;
};

// A query or statement on an open Database, stepped row by row.
class Statement {
public:
    Statement(Database& db, const QString& sql, const QVariantList& values = {});
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Moves to the next row; false when there is none. Throws on error.
    bool Next();

    // Column values of the current row, by position or by name. A null value reads as an empty
    // text or 0.
    QString Text(int column) const;
    QString Text(const char* name) const;
    int Int(int column) const;
    int Int(const char* name) const;
    bool IsNull(int column) const;

private:
    int ColumnIndex(const char* name) const;

    Database& m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// Several writes that stand or fall together: rolled back unless Commit() was reached.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    Database& m_db;
    bool m_bDone = false;
};

} // namespace data
