#include "data/DataFile.h"

#include "data/ColumnWidths.h"
#include "platform/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
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
        {"Shortcuts", "s_shortcut", kShortcutWidth},    {"Shortcuts", "s_desc", kShortcutDescWidth},
        {"Shortcuts", "s_text", kShortcutTextWidth},    {"SourceLib", "l_lang", kSourceLangWidth},
        {"SourceLib", "l_field", kSourceFieldWidth},    {"SourceLib", "l_desc", kSourceDescWidth},
        {"SourceLib", "l_path", kSourcePathWidth},      {"SourceLib", "l_openwith", kSourceOpenWithWidth},
        {"SourceLib", "l_filename", kSourceFileNameWidth}, {"Env", "e_name", kEnvNameWidth},
        {"Env", "e_desc", kEnvDescWidth},               {"EnvApps", "a_name", kAppNameWidth},
        {"EnvApps", "a_cmdline", kAppCmdLineWidth},     {"EnvApps", "a_path", kAppPathWidth},
        {"Clipboard", "c_text", kClipboardTextWidth},
    };
    return limits;
}

namespace {

// The number of characters of a text value, counted by the engine over the whole value: length()
// stops at an embedded NUL, so the value is counted through its JSON form, which spells a NUL (and
// every other control character) as an escape: two characters for \" \\ \b \f \n \r \t, six
// for \u00XX. Doubled backslashes are made one ordinary character first, so every backslash left
// starts an escape.
QString CharCountOf(const QString& column)
{
    const QString k = QStringLiteral("replace(json_quote(cast(NEW.%1 as text)), '\\\\', 'x')").arg(column);
    return QStringLiteral("(length(%1) - 2 - (length(%1) - length(replace(%1, '\\', ''))) "
                          "- 4 * ((length(%1) - length(replace(%1, '\\u', ''))) / 2))")
        .arg(k);
}

QString LimitCondition(const ColumnLimit& limit)
{
    return QStringLiteral("NEW.%1 is not null and %2 > %3")
        .arg(QLatin1String(limit.column), CharCountOf(QLatin1String(limit.column)))
        .arg(limit.width);
}

QString TriggerName(const ColumnLimit& limit, const char* event)
{
    return QStringLiteral("%1_%2_%3").arg(QLatin1String(limit.table), QLatin1String(limit.column), QLatin1String(event));
}

// SQLite keeps any length in a varchar column; these triggers keep the widths the schema declares.
QString LimitTrigger(const ColumnLimit& limit, const char* event)
{
    return QStringLiteral("create trigger %1 before %2 on %3 when %4 "
                          "begin select raise(abort, 'The value for %5 is too long: at most %6 characters'); end")
        .arg(TriggerName(limit, event), QLatin1String(event), QLatin1String(limit.table), LimitCondition(limit),
             QLatin1String(limit.column))
        .arg(limit.width);
}

QStringList LimitTriggers()
{
    QStringList triggers;
    for (const ColumnLimit& limit : ColumnLimits()) {
        for (const char* event : {"insert", "update"})
            triggers << LimitTrigger(limit, event);
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
    // A named pipe or a device would block the open or the read: only a regular file can be a data
    // file.
    if (path.isEmpty() || !SpecialFileKind(path).isEmpty())
        return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly);
}

QString SpecialFileKind(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return {};
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return QStringLiteral("a device");
    return QStringLiteral("not a regular file");
}

void KeepPrivate(const QString& path)
{
    const QByteArray file = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(file.constData(), &info) != 0) {
        // Made now, empty and owner-only, so that whatever writes it later keeps that mode.
        QDir().mkpath(QFileInfo(path).absolutePath());
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0)
            ::close(fd);
        return;
    }
    if (S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) != 0)
        ::chmod(file.constData(), info.st_mode & 0700);
}

QString FirstFreeBackupName()
{
    // A name taken by anything at all (a file, a link, a pipe) is not free; nothing is opened.
    for (int n = 0;; ++n) {
        const QString name = QStringLiteral("qbdat.v%1").arg(n);
        struct stat info {};
        if (::lstat(QFile::encodeName(name).constData(), &info) != 0)
            return name;
    }
}

namespace {

// Sets an existing file aside under the first free backup name, for its owner only; tells the user
// when it cannot, ending the message with then. *kept is the backup's full path.
bool SetAside(const QString& path, const QString& then, QString* kept = nullptr)
{
    const QString backup = FirstFreeBackupName();
    QFile file(path);
    if (file.rename(backup)) {
        KeepPrivate(backup);
        if (kept)
            *kept = QDir::current().absoluteFilePath(backup);
        return true;
    }
    platform::ShowMessage(QStringLiteral("The data file %1 could not be kept as %2: %3\n%4")
                              .arg(path, QDir::current().absoluteFilePath(backup), file.errorString(), then),
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

// What the start-up check found in an existing file.
struct Finding {
    enum { Usable, Busy, Unusable } kind = Usable;
    QString why; // Unusable: what is wrong, as the end of a sentence
};

QStringList ColumnsOf(Database& db, const QString& table)
{
    QStringList columns;
    Statement info(db, QStringLiteral("pragma table_info(%1)").arg(table));
    while (info.Next())
        columns << info.Text("name").toLower();
    return columns;
}

// Renews the column-limit triggers of a file made by an earlier Quillbox, whose limits stopped
// counting at an embedded NUL.
void RenewLimitTriggers(Database& db)
{
    QStringList stale;
    for (const ColumnLimit& limit : ColumnLimits()) {
        for (const char* event : {"insert", "update"}) {
            Statement query(db, QStringLiteral("select sql from sqlite_master where type='trigger' and name=?1"),
                            {TriggerName(limit, event)});
            if (!query.Next() || !query.Text(0).contains(LimitCondition(limit)))
                stale << TriggerName(limit, event);
        }
    }
    if (stale.isEmpty())
        return;
    Transaction transaction(db);
    for (const ColumnLimit& limit : ColumnLimits()) {
        for (const char* event : {"insert", "update"}) {
            if (!stale.contains(TriggerName(limit, event)))
                continue;
            db.Execute(QStringLiteral("drop trigger if exists %1").arg(TriggerName(limit, event)));
            db.Execute(LimitTrigger(limit, event));
        }
    }
    transaction.Commit();
}

Finding Examine(const QString& path)
{
    if (QFileInfo(path).size() == 0)
        return {Finding::Unusable, QStringLiteral("it is empty")};
    try {
        Database db(path);
        // Every table and column that Quillbox uses, as a new file has them.
        Database model(QStringLiteral(":memory:"));
        for (const QString& statement : SchemaStatements())
            model.Execute(statement);
        {
            Statement check(db, QStringLiteral("pragma quick_check"));
            if (check.Next() && check.Text(0) != QLatin1String("ok"))
                return {Finding::Unusable, QStringLiteral("it is damaged (%1)").arg(check.Text(0))};
        }
        Statement tables(model, QStringLiteral("select name from sqlite_master where type='table' order by rowid"));
        while (tables.Next()) {
            const QString table = tables.Text(0);
            const QStringList has = ColumnsOf(db, table);
            if (has.isEmpty())
                return {Finding::Unusable, QStringLiteral("its table %1 is missing").arg(table)};
            for (const QString& column : ColumnsOf(model, table)) {
                if (!has.contains(column))
                    return {Finding::Unusable, QStringLiteral("its table %1 has no column %2").arg(table, column)};
            }
        }
        try {
            RenewLimitTriggers(db);
        } catch (const DatabaseError& error) {
            // A file Quillbox may only read keeps its old limits; a held one is waited for below.
            if ((error.Code() & 0xff) == SQLITE_BUSY)
                throw;
        }
        return {};
    } catch (const DatabaseError& error) {
        switch (error.Code() & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return {Finding::Busy, {}};
        case SQLITE_NOTADB:
            return {Finding::Unusable, QStringLiteral("it is not a Quillbox data file (%1)").arg(error.Text())};
        case SQLITE_CORRUPT:
            return {Finding::Unusable, QStringLiteral("it is damaged (%1)").arg(error.Text())};
        default:
            return {Finding::Unusable, error.Text()};
        }
    }
}

// An existing file at path: used when it is whole; when another program holds it, the user may
// retry; when it cannot be used, it is set aside for a new one or Quillbox ends, as the user says.
DataFileState UseExisting(const QString& path)
{
    for (;;) {
        const Finding finding = Examine(path);
        if (finding.kind == Finding::Usable) {
            // A file made by an earlier Quillbox, or by hand, may be readable by others.
            KeepPrivate(path);
            return DataFileState::Ready;
        }
        if (finding.kind == Finding::Busy) {
            const int answer = platform::ShowMessage(
                QStringLiteral("The data file %1 is held by another program: Quillbox waited %2 seconds for it "
                               "and it is still locked.\nClose that program or let it finish, then choose Retry; "
                               "Quit ends Quillbox and leaves the file as it is.")
                    .arg(path)
                    .arg(Database::BusyTimeoutMs / 1000),
                platform::MsgStyle::RetryQuit);
            if (answer == platform::IDRETRY)
                continue;
            return DataFileState::Declined;
        }
        const QString backup = QDir::current().absoluteFilePath(FirstFreeBackupName());
        const int answer = platform::ShowMessage(
            QStringLiteral("The data file %1 cannot be used: %2.\nStart New keeps it as %3 and starts with a new, "
                           "empty data file; Quit ends Quillbox and leaves the file as it is.")
                .arg(path, finding.why, backup),
            platform::MsgStyle::NewFileQuit);
        if (answer != platform::IDOK)
            return DataFileState::Declined;
        if (!SetAside(path, QStringLiteral("Quillbox ends now and leaves the file as it is.")))
            return DataFileState::Failed;
        return Create(path);
    }
}

} // namespace

DataFileState EnsureDataFile(const QString& path, bool firstRun)
{
    // Something that is not a file (a named pipe would hold start-up forever) is never opened.
    if (const QString kind = SpecialFileKind(path); !kind.isEmpty()) {
        platform::ShowMessage(QStringLiteral("The data file %1 is %2, not a file: Quillbox cannot keep its data "
                                             "there.\nQuillbox ends now; move it out of the way, then start "
                                             "Quillbox again.")
                                  .arg(path, kind),
                              platform::MsgStyle::Exclamation);
        return DataFileState::Failed;
    }
    const bool readable = CanOpenForReading(path);
    if (!firstRun) {
        if (readable)
            return UseExisting(path);
        const int answer = platform::ShowMessage(
            QStringLiteral(
                "A database file was not found and a new one must be created.\nSelecting YES will create a new database file and NO will quit the application."),
            platform::MsgStyle::Question);
        if (answer != platform::IDYES)
            return DataFileState::Declined;
    }
    QString kept;
    if (readable) {
        // A first run starts with an empty file and keeps the old one; if it cannot be kept aside,
        // it stays in use rather than being lost.
        if (!SetAside(path, QStringLiteral("Quillbox goes on with the file as it is."), &kept))
            return UseExisting(path);
    } else if (QFileInfo::exists(path)) {
        // A file that is there but cannot be read is kept under a backup name, never overwritten.
        if (!SetAside(path, QStringLiteral("Quillbox goes on with the file as it is."), &kept))
            return DataFileState::Failed;
    }
    const DataFileState state = Create(path);
    // The shortcuts and the rest seem gone: the user learns where they are.
    if (!kept.isEmpty() && state == DataFileState::Ready)
        platform::ShowMessage(QStringLiteral("Quillbox starts with a new, empty data file %1, as on its first run.\n"
                                             "The data file that was there is kept as %2%3")
                                  .arg(path, kept,
                                       readable ? QStringLiteral("; choose it in Properties to use it again.")
                                                : QStringLiteral(".")),
                              platform::MsgStyle::Plain);
    return state;
}

int NextRowId(Database& db, const QString& table, const QString& idColumn)
{
    Statement query(db, QStringLiteral("select %1 from %2 where %1=(select max(%1) from %2)").arg(idColumn, table));
    return query.Next() ? query.Int(0) + 1 : 0;
}

} // namespace data
