#pragma once
// The environments of the data file: named sets of applications started together. An environment
// is one row of Env; each of its applications is one row of EnvApps naming it by a_e_id. Every
// operation opens the data file at dbPath for itself and throws DatabaseError when the file or a
// statement fails.
#include "data/ColumnWidths.h"

#include <QList>
#include <QString>

namespace data {

struct AppRecord {
    QString name;
    QString cmdLine;
    QString path;
};

struct EnvRecord {
    int id = 0;
    QString name;
    QString desc;
};

// Stores a new environment and its applications, whole or not at all. The environment gets the id
// after the largest e_id (0 for the first), its applications the ids after the largest a_id,
// counting up in the order given. The name, and each application's name, command line and path, are
// cut to their columns' widths; the description is stored as given, so one longer than
// kEnvDescWidth is refused by the engine and nothing is written. Returns the environment's id.
int AddEnvironment(const QString& dbPath, const QString& name, const QString& desc, const QList<AppRecord>& apps);

// Every environment, in the order the table gives them.
QList<EnvRecord> LoadEnvironments(const QString& dbPath);

// The applications of environment envId in the order the table gives them; only path and cmdLine
// are read.
QList<AppRecord> LoadApps(const QString& dbPath, int envId);

// Removes environment id and all its applications, both or neither.
void RemoveEnvironment(const QString& dbPath, int id);

// Empties both tables, both or neither. Ids then start from 0 again.
void RemoveAllEnvironments(const QString& dbPath);

} // namespace data
