#include "data/Environments.h"

#include "data/DataFile.h"
#include "data/Database.h"
#include "data/Text.h"

namespace data {

int AddEnvironment(const QString& dbPath, const QString& name, const QString& desc, const QList<AppRecord>& apps)
{
    Database db(dbPath);
    // Ids are taken inside the transaction: its write lock keeps another writer from taking the
    // same ones between the look-up and the inserts.
    Transaction transaction(db);
    const int envId = NextRowId(db, QStringLiteral("Env"), QStringLiteral("e_id"));
    db.Execute(QStringLiteral("insert into Env (e_id, e_name, e_desc) values (?1, ?2, ?3)"),
               {envId, LeftChars(name, kEnvNameWidth), desc});
    int appId = NextRowId(db, QStringLiteral("EnvApps"), QStringLiteral("a_id"));
    for (const AppRecord& app : apps) {
        db.Execute(QStringLiteral("insert into EnvApps (a_id, a_e_id, a_name, a_cmdline, a_path) "
                                  "values (?1, ?2, ?3, ?4, ?5)"),
                   {appId++, envId, LeftChars(app.name, kAppNameWidth), LeftChars(app.cmdLine, kAppCmdLineWidth),
                    LeftChars(app.path, kAppPathWidth)});
    }
    transaction.Commit();
    return envId;
}

QList<EnvRecord> LoadEnvironments(const QString& dbPath)
{
    Database db(dbPath);
    Statement query(db, QStringLiteral("select * from Env"));
    QList<EnvRecord> environments;
    while (query.Next())
        environments.append({query.Int("e_id"), query.Text("e_name"), query.Text("e_desc")});
    return environments;
}

QList<AppRecord> LoadApps(const QString& dbPath, int envId)
{
    Database db(dbPath);
    Statement query(db, QStringLiteral("select a_path,a_cmdline from EnvApps where a_e_id=?1"), {envId});
    QList<AppRecord> apps;
    while (query.Next()) {
        AppRecord app;
        app.path = query.Text(0);
        app.cmdLine = query.Text(1);
        apps.append(app);
    }
    return apps;
}

void RemoveEnvironment(const QString& dbPath, int id)
{
    Database db(dbPath);
    Transaction transaction(db);
    db.Execute(QStringLiteral("delete from Env where e_id=?1"), {id});
    db.Execute(QStringLiteral("delete from EnvApps where a_e_id=?1"), {id});
    transaction.Commit();
}

void RemoveAllEnvironments(const QString& dbPath)
{
    Database db(dbPath);
    Transaction transaction(db);
    db.Execute(QStringLiteral("delete from Env"));
    db.Execute(QStringLiteral("delete from EnvApps"));
    transaction.Commit();
}

} // namespace data
