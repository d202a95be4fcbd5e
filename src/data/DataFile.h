#pragma once
// The data file as a whole: its schema, its creation, the check made at start-up and the rule for
// new row ids.
#include "data/Database.h"

#include <QString>
#include <QStringList>

namespace data {

// The five statements that make a new data file, in the order they run.
const QStringList& SchemaStatements();

// The width of every text column, kept by the engine: a longer value is refused with a message that
// names the column and its width.
struct ColumnLimit {
    const char* table;
    const char* column;
    int width;
};
const std::vector<ColumnLimit>& ColumnLimits();

// Creates a new, empty data file at path, readable and writable by its owner only. Throws
// DatabaseError when the file cannot be made; never replaces an existing file.
void CreateDatabase(const QString& path);

// Whether a regular file can be opened for reading (it is closed again at once). Anything else
// (a folder, a named pipe, a device) is never opened.
bool CanOpenForReading(const QString& path);

// What is at path when it is there but is no regular file ("a folder", "a named pipe", ...);
// empty for a regular file or nothing at all.
QString SpecialFileKind(const QString& path);

// Makes the file at path its owner's only (mode 0600): an existing file of this user is tightened,
// a missing one is created empty with that mode so that whatever writes it later keeps it.
void KeepPrivate(const QString& path);

// The first "qbdat.v%d" in the current directory that names nothing.
QString FirstFreeBackupName();

enum class DataFileState {
    Ready,    // a data file exists at the path
    Declined, // the user chose to quit (no new file, or a file that is held or cannot be used)
    Failed,   // the file could not be used, set aside or created; the user has been told
};

// The start-up check. On a first run an existing file moves to the first free backup name and a new
// one is made; on a later run a missing file is made after the user agrees. An existing file is
// checked whole (tables, columns, pages): one held by another program can be retried, one that
// cannot be used can be set aside for a new one. A path that is no regular file is never opened.
DataFileState EnsureDataFile(const QString& path, bool firstRun);

// The id of the next row of table: the largest idColumn plus 1, or 0 when the table is empty.
int NextRowId(Database& db, const QString& table, const QString& idColumn);

} // namespace data
