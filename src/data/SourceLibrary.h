#pragma once
// The source library: the files registered in the SourceLib table, each with its language,
// category, description, path and the way it is opened. Every operation opens the data file by
// path and closes it before returning; errors arrive as DatabaseError.
#include <QList>
#include <QString>

namespace data {

// The values of l_openwith: the text editor of the preferences, or the application the desktop
// associates with the file.
inline const QString kOpenWithEditor = QStringLiteral("txt");
inline const QString kOpenWithAssociated = QStringLiteral("assoc_app");

struct SourceRecord {
    int id = 0;
    QString lang;
    QString field;    // the category
    QString desc;
    QString path;
    QString openWith; // kOpenWithEditor or kOpenWithAssociated
    QString fileName; // the text after the path's last separator
};

// Stores record as a new row and returns its id: 0 in an empty table, otherwise the largest id + 1.
// The id and the file name of record are not read: both are derived here.
int AddSource(const QString& dbPath, const SourceRecord& record);

// Every row, in the order the table gives them.
QList<SourceRecord> LoadSources(const QString& dbPath);

// The l_openwith of row id; empty when the row holds none or does not exist.
QString OpenWith(const QString& dbPath, int id);

void DeleteSource(const QString& dbPath, int id);
void DeleteAllSources(const QString& dbPath);

} // namespace data
