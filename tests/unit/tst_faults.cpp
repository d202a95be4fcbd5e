// What the data file, the stores and the pages do under faults and bad input: every case ends
// stored exactly (or as designed), or refused with a message; nothing already stored is lost and
// nothing crashes. The run ends with a table of what was tried and what was found.
//
// A new fault: a test function that runs its cases through Tried() (and LostRows() where rows
// could go) and ends with VerifyCases(); its rows join the table by their kind.
#include "TestSupport.h"
#include "core/CMain.h"
#include "core/Preferences.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"
#include "data/Environments.h"
#include "data/SourceLibrary.h"
#include "hook/SharedBlock.h"
#include "platform/MessageBox.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace data;

namespace {

// ---- the table -----------------------------------------------------------------------------

enum Outcome { Exact, Refused, Failed, Crashed };

struct Row {
    QString kind;
    int tried = 0, exact = 0, refused = 0, failed = 0, lost = 0, crashes = 0;
};
QList<Row> g_rows;
Row g_all{"all"};
QStringList g_failures; // the cases that failed in the running test function

Row& RowOf(const QString& kind)
{
    for (Row& row : g_rows)
        if (row.kind == kind)
            return row;
    g_rows.append(Row{kind});
    return g_rows.last();
}

// One case of a fault or input class; a failure or a crash is named by kind, what and why.
void Tried(const QString& kind, Outcome outcome, const QString& what = {}, const QString& why = {})
{
    for (Row* row : {&RowOf(kind), &g_all}) {
        ++row->tried;
        (outcome == Exact ? row->exact : outcome == Refused ? row->refused : outcome == Failed ? row->failed : row->crashes)++;
    }
    if (outcome == Failed || outcome == Crashed)
        g_failures << QString("%1: %2: %3").arg(kind, what, outcome == Crashed ? "crashed" : why);
}

void LostRows(const QString& kind, int rows)
{
    RowOf(kind).lost += rows;
    g_all.lost += rows;
    if (rows > 0)
        g_failures << QString("%1: %2 stored rows lost").arg(kind).arg(rows);
}

// Fails the test function, naming every case that failed in it.
void VerifyCases()
{
    const QStringList failures = std::exchange(g_failures, {});
    QVERIFY2(failures.isEmpty(), qPrintable("\n" + failures.join('\n')));
}

// ---- the data file -------------------------------------------------------------------------

// Every row of every table, for before/after comparisons.
QStringList Snapshot(const QString& path)
{
    QStringList rows;
    Database db(path);
    for (const char* table : {"Shortcuts", "SourceLib", "Env", "EnvApps", "Clipboard"}) {
        for (Statement query(db, QString("select * from %1").arg(table)); query.Next();) {
            QStringList values;
            for (int i = 0; i < 7; ++i)
                values << query.Text(i);
            rows << QString(table) + ":" + values.join('|');
        }
    }
    return rows;
}

int Lost(const QStringList& before, const QString& path)
{
    const QStringList after = Snapshot(path);
    return int(std::count_if(before.begin(), before.end(), [&](const QString& row) { return !after.contains(row); }));
}

QString IntegrityOf(const QString& path)
{
    Database db(path);
    Statement query(db, "pragma integrity_check");
    return query.Next() ? query.Text(0) : QString("no answer");
}

// A controller on a data file in the workspace, with some of everything stored.
struct Fixture {
    Workspace workspace;
    CMain main;
    QStringList before; // every row stored before the fault
    Fixture()
    {
        main.m_strDatabase = workspace.File("qbdat.dbf");
        main.m_bShortcutsCaseSensitive = 1;
        CreateDatabase(main.m_strDatabase);
        main.CreateStores();
        for (int i = 0; i < 3; ++i) {
            main.AddShortcut(new ShortcutRecord{0, QString("kept%1").arg(i), "d", QString("text %1").arg(i)});
            main.AddClipboardText(QString("item %1").arg(i));
        }
        main.SaveClipboard();
        AddSource(main.m_strDatabase, SourceRecord{0, "C", "tools", "", "/src/a.c", "txt", ""});
        AddEnvironment(main.m_strDatabase, "work", "", {AppRecord{"ed", "-n", "/usr/bin/ed"}});
        before = Snapshot(main.m_strDatabase);
    }
};

// ---- the writes ----------------------------------------------------------------------------

// The writes a user can start, each one operation.
const QList<QPair<QString, std::function<void(CMain&)>>> kWrites = {
    {"add a shortcut", [](CMain& m) { m.AddShortcut(new ShortcutRecord{0, "new", "", "new text"}); }},
    {"save the clipboard history", [](CMain& m) { m.SaveClipboard(); }},
    {"add a source file", [](CMain& m) { AddSource(m.m_strDatabase, SourceRecord{0, "C", "x", "", "/b.c", "txt", ""}); }},
    {"add an environment", [](CMain& m) { AddEnvironment(m.m_strDatabase, "env", "", {AppRecord{"a", "", "/bin/a"}}); }},
};

// Each write under a fault: refused with a message that names the data file, memory as it was.
Outcome Write(Fixture& f, const std::function<void(CMain&)>& write, QString* why)
{
    const int shortcuts = f.main.m_pShortcut->Count();
    try {
        write(f.main);
        *why = "went through";
        return Failed;
    } catch (const DatabaseError& error) {
        *why = error.UserText();
        const bool ok = error.UserText().contains(f.main.m_strDatabase) && f.main.m_pShortcut->Count() == shortcuts;
        return ok ? Refused : Failed;
    }
}

void TryWrites(Fixture& f, const QString& kind)
{
    QString why;
    for (const auto& [name, write] : kWrites)
        Tried(kind, Write(f, write, &why), name, why);
}

// Runs body in a child process; its exit code, or 128 + the signal that ended it.
int ForkStatus(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Another program that holds the data file at path in an exclusive transaction until killed; its
// process id, once it holds the file (-1 when it could not start).
pid_t HoldExclusively(const QString& path)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t holder = ::fork();
    if (holder == 0) {
        Database db(path);
        db.Execute("BEGIN EXCLUSIVE");
        (void)::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char x = 0;
    const bool held = ::read(ready[0], &x, 1) == 1;
    ::close(ready[0]);
    ::close(ready[1]);
    return held ? holder : -1;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void HeldByAnotherProgram()
    {
        Fixture f;
        const pid_t holder = HoldExclusively(f.main.m_strDatabase);
        QVERIFY(holder > 0);
        QElapsedTimer waited;
        waited.start();
        TryWrites(f, "held by another program");
        // Each write waited for the other program before it gave up.
        QVERIFY(waited.elapsed() >= 4 * Database::BusyTimeoutMs);
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        LostRows("held by another program", Lost(f.before, f.main.m_strDatabase));
        // Once the other program lets go, writing works again.
        f.main.AddShortcut(new ShortcutRecord{0, "after", "", "works"});
        QVERIFY(f.main.FindShortcut("after"));
        VerifyCases();
    }

    // Another data file chosen in the Properties dialog: one that cannot be used is refused with a
    // message naming it, and the shortcuts in use stay; a good one is used at once.
    void AnotherDataFileChosen()
    {
        Fixture f;
        const QString kind = "another data file chosen";
        const QList<QPair<QString, std::function<void(const QString&)>>> files = {
            {"a named pipe", [](const QString& path) { QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); }},
            {"a folder", [](const QString& path) { QVERIFY(QDir().mkdir(path)); }},
            {"a text file", [](const QString& path) { QFile file(path); QVERIFY(file.open(QIODevice::WriteOnly)); file.write("notes"); }},
            {"a good data file", [](const QString& path) { CreateDatabase(path); Database(path).Execute("insert into Shortcuts values(0,'other','','t')"); }},
        };
        for (int i = 0; i < files.size(); ++i) {
            const QString path = f.workspace.File(QString("chosen%1.dbf").arg(i)), previous = f.main.m_strDatabase;
            files[i].second(path);
            f.main.m_strDatabase = path;
            try {
                f.main.ReloadShortcuts();
                Tried(kind, f.main.FindShortcut("other") ? Exact : Failed, files[i].first, "the new file's shortcuts not found");
            } catch (const DatabaseError& error) {
                f.main.m_strDatabase = previous;
                const bool kept = error.UserText().contains(path) && f.main.FindShortcut("kept0");
                Tried(kind, kept ? Refused : Failed, files[i].first, error.UserText());
            }
        }
        VerifyCases();
    }

    // A kill at a random moment of a write of many rows leaves one of its two states, never a mix.
    void KilledInTheMiddleOfAMultiRowWrite()
    {
        for (int n = 0; n < 3 * 8; ++n) {
            const QString write = QStringList{"clipboard save", "add environment", "remove environment"}[n / 8];
            const QString kind = "killed during " + write;
            const int round = n % 8;
            Fixture f;
            const QString path = f.main.m_strDatabase;
            std::function<void(int)> step;
            QString whole; // a query that answers 1 for either state
            if (write == "clipboard save") {
                f.main.m_nMaxClipboardItems = 1000;
                step = [&f](int i) {
                    f.main.DeleteAllClipboardItems();
                    for (int n = 0; n < 300; ++n)
                        f.main.AddClipboardText(QString("%1-%2").arg(i % 2).arg(n));
                    f.main.SaveClipboard();
                };
                whole = "select count(*) = 3 or (count(*) = 300 and count(distinct substr(c_text,1,1)) = 1) from Clipboard";
            } else {
                const bool add = write.startsWith("add");
                step = [&f, add](int) {
                    QList<AppRecord> apps;
                    for (int n = 0; n < 40; ++n)
                        apps << AppRecord{QString("app%1").arg(n), "", "/bin/x"};
                    const int id = AddEnvironment(f.main.m_strDatabase, "big", "", apps);
                    if (!add)
                        RemoveEnvironment(f.main.m_strDatabase, id);
                };
                // Each environment holds one or forty applications: the counts tell a torn write.
                whole = "select (select count(*) from EnvApps) = 1 + 40 * ((select count(*) from Env) - 1)";
            }
            const pid_t child = ::fork();
            if (child == 0)
                for (int i = 0;; ++i)
                    step(i);
            ::usleep(20000 + QRandomGenerator::global()->bounded(80000));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            Database db(path);
            Statement check(db, whole);
            const bool ok = IntegrityOf(path) == "ok" && check.Next() && check.Int(0) == 1;
            if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL))
                Tried(kind, Crashed, QString("round %1").arg(round));
            else
                Tried(kind, ok ? Exact : Failed, QString("round %1").arg(round), "a torn or damaged file");
        }
        VerifyCases();
    }

    // Start-up on a data file that another program holds, that is damaged or no data file at all,
    // or that is no file: Quillbox says what is wrong naming the file, never aborts or hangs, and
    // keeps the file byte for byte (where it was, or set aside as qbdat.v0 for a new one). Then a
    // value with a NUL counts whole against its column, and the user's files are the user's only.
    void StartUpOnABadDataFileAndTheFilesKept()
    {
        const auto good = [](const QString& path) {
            CreateDatabase(path);
            Database(path).Execute("insert into Shortcuts values(0,'kept','','text')");
        };
        const auto bytes = [](QByteArray content) {
            return [content](const QString& path) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(content);
            };
        };
        const auto altered = [good](const char* sql) {
            return [good, sql](const QString& path) {
                good(path);
                Database(path).Execute(sql);
            };
        };
        QByteArray random(8192, '\0');
        for (char& c : random)
            c = char(QRandomGenerator::global()->bounded(256));
        struct Case {
            QString kind;
            std::function<void(const QString&)> make;
            QString says;    // part of the message
            int answer;      // the answer given to the box
            bool setAside;   // the file ends up as qbdat.v0 and a new one is made
        };
        const int newFile = platform::IDOK, quit = platform::IDCANCEL;
        const QList<Case> cases = {
            {"data file locked by another program", good, "waited", quit, false},
            {"locked data file, retried when free", good, "waited", platform::IDRETRY, false},
            {"data file of random bytes", bytes(random), "not a Quillbox data file", newFile, true},
            {"data file of random bytes", bytes(random), "not a Quillbox data file", quit, false},
            {"data file cut in half", [good](const QString& path) {
                 good(path);
                 for (int i = 0; i < 200; ++i)
                     Database(path).Execute("insert into Clipboard values(?1, ?2)", {i + 1, QString(100, QChar('c'))});
                 QFile file(path);
                 QVERIFY(file.resize(file.size() / 2));
             }, "damaged", newFile, true},
            {"empty data file", bytes({}), "empty", newFile, true},
            {"data file with a table dropped", altered("drop table Env"), "table Env is missing", newFile, true},
            {"data file with a column renamed", altered("alter table Shortcuts rename column s_text to s_body"), "no column s_text", quit, false},
            {"a named pipe as data file", [](const QString& path) { QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
             "a named pipe", quit, false},
            {"a folder as data file", [](const QString& path) { QVERIFY(QDir().mkdir(path)); }, "a folder", quit, false},
        };
        for (const Case& c : cases) {
            Workspace workspace;
            const QString path = workspace.File("qbdat.dbf");
            {
                QSettings file(workspace.SettingsFile(), QSettings::IniFormat);
                file.setValue("Prefrences/ClipboardActive", 1);
                file.setValue("Prefrences/database", path);
            }
            c.make(path);
            const QFileInfo made(path);
            QByteArray before;
            if (made.isFile()) {
                QFile file(path);
                QVERIFY(file.open(QIODevice::ReadOnly));
                before = file.readAll();
            }
            pid_t holder = 0;
            if (c.kind.contains("locked")) {
                holder = HoldExclusively(path);
                QVERIFY(holder > 0);
            }
            // Start-up runs in a child: an abort or a hang (ended by the alarm) is a crash.
            const int status = ForkStatus([&] {
                ::alarm(30);
                QStringList said;
                platform::SetMessageHandler([&](const QString& text, platform::MsgStyle style) {
                    said << text;
                    const bool offersChoice = style == platform::MsgStyle::RetryQuit || style == platform::MsgStyle::NewFileQuit;
                    if (c.answer == platform::IDRETRY && holder)
                        ::kill(holder, SIGKILL); // the other program lets go
                    return offersChoice ? c.answer : platform::QuitAnswer(style);
                });
                CMain main;
                const bool goesOn = main.LoadPreferences() == 1;
                bool storesMade = false;
                if (goesOn) {
                    main.CreateStores();
                    storesMade = c.setAside ? main.m_pShortcut->Count() == 0 : main.FindShortcut("kept") != nullptr;
                }
                const bool told = said.size() == 1 && said.first().contains(path) && said.first().contains(c.says);
                if (!told)
                    qWarning("%s: told %s", qPrintable(c.kind), qPrintable(said.join(" / ")));
                const bool expected = c.setAside || c.answer == platform::IDRETRY ? goesOn && storesMade : !goesOn;
                return told && expected ? 0 : 1;
            });
            if (holder) {
                ::kill(holder, SIGKILL);
                ::waitpid(holder, nullptr, 0);
            }
            // Nothing lost: the old bytes are where they were, or in the backup; a pipe or a folder stays.
            const QString kept = c.setAside ? workspace.File("qbdat.v0") : path;
            QFile file(kept);
            LostRows("start-up: " + c.kind, made.isFile() ? !file.open(QIODevice::ReadOnly) || file.readAll() != before
                                                          : QFileInfo(path).isFile() || !QFileInfo::exists(path));
            const bool readable = c.setAside && (QFileInfo(kept).permissions() & (QFile::ReadGroup | QFile::ReadOther));
            const Outcome outcome = status > 128 ? Crashed
                                    : status != 0 || readable ? Failed
                                    : c.setAside || c.answer == platform::IDRETRY ? Exact : Refused;
            Tried("start-up: " + c.kind, outcome, path, readable ? "the file set aside is readable by others" : "see the warning");
        }

        // A value with a NUL in it counts whole: refused when over its column, naming the column,
        // also in a file made by an earlier Quillbox once start-up has checked it.
        const QString nul = "input: NUL in a text over its column";
        for (const bool earlierFile : {false, true}) {
            Workspace workspace;
            const QString path = workspace.File("nul.dbf");
            CreateDatabase(path);
            if (earlierFile) {
                Database db(path);
                db.Execute("drop trigger Shortcuts_s_text_insert");
                db.Execute("create trigger Shortcuts_s_text_insert before insert on Shortcuts when length(NEW.s_text) > 255 "
                           "begin select raise(abort, 'The value for s_text is too long: at most 255 characters'); end");
                QCOMPARE(EnsureDataFile(path, false), DataFileState::Ready);
            }
            const QString over = QString("a") + QChar(0) + QString(10240, QChar('b'));
            const QString atLimit = QString("a") + QChar(0) + QString(253, QChar('b'));
            try {
                Database(path).Execute("insert into Shortcuts values(1,'over','',?1)", {over});
                Tried(nul, Failed, "over", "stored");
            } catch (const DatabaseError& error) {
                Tried(nul, error.Text().contains("s_text") ? Refused : Failed, "over", error.Text());
            }
            Database(path).Execute("insert into Shortcuts values(2,'at','',?1)", {atLimit});
            Database db(path);
            Statement query(db, "select s_text from Shortcuts where s_id=2");
            Tried(nul, query.Next() && query.Text(0) == atLimit ? Exact : Failed, "at the limit", "not stored whole");
        }

        // The settings, the data file (also an older one of mode 0644), a backup and fm.tmp: 0600.
        const mode_t previousMask = ::umask(022);
        {
            Workspace workspace;
            const QString path = workspace.File("qbdat.dbf");
            CreateDatabase(path);
            ::chmod(QFile::encodeName(path).constData(), 0644);
            QCOMPARE(EnsureDataFile(path, false), DataFileState::Ready);
            {
                std::unique_ptr<QSettings> settings(OpenSettings());
                settings->setValue("Prefrences/ClipboardActive", 1);
                settings->sync();
            }
            QFile old(workspace.File("old.dbf"));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("an old data file");
            old.close();
            QVERIFY(QFile::rename(path, workspace.File("elsewhere.dbf")));
            QVERIFY(QFile::rename(workspace.File("old.dbf"), path));
            QCOMPARE(EnsureDataFile(path, true), DataFileState::Ready);
            QVERIFY(hook::WriteSharedBlock(workspace.File("fm.tmp"), hook::EncodeSharedBlock(1, 2)));
            for (const QString& file : {workspace.File("elsewhere.dbf"), workspace.SettingsFile(), path,
                                        workspace.File("qbdat.v0"), workspace.File("fm.tmp")}) {
                struct stat info {};
                const bool own = ::stat(QFile::encodeName(file).constData(), &info) == 0 && (info.st_mode & 077) == 0;
                Tried("files others could read (umask 022)", own ? Exact : Failed, file,
                      QString("mode %1").arg(info.st_mode & 0777, 0, 8));
            }
        }
        ::umask(previousMask);
        VerifyCases();
    }

    void cleanupTestCase()
    {
        std::printf("\n%-45s %6s %7s %8s %7s %5s %8s\n", "fault or input class", "tried", "exact", "refused",
                    "failed", "lost", "crashes");
        for (const Row& row : g_rows + QList<Row>{g_all})
            std::printf("%-45s %6d %7d %8d %7d %5d %8d\n", qPrintable(row.kind), row.tried, row.exact, row.refused,
                        row.failed, row.lost, row.crashes);
        std::printf("\n");
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
