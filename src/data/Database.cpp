#include "data/Database.h"

#include <QByteArray>
#include <sqlite3.h>

namespace data {

namespace {

int s_nPageLimit = 0;

void Bind(Database& db, sqlite3_stmt* stmt, const QVariantList& values)
{
    int index = 1;
    for (const QVariant& value : values) {
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(stmt, index);
        } else if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong
                   || value.typeId() == QMetaType::UInt || value.typeId() == QMetaType::Bool) {
            rc = sqlite3_bind_int64(stmt, index, value.toLongLong());
        } else {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        if (rc != SQLITE_OK)
            db.Fail();
        ++index;
    }
}

} // namespace

Database::Database(const QString& path)
    : m_strPath(path)
{
    const QByteArray file = path.toUtf8();
    const int rc = sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        const int code = m_db ? sqlite3_extended_errcode(m_db) : rc;
        sqlite3_close(m_db);
        m_db = nullptr;
        throw DatabaseError(text, m_strPath, code);
    }
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);
    if (s_nPageLimit > 0)
        sqlite3_exec(m_db, QStringLiteral("PRAGMA max_page_count=%1").arg(s_nPageLimit).toUtf8().constData(), nullptr,
                     nullptr, nullptr);
}

void Database::SetPageLimit(int pages)
{
    s_nPageLimit = pages;
}

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

void Database::Fail() const
{
    throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(m_db)), m_strPath, sqlite3_extended_errcode(m_db));
}

void Database::Execute(const QString& sql, const QVariantList& values)
{
    Statement statement(*this, sql, values);
    while (statement.Next()) {
    }
}

Statement::Statement(Database& db, const QString& sql, const QVariantList& values)
    : m_db(db)
{
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db.Handle(), text.constData(), int(text.size()), &m_stmt, nullptr) != SQLITE_OK)
        db.Fail();
    try {
        Bind(db, m_stmt, values);
    } catch (...) {
        sqlite3_finalize(m_stmt);
        throw;
    }
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

bool Statement::Next()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    m_db.Fail();
}

QString Statement::Text(int column) const
{
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    return bytes ? QString::fromUtf8(bytes, sqlite3_column_bytes(m_stmt, column)) : QString();
}

QString Statement::Text(const char* name) const
{
    return Text(ColumnIndex(name));
}

int Statement::Int(int column) const
{
    return sqlite3_column_int(m_stmt, column);
}

int Statement::Int(const char* name) const
{
    return Int(ColumnIndex(name));
}

bool Statement::IsNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

int Statement::ColumnIndex(const char* name) const
{
    const int count = sqlite3_column_count(m_stmt);
    for (int i = 0; i < count; ++i) {
        if (sqlite3_stricmp(sqlite3_column_name(m_stmt, i), name) == 0)
            return i;
    }
    throw DatabaseError(QStringLiteral("no such column: %1").arg(QLatin1String(name)), m_db.Path());
}

Transaction::Transaction(Database& db)
    : m_db(db)
{
    // IMMEDIATE takes the write lock at once, so a writer that would collide waits (busy timeout)
    // before anything is changed rather than failing half-way.
    m_db.Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    if (!m_bDone)
        sqlite3_exec(m_db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit()
{
    m_db.Execute(QStringLiteral("COMMIT"));
    m_bDone = true;
}

} // namespace data
