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

// Whether a file can be opened for reading (it is closed again at once).
bool CanOpenForReading(const QString& path);

// The first "qbdat.v%d" in the current directory that cannot be opened.
QString FirstFreeBackupName();

enum class DataFileState {
    Ready,    // a data file exists at the path
    Declined, // the user answered No to creating a missing one: the program ends
    Failed,   // the file could not be set aside or created; the user has been told
};

// The start-up check. On a first run an existing file moves to the first free backup name and a new
// one is made; on a later run a missing file is made after the user agrees.
DataFileState EnsureDataFile(const QString& path, bool firstRun);

// The id of the next row of table: the largest idColumn plus 1, or 0 when the table is empty.
int NextRowId(Database& db, const QString& table, const QString& idColumn);

} // namespace data
