#include "data/DataFile.h"

#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace data {

const QStringList& SchemaStatements()
{
    static const QStringList statements = {
        QStringLiteral("create table Shortcuts(s_id int NOT NULL CONSTRAINT PK_S_ID PRIMARY KEY, s_shortcut varchar(12) NOT NULL, s_desc varchar(64), s_text varchar(255) NOT NULL)"),
        QStringLiteral("create table SourceLib(l_id int NOT NULL CONSTRAINT PK_L_ID PRIMARY KEY, l_lang varchar(20) NOT NULL, l_field VarChar(30) NOT NULL, l_desc VarChar(120), l_path VarChar(120) NOT NULL,l_openwith VarChar(100),l_filename VarCHar(30) NOT NULL)"),
        QStringLiteral("create table Env(e_id int NOT NULL CONSTRAINT PK_E_ID PRIMARY KEY,e_name varchar(20) NOT NULL,e_desc varchar(60))"),
        QStringLiteral("create table EnvApps(a_id int NOT NULL CONSTRAINT PK_A_ID PRIMARY KEY,a_e_id int NOT NULL,a_name varchar(20),a_cmdline varchar(60),a_path varchar(100))"),
        QStringLiteral("create table Clipboard(c_id int NOT NULL CONSTRAINT PK_C_ID PRIMARY KEY,c_text varchar(120) NOT NULL)"),
    };
    return statements;
}

const std::vector<ColumnLimit>& ColumnLimits()
{
    static const std::vector<ColumnLimit> limits = {
        {"Shortcuts", "s_shortcut", 12}, {"Shortcuts", "s_desc", 64},   {"Shortcuts", "s_text", 255},
        {"SourceLib", "l_lang", 20},     {"SourceLib", "l_field", 30},  {"SourceLib", "l_desc", 120},
        {"SourceLib", "l_path", 120},    {"SourceLib", "l_openwith", 100}, {"SourceLib", "l_filename", 30},
        {"Env", "e_name", 20},           {"Env", "e_desc", 60},         {"EnvApps", "a_name", 20},
        {"EnvApps", "a_cmdline", 60},    {"EnvApps", "a_path", 100},    {"Clipboard", "c_text", 120},
    };
    return limits;
}

namespace {

// SQLite keeps any length in a varchar column; these triggers keep the widths the schema declares.
QStringList LimitTriggers()
{
    QStringList triggers;
    for (const ColumnLimit& limit : ColumnLimits()) {
        for (const char* event : {"insert", "update"}) {
            triggers << QStringLiteral("create trigger %1_%2_%3 before %3 on %1 when length(NEW.%2) > %4 "
                                       "begin select raise(abort, 'The value for %2 is too long: "
                                       "at most %4 characters'); end")
                            .arg(QLatin1String(limit.table), QLatin1String(limit.column), QLatin1String(event))
                            .arg(limit.width);
        }
    }
    return triggers;
}

} // namespace

void CreateDatabase(const QString& path)
{
    // The engine would make the file readable by everyone; create it ourselves first, owner only.
    // O_EXCL: an existing file is never replaced.
    const QByteArray file = QFile::encodeName(path);
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw DatabaseError(QString::fromLocal8Bit(std::strerror(errno)), path);
    ::close(fd);
    try {
        Database db(path);
        Transaction transaction(db);
        for (const QString& statement : SchemaStatements())
            db.Execute(statement);
        for (const QString& trigger : LimitTriggers())
            db.Execute(trigger);
        transaction.Commit();
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

bool CanOpenForReading(const QString& path)
{
    QFile file(path);
    return !path.isEmpty() && file.open(QIODevice::ReadOnly);
}

QString FirstFreeBackupName()
{
    for (int n = 0;; ++n) {
        const QString name = QStringLiteral("qbdat.v%1").arg(n);
        if (!CanOpenForReading(name) && !QFileInfo::exists(name))
            return name;
    }
}

namespace {

// Sets an existing file aside under the first free backup name; tells the user when it cannot.
bool SetAside(const QString& path)
{
    const QString backup = FirstFreeBackupName();
    QFile file(path);
    if (file.rename(backup))
        return true;
    platform::ShowMessage(QStringLiteral("The data file %1 could not be kept as %2: %3\nQuillbox goes on with the "
                                         "file as it is.")
                              .arg(path, QDir::current().absoluteFilePath(backup), file.errorString()),
                          platform::MsgStyle::Exclamation);
    return false;
}

DataFileState Create(const QString& path)
{
    try {
        CreateDatabase(path);
        return DataFileState::Ready;
    } catch (const DatabaseError& error) {
        platform::ShowMessage(QStringLiteral("A new data file could not be created at %1:\n%2\nQuillbox ends now; "
                                             "choose another place for it or free this one, then start it again.")
                                  .arg(path, error.Text()),
                              platform::MsgStyle::Exclamation);
        return DataFileState::Failed;
    }
}

} // namespace

DataFileState EnsureDataFile(const QString& path, bool firstRun)
{
    const bool readable = CanOpenForReading(path);
    if (!firstRun) {
        if (readable)
            return DataFileState::Ready;
        const int answer = platform::ShowMessage(
            QStringLiteral(
                "A database file was not found and a new one must be created.\nSelecting YES will create a new database file and NO will quit the application."),
            platform::MsgStyle::Question);
        if (answer != platform::IDYES)
            return DataFileState::Declined;
    }
    if (readable) {
        // A first run starts with an empty file and keeps the old one; if it cannot be kept aside,
        // it stays in use rather than being lost.
        if (!SetAside(path))
            return DataFileState::Ready;
    } else if (QFileInfo::exists(path)) {
        // A file that is there but cannot be read is kept under a backup name, never overwritten.
        if (!SetAside(path))
            return DataFileState::Failed;
    }
    return Create(path);
}

int NextRowId(Database& db, const QString& table, const QString& idColumn)
{
    Statement query(db, QStringLiteral("select %1 from %2 where %1=(select max(%1) from %2)").arg(idColumn, table));
    return query.Next() ? query.Int(0) + 1 : 0;
}

} // namespace data
