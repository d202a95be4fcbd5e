// What the data file, the stores and the pages do under faults and bad input: every case ends
// stored exactly (or as designed), or refused with a message; nothing already stored is lost and
// nothing crashes. The run ends with a table of what was tried and what was found.
#include "TestSupport.h"
#include "core/CMain.h"
#include "core/Preferences.h"
#include "data/CClipboard.h"
#include "data/CShortcut.h"
#include "data/DataFile.h"
#include "data/Environments.h"
#include "data/ShortcutName.h"
#include "data/SourceLibrary.h"
#include "data/Text.h"
#include "hook/HookConfig.h"
#include "hook/SharedBlock.h"
#include "ui/MessageRecorder.h"
#include "ui/ModalRun.h"
#include "ui/ServiceFixture.h"
#include "ui/clipboard/CClipboardPropSheet.h"
#include "ui/environments/CAppPropertiesDlg.h"
#include "ui/environments/CEnvironmentPropSheet.h"
#include "ui/framework/CIconButton.h"
#include "ui/framework/CReportList.h"
#include "ui/shortcuts/CShortcutsPropSheet.h"
#include "ui/sources/CSourceLibPropSheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <csignal>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace data;

namespace {

struct Row {
    QString kind;
    int tried = 0;
    int exact = 0;   // stored exactly, or as designed (cut to the column by design)
    int refused = 0; // refused with a message that names the data file or the column
    int failed = 0;  // anything else: a wrong value stored, a silent failure
    int lost = 0;    // rows that were stored before and are gone after
    int crashes = 0; // a child process that died of something other than the test's own kill
};

QList<Row>& Report()
{
    static QList<Row> rows;
    return rows;
}

Row& Tally(const QString& kind)
{
    for (Row& row : Report())
        if (row.kind == kind)
            return row;
    Report().append(Row{kind});
    return Report().last();
}

// Every row of every table, for before/after comparisons.
QStringList Snapshot(const QString& path)
{
    QStringList rows;
    Database db(path);
    for (const char* table : {"Shortcuts", "SourceLib", "Env", "EnvApps", "Clipboard"}) {
        Statement query(db, QString("select * from %1").arg(table));
        while (query.Next()) {
            QStringList values;
            for (int i = 0; i < 7; ++i)
                values << query.Text(i);
            rows << QString(table) + ":" + values.join('|');
        }
    }
    return rows;
}

int Lost(const QStringList& before, const QStringList& after)
{
    int lost = 0;
    for (const QString& row : before)
        lost += after.contains(row) ? 0 : 1;
    return lost;
}

QString IntegrityOf(const QString& path)
{
    Database db(path);
    Statement query(db, "pragma integrity_check");
    return query.Next() ? query.Text(0) : QString("no answer");
}

// The classes of bad input, each with one sample; "<limit>", "<emoji limit>" and "<over>" stand for
// a value exactly at the field's limit (ending in an accent, or in an emoji of two UTF-16 units)
// and one character over it.
QList<QPair<QString, QString>> InputClasses()
{
    return {
        {"quotes", "it's \"q\""},
        {"SQL", "'); drop table Env; --"},
        {"format", "%s %n %d"},
        {"backslashes", "C:\\x\\\\y"},
        {"accents", QString::fromUtf8("é à ü ñ")},
        {"CJK", QString::fromUtf8("日本語の文")},
        {"emoji", QString::fromUtf8("👍🏽🎉")},
        {"right-to-left", QString::fromUtf8("مرحبا بالعالم")},
        {"combining", QString::fromUtf8("e\u0301a\u0308")},
        {"control", QString("a\tb\x01" "c\r\n")},
        {"NUL", QString("a") + QChar(0) + QString("b")},
        {"empty", ""},
        {"spaces", "   "},
        {"at the limit", "<limit>"},
        {"emoji at the limit", "<emoji limit>"},
        {"one over", "<over>"},
    };
}

QString SampleFor(const QString& sample, int width)
{
    if (sample == "<limit>")
        return QString(width - 1, QChar('w')) + QString::fromUtf8("é");
    if (sample == "<emoji limit>")
        return QString(width - 1, QChar('w')) + QString::fromUtf8("🎉");
    if (sample == "<over>")
        return QString(width + 1, QChar('w'));
    return sample;
}

// Types text into widget one character at a time, as key presses carrying that character (an
// emoji is one press); the widget takes what it accepts.
void Type(QWidget* widget, const QString& text)
{
    for (int i = 1; i <= CharCount(text); ++i) {
        const QString character = CharAt(text, i);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

// A controller on a data file in the workspace, with some of everything stored.
struct Fixture {
    Workspace workspace;
    CMain main;
    Fixture()
    {
        main.m_strDatabase = workspace.File("qbdat.dbf");
        main.m_bShortcutsCaseSensitive = 1;
        CreateDatabase(main.m_strDatabase);
        main.CreateStores();
        for (int i = 0; i < 3; ++i) {
            auto* record = new ShortcutRecord{0, QString("kept%1").arg(i), "d", QString("text %1").arg(i)};
            main.AddShortcut(record);
            main.AddClipboardText(QString("item %1").arg(i));
        }
        main.SaveClipboard();
        AddSource(main.m_strDatabase, SourceRecord{0, "C", "tools", "", "/src/a.c", "txt", ""});
        AddEnvironment(main.m_strDatabase, "work", "", {AppRecord{"ed", "-n", "/usr/bin/ed"}});
        before = Snapshot(main.m_strDatabase);
    }
    // Every row stored before the fault.
    QStringList before;
};

// The New pages of the four sheets, each of their text fields driven as a user drives it: the
// value goes into the field, the other fields get plain values of their own, and the page's button
// is pressed.
class Pages {
public:
    struct Entry {
        QString held;     // what the field held when the button was pressed
        QString after;    // what it held afterwards (for an application: its row in the list)
        QString expected; // what must be stored, when that is not what was held
    };
    struct Field {
        QString name;
        QString table, column; // where the value lands; no table: the clipboard history
        int width;             // the field's own limit, or its column's
        int cutTo;             // > 0: stored cut to this many characters, by design
        std::function<Entry(const QString&)> run;
    };

    explicit Pages(CMain& main)
        : m_main(main)
    {
        const auto field = [this](QString name, QString table, QString column, int width, int cutTo,
                                  std::function<Entry(const QString&)> run) {
            fields.append(Field{std::move(name), std::move(table), std::move(column), width, cutTo, std::move(run)});
        };
        CNewShortcutPage* sp = &shortcuts.m_newPage;
        CNewSourcePage* lp = &sources.m_newPage;
        field("New shortcut: Shortcut", "Shortcuts", "s_shortcut", 12, 0, [=, this](const QString& v) { return Shortcut(sp->m_editShortcut, v); });
        field("New shortcut: Description", "Shortcuts", "s_desc", 64, 0, [=, this](const QString& v) { return Shortcut(sp->m_editDesc, v); });
        field("New shortcut: Text", "Shortcuts", "s_text", 255, 0, [this](const QString& v) { return Shortcut(nullptr, v); });
        field("New clipboard text: Text", "", "", 256, 0, [this](const QString& v) { return ClipboardText(v); });
        field("New source file: Language", "SourceLib", "l_lang", 20, 0, [this](const QString& v) { return Source(nullptr, v); });
        field("New source file: Category", "SourceLib", "l_field", 30, 0, [=, this](const QString& v) { return Source(lp->m_editCategory, v); });
        field("New source file: Description", "SourceLib", "l_desc", 120, 0, [=, this](const QString& v) { return Source(lp->m_editDesc, v); });
        field("New source file: File path", "SourceLib", "l_path", 120, 0, [=, this](const QString& v) { return Source(lp->m_editPath, v); });
        field("New environment: Environment name", "Env", "e_name", 20, 0, [this](const QString& v) { return Environment(-1, v); });
        field("New environment: Description", "Env", "e_desc", 60, 0, [this](const QString& v) { return Environment(-2, v); });
        field("Application properties: Path", "EnvApps", "a_path", 200, 100, [this](const QString& v) { return Environment(0, v); });
        field("Application properties: Command line", "EnvApps", "a_cmdline", 60, 60, [this](const QString& v) { return Environment(1, v); });
        field("Application properties: Application name", "EnvApps", "a_name", 20, 0, [this](const QString& v) { return Environment(2, v); });
    }

    CShortcutsPropSheet shortcuts{QString(), nullptr, 0};
    CClipboardPropSheet clipboard{QString(), nullptr, 0};
    CSourceLibPropSheet sources{QString(), nullptr, 0};
    CEnvironmentPropSheet environments{QString(), nullptr, 0};
    QList<Field> fields;

private:
    // edit: the shortcut's name or description; null: its text.
    Entry Shortcut(QLineEdit* edit, const QString& v)
    {
        CNewShortcutPage& sp = shortcuts.m_newPage;
        sp.m_editShortcut->setText(QString("k%1").arg(++m_n));
        sp.m_editDesc->setText("d");
        sp.m_editText->setPlainText(QString("text %1").arg(m_n));
        if (edit)
            edit->setText(v);
        else
            sp.m_editText->setPlainText(v);
        const QString held = edit ? edit->text() : sp.m_editText->toPlainText();
        // Without a shortcut the page names it after the text.
        const auto exists = [this](const QString& name) { return m_main.FindShortcut(name) != nullptr; };
        const QString named = held.isEmpty() && edit == sp.m_editShortcut
                                  ? MakeShortcutName(sp.m_editText->toPlainText(), exists).value_or(QString())
                                  : QString();
        sp.m_btnAdd->click();
        return Entry{held, edit ? edit->text() : sp.m_editText->toPlainText(), named};
    }

    Entry ClipboardText(const QString& v)
    {
        CNewClipboardPage& cp = clipboard.m_newPage;
        cp.m_editText->setPlainText(v);
        const QString held = cp.m_editText->toPlainText();
        cp.m_btnAdd->click();
        return Entry{held, cp.m_editText->toPlainText(), {}};
    }

    // field: the category, description or path; null: the language.
    Entry Source(QLineEdit* field, const QString& v)
    {
        CNewSourcePage& lp = sources.m_newPage;
        lp.m_comboLang->setEditText("C");
        lp.m_editCategory->setText("cat");
        lp.m_editDesc->setText("");
        lp.m_editPath->setText(QString("/src/f%1.c").arg(++m_n));
        if (field)
            field->setText(v);
        else
            lp.m_comboLang->setEditText(v);
        const auto text = [&] { return field ? field->text() : lp.m_comboLang->currentText(); };
        const QString held = text();
        lp.m_btnAdd->click();
        return Entry{held, text(), {}};
    }

    // An environment of one application; which: -1 the environment's name, -2 its description,
    // 0..2 the application's path, command line, name.
    Entry Environment(int which, const QString& v)
    {
        CNewEnvPage& ep = environments.m_newPage;
        QStringList app{"/usr/bin/app", "-n", "a"};
        if (which >= 0)
            app[which] = v;
        Entry entry;
        bool appAdded = false;
        test::WhenOpen<CAppPropertiesDlg>([&](CAppPropertiesDlg* dialog) {
            QLineEdit* edits[] = {dialog->m_editPath, dialog->m_editCmdLine, dialog->m_editName};
            for (int i = 0; i < 3; ++i)
                edits[i]->setText(app[i]);
            if (which >= 0)
                entry.held = edits[which]->text();
            dialog->m_buttons->button(QDialogButtonBox::Ok)->click();
            appAdded = !dialog->isVisible();
            if (which >= 0 && !appAdded)
                entry.after = edits[which]->text();
        });
        ep.m_btnNew->click();
        if (!appAdded)
            return entry;
        ep.m_editName->setText(which == -1 ? v : QString("env%1").arg(++m_n));
        ep.m_editDesc->setPlainText(which == -2 ? v : QString());
        const auto text = [&] { return which == -1 ? ep.m_editName->text() : ep.m_editDesc->toPlainText(); };
        if (which < 0)
            entry.held = text();
        ep.m_btnAddEnvironment->click();
        // The list's columns: file name, name, command line, path.
        const int column = 3 - which;
        if (which < 0)
            entry.after = text();
        else if (ep.m_list->RowCount() > 0)
            entry.after = ep.m_list->Text(0, column);
        // A refused environment leaves its application listed; the next case starts afresh.
        while (ep.m_list->RowCount() > 0) {
            ep.m_list->SelectRow(0);
            ep.m_btnRemove->click();
        }
        return entry;
    }

    CMain& m_main;
    int m_n = 0; // makes the other fields of each case unique
};

// One field of each page that writes the data file.
QStringList WritingFields()
{
    return {"New shortcut: Shortcut", "New source file: Language", "New environment: Environment name"};
}

// The writes a user can start from the pages, each one operation.
QList<QPair<QString, std::function<void(CMain&)>>> Writes()
{
    return {
        {"add a shortcut", [](CMain& m) { m.AddShortcut(new ShortcutRecord{0, "new", "", "new text"}); }},
        {"save the clipboard history", [](CMain& m) { m.SaveClipboard(); }},
        {"add a source file", [](CMain& m) { AddSource(m.m_strDatabase, SourceRecord{0, "C", "x", "", "/b.c", "txt", ""}); }},
        {"add an environment", [](CMain& m) { AddEnvironment(m.m_strDatabase, "env", "", {AppRecord{"a", "", "/bin/a"}}); }},
    };
}

// Runs every write under a fault; each must be refused with a message naming the data file, leave
// memory as it was, and lose nothing once the fault is gone.
void TryWrites(Fixture& f, const QString& kind, const std::function<void()>& undo, bool fileSurvives = true)
{
    Row& row = Tally(kind);
    for (const auto& [name, write] : Writes()) {
        ++row.tried;
        const int shortcuts = f.main.m_pShortcut->Count();
        try {
            write(f.main);
            ++row.failed;
            qWarning("%s: %s went through", qPrintable(kind), qPrintable(name));
        } catch (const DatabaseError& error) {
            if (error.UserText().contains(f.main.m_strDatabase) && !error.Text().isEmpty())
                ++row.refused;
            else
                ++row.failed;
        }
        if (f.main.m_pShortcut->Count() != shortcuts)
            ++row.failed;
    }
    // The same writes started from the pages (one field of each page that writes the data file):
    // the message names the data file, and the page still holds what was typed.
    Pages pages(f.main);
    for (const Pages::Field& field : pages.fields) {
        if (!WritingFields().contains(field.name))
            continue;
        ++row.tried;
        const int shortcuts = f.main.m_pShortcut->Count();
        MessageRecorder messages;
        const Pages::Entry entry = field.run("typed under a fault");
        if (messages.Count() == 1 && messages.Last().text.contains(f.main.m_strDatabase) && entry.after == entry.held
            && f.main.m_pShortcut->Count() == shortcuts)
            ++row.refused;
        else {
            ++row.failed;
            qWarning("%s: %s: %d messages (%s), field \"%s\"", qPrintable(kind), qPrintable(field.name),
                     int(messages.Count()), qPrintable(messages.Count() ? messages.Last().text : QString()),
                     qPrintable(entry.after));
        }
    }
    undo();
    if (fileSurvives) {
        const QStringList after = Snapshot(f.main.m_strDatabase);
        row.lost += Lost(f.before, after);
    }
}

// Runs body in a child process; returns its exit status (a signal counts as a crash).
int InChild(const std::function<int()>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void HeldByAnotherProgram()
    {
        Fixture f;
        int ready[2];
        QCOMPARE(::pipe(ready), 0);
        const pid_t holder = ::fork();
        if (holder == 0) {
            Database db(f.main.m_strDatabase);
            db.Execute("BEGIN EXCLUSIVE");
            (void)::write(ready[1], "x", 1);
            ::pause();
            ::_exit(0);
        }
        char x;
        QCOMPARE(::read(ready[0], &x, 1), ssize_t(1));
        QElapsedTimer waited;
        waited.start();
        TryWrites(f, "held by another program", [&] {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        });
        // Each write waited for the other program before it gave up.
        QVERIFY(waited.elapsed() >= 4 * Database::BusyTimeoutMs);
        // Once the other program lets go, writing works again.
        f.main.AddShortcut(new ShortcutRecord{0, "after", "", "works"});
        QVERIFY(f.main.FindShortcut("after"));
    }

    void NotADataFileOrTruncated_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text") << "a file that is not a data file";
        QTest::newRow("truncated") << "a truncated data file";
    }

    void NotADataFileOrTruncated()
    {
        QFETCH(QString, kind);
        Fixture f;
        QFile file(f.main.m_strDatabase);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (kind.contains("truncated")) {
            QVERIFY(file.resize(file.size() / 3));
        } else {
            QVERIFY(file.resize(0));
            file.write(QByteArray(8192, 'q'));
        }
        file.close();
        QFile copy(f.main.m_strDatabase);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        const QByteArray bytes = copy.readAll();
        copy.close();
        TryWrites(f, kind, [] {}, false);
        // What was there is left as it was, for whoever can repair it.
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), bytes);
    }

    void DeletedOrMovedWhileRunning()
    {
        Fixture f;
        const QString moved = f.workspace.File("moved.dbf");
        QVERIFY(QFile::rename(f.main.m_strDatabase, moved));
        TryWrites(f, "deleted or moved while running", [] {}, false);
        // Never created again behind the user's back; the moved file keeps everything.
        QVERIFY(!QFile::exists(f.main.m_strDatabase));
        f.main.m_strDatabase = moved;
        QCOMPARE(Lost(f.before, Snapshot(moved)), 0);
    }

    void Full()
    {
        Fixture f;
        int pages = 0;
        {
            Database db(f.main.m_strDatabase);
            Statement count(db, "pragma page_count");
            QVERIFY(count.Next());
            pages = count.Int(0);
        }
        Database::SetPageLimit(pages + 2);
        // Fill the file to its limit, one committed row at a time and smaller and smaller rows, so
        // that no further row fits anywhere.
        Row& row = Tally("full");
        int filled = 1000;
        const QStringList inserts = {"insert into Shortcuts values(?1, 'f', '', ?2)",
                                     "insert into SourceLib values(?1, 'C', 'f', '', ?2, 'txt', 'f')",
                                     "insert into Env values(?1, 'f', ?2)",
                                     "insert into EnvApps values(?1, 0, 'f', '', ?2)",
                                     "insert into Clipboard values(?1, ?2)"};
        for (int size : {100, 20, 4, 1}) {
            for (const QString& insert : inserts) {
                try {
                    for (int i = 0; i < 10000; ++i)
                        Database(f.main.m_strDatabase).Execute(insert, {filled++, QString(size, 'f')});
                } catch (const DatabaseError&) {
                }
            }
        }
        f.before = Snapshot(f.main.m_strDatabase);
        // A history larger than the space its old rows free, so its save needs new pages too.
        f.main.m_nMaxClipboardItems = 500;
        for (int i = 0; i < 500; ++i)
            f.main.AddClipboardText(QString(120, QChar('a' + i % 26)));
        TryWrites(f, "full", [] { Database::SetPageLimit(0); });
        QCOMPARE(IntegrityOf(f.main.m_strDatabase), QString("ok"));
        QVERIFY(row.refused > 0);
    }

    void ReadOnlyFileAndFolder_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("read-only file") << false;
        QTest::newRow("read-only folder") << true;
    }

    void ReadOnlyFileAndFolder()
    {
        QFETCH(bool, folder);
        Fixture f;
        const QString kind = folder ? "read-only folder" : "read-only file";
        const QByteArray path = QFile::encodeName(f.main.m_strDatabase);
        const QByteArray dir = QFile::encodeName(f.workspace.Path());
        // Root writes whatever the permissions say: the writes then run as an ordinary user.
        const bool asRoot = ::geteuid() == 0;
        ::chmod(path.constData(), folder ? 0666 : 0444);
        ::chmod(dir.constData(), folder ? 0555 : 0777);
        Row& row = Tally(kind);
        for (const auto& [name, write] : Writes()) {
            ++row.tried;
            const int status = InChild([&, write = write] {
                if (asRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                    return 3;
                try {
                    write(f.main);
                    return 1;
                } catch (const DatabaseError& error) {
                    return error.UserText().contains(f.main.m_strDatabase) ? 0 : 2;
                }
            });
            if (status == 0)
                ++row.refused;
            else if (status >= 128)
                ++row.crashes;
            else
                ++row.failed;
        }
        // From the pages: the message names the data file, the page still holds what was typed.
        for (const QString& name : WritingFields()) {
            ++row.tried;
            const int status = InChild([&] {
                if (asRoot && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                    return 3;
                Pages pages(f.main);
                MessageRecorder messages;
                for (const Pages::Field& field : pages.fields) {
                    if (field.name != name)
                        continue;
                    const Pages::Entry entry = field.run("typed under a fault");
                    const bool told = messages.Count() == 1 && messages.Last().text.contains(f.main.m_strDatabase);
                    return told && entry.after == entry.held ? 0 : 2;
                }
                return 4;
            });
            if (status == 0)
                ++row.refused;
            else if (status >= 128)
                ++row.crashes;
            else {
                ++row.failed;
                qWarning("%s: %s: status %d", qPrintable(kind), qPrintable(name), status);
            }
        }
        ::chmod(dir.constData(), 0700);
        ::chmod(path.constData(), 0600);
        row.lost += Lost(f.before, Snapshot(f.main.m_strDatabase));
        QCOMPARE(row.failed + row.crashes, 0);
    }

    void KilledInTheMiddleOfEveryMultiRowWrite_data()
    {
        QTest::addColumn<QString>("write");
        QTest::newRow("clipboard save") << "clipboard save";
        QTest::newRow("add environment") << "add environment";
        QTest::newRow("remove environment") << "remove environment";
        QTest::newRow("remove all shortcuts") << "remove all shortcuts";
    }

    void KilledInTheMiddleOfEveryMultiRowWrite()
    {
        QFETCH(QString, write);
        Row& row = Tally("killed during " + write);
        for (int round = 0; round < 12; ++round) {
            Fixture f;
            const QString path = f.main.m_strDatabase;
            // Two states the write moves between; a kill must leave one of them, never a mix.
            std::function<void(int)> step;
            std::function<bool()> whole;
            if (write == "clipboard save") {
                step = [&f](int i) {
                    f.main.m_nMaxClipboardItems = 1000;
                    f.main.DeleteAllClipboardItems();
                    for (int n = 0; n < 300; ++n)
                        f.main.AddClipboardText(QString("%1-%2").arg(i % 2).arg(n));
                    f.main.SaveClipboard();
                };
                whole = [&] {
                    Database db(path);
                    Statement q(db, "select count(*), count(distinct substr(c_text,1,1)) from Clipboard");
                    return q.Next() && (q.Int(0) == 3 || (q.Int(0) == 300 && q.Int(1) == 1));
                };
            } else if (write == "add environment" || write == "remove environment") {
                const bool add = write == "add environment";
                step = [&f, add](int) {
                    QList<AppRecord> apps;
                    for (int n = 0; n < 40; ++n)
                        apps << AppRecord{QString("app%1").arg(n), "", "/bin/x"};
                    const int id = AddEnvironment(f.main.m_strDatabase, "big", "", apps);
                    if (!add)
                        RemoveEnvironment(f.main.m_strDatabase, id);
                };
                whole = [&] {
                    Database db(path);
                    Statement q(db, "select (select count(*) from Env), (select count(*) from EnvApps)");
                    if (!q.Next())
                        return false;
                    // Each environment holds one or forty applications: counts tell a torn write.
                    const int envs = q.Int(0), apps = q.Int(1);
                    return apps == 1 + 40 * (envs - 1);
                };
            } else {
                step = [&f](int i) {
                    if (i % 2 == 0) {
                        for (int n = 0; n < 200; ++n)
                            f.main.AddShortcut(new ShortcutRecord{0, QString("s%1").arg(n), "", "t"});
                    } else {
                        f.main.RemoveAllShortcuts();
                    }
                };
                whole = [&] {
                    Database db(path);
                    Statement q(db, "select count(*) from Shortcuts");
                    return q.Next() && q.Int(0) >= 0; // a delete of all rows is one statement
                };
            }
            ++row.tried;
            const pid_t child = ::fork();
            if (child == 0) {
                for (int i = 0;; ++i)
                    step(i);
            }
            QTest::qWait(0);
            ::usleep(20000 + QRandomGenerator::global()->bounded(80000));
            ::kill(child, SIGKILL);
            int status = 0;
            ::waitpid(child, &status, 0);
            if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL))
                ++row.crashes;
            if (IntegrityOf(path) == "ok" && whole())
                ++row.exact;
            else
                ++row.failed;
        }
        QCOMPARE(row.failed + row.crashes, 0);
    }

    void BadInputIsStoredExactlyOrRefused()
    {
        Fixture f;
        const QString db = f.main.m_strDatabase;
        struct Field {
            QString name;
            int width;
            bool cutByDesign;
            std::function<QString(const QString&)> storeAndRead;
        };
        int id = 100;
        auto lastSource = [&db]() { return LoadSources(db).last(); };
        const QList<Field> fields = {
            {"s_shortcut", 12, false, [&](const QString& v) { f.main.AddShortcut(new ShortcutRecord{0, v, "", "t"}); return f.main.FindShortcut(v) ? v : QString("<missing>"); }},
            {"s_text", 255, false, [&](const QString& v) { const QString k = QString("k%1").arg(id++); f.main.AddShortcut(new ShortcutRecord{0, k, "", v}); f.main.ReloadShortcuts(); return f.main.FindShortcut(k)->text; }},
            {"l_field", 30, false, [&](const QString& v) { AddSource(db, SourceRecord{0, "C", v, "", "/a.c", "txt", ""}); return lastSource().field; }},
            {"l_path", 120, false, [&](const QString& v) { AddSource(db, SourceRecord{0, "C", "x", "", v, "txt", ""}); return lastSource().path; }},
            {"e_name", 20, true, [&](const QString& v) { AddEnvironment(db, v, "", {AppRecord{"a", "", "/x"}}); return LoadEnvironments(db).last().name; }},
            {"a_cmdline", 60, true, [&](const QString& v) { const int e = AddEnvironment(db, "e", "", {AppRecord{"a", v, "/x"}}); return LoadApps(db, e).first().cmdLine; }},
            {"c_text", 120, true, [&](const QString& v) { f.main.DeleteAllClipboardItems(); f.main.AddClipboardText(v); f.main.SaveClipboard(); f.main.LoadClipboard(); return f.main.m_pClipboard->At(0).m_strText; }},
        };
        for (const auto& [cls, sample] : InputClasses()) {
            Row& row = Tally("input: " + cls);
            for (const Field& field : fields) {
                const QString value = SampleFor(sample, field.width);
                if (field.name == "s_shortcut" && value.isEmpty())
                    continue; // the page asks for a shortcut or makes one
                ++row.tried;
                const QString expected = field.cutByDesign ? LeftChars(value, field.width) : value;
                try {
                    const QString stored = field.storeAndRead(value);
                    if (stored == expected)
                        ++row.exact;
                    else {
                        ++row.failed;
                        qWarning("%s in %s: stored differently", qPrintable(cls), qPrintable(field.name));
                    }
                } catch (const DatabaseError& error) {
                    // The engine names the column that is too long (the file name, for a path
                    // that is one long name).
                    if (error.Text().contains(field.name) || error.Text().contains(QLatin1String("too long")))
                        ++row.refused;
                    else {
                        ++row.failed;
                        qWarning("%s in %s: %s", qPrintable(cls), qPrintable(field.name), qPrintable(error.Text()));
                    }
                }
            }
            QCOMPARE(row.failed, 0);
        }
        QCOMPARE(IntegrityOf(db), QString("ok"));
        QVERIFY(f.main.FindShortcut("kept0"));
    }

    // Every text field of every page, typed into as a user would: what the field holds when the
    // button is pressed is stored exactly (or cut to its column where that is the design), or the
    // page refuses it with a message and still holds it; no row stored before is lost.
    void BadInputThroughThePages()
    {
        Fixture f;
        const QString db = f.main.m_strDatabase;
        f.main.m_nMaxClipboardItems = 100000; // every added text stays in the history
        Pages pages(f.main);
        using PageField = Pages::Field;
        using Entry = Pages::Entry;
        const QList<PageField>& fields = pages.fields;
        const auto count = [&](const PageField& field) {
            if (field.table.isEmpty())
                return f.main.m_pClipboard->Count();
            Database d(db);
            Statement q(d, QString("select count(*) from %1").arg(field.table));
            return q.Next() ? q.Int(0) : -1;
        };
        const auto newest = [&](const PageField& field) {
            if (field.table.isEmpty())
                return f.main.m_pClipboard->At(f.main.m_pClipboard->Count() - 1).m_strText;
            Database d(db);
            const QString id = field.column.left(2) + "id";
            Statement q(d, QString("select %1 from %2 order by %3 desc limit 1").arg(field.column, field.table, id));
            return q.Next() ? q.Text(0) : QString("<none>");
        };

        for (const auto& [cls, sample] : InputClasses()) {
            Row& row = Tally("page field: " + cls);
            for (const PageField& field : fields) {
                const QString value = SampleFor(sample, field.width);
                const QStringList before = Snapshot(db);
                const int rows = count(field);
                MessageRecorder messages;
                const Entry entry = field.run(value);
                ++row.tried;
                row.lost += Lost(before, Snapshot(db));
                const bool stored = count(field) > rows;
                const QString expected = !entry.expected.isEmpty() ? entry.expected
                                         : field.cutTo > 0      ? LeftChars(entry.held, field.cutTo)
                                                                : entry.held;
                QString problem;
                if (messages.Count() > 0) {
                    // Refused: a message that says what to do, nothing stored, the field as it was.
                    if (stored || messages.Last().text.trimmed().isEmpty() || entry.after != entry.held)
                        problem = QString("refused badly (\"%1\", field now \"%2\")").arg(messages.Last().text, entry.after);
                    else
                        ++row.refused;
                } else if (!stored) {
                    problem = "neither stored nor refused";
                } else if (const QString got = newest(field); got != expected) {
                    problem = QString("stored \"%1\", typed \"%2\"").arg(got, entry.held);
                } else {
                    ++row.exact;
                }
                if (!problem.isEmpty()) {
                    ++row.failed;
                    qWarning("%s in %s: %s", qPrintable(cls), qPrintable(field.name), qPrintable(problem));
                }
            }
        }
        QCOMPARE(IntegrityOf(db), QString("ok"));
        const QStringList after = Snapshot(db);
        QCOMPARE(Lost(f.before, after), 0);
    }

    // The Properties dialog's two number edits take digits only; what they hold is stored, or
    // refused with a message and the value they showed before is kept.
    void BadInputInTheProperties()
    {
        QList<QPair<QString, QString>> classes = InputClasses();
        classes += {{"numbers", "0"}, {"numbers", "-5"}, {"numbers", "4"}, {"numbers", "501"}, {"numbers", "10000"},
                    {"numbers", "123456"}, {"numbers", "1e3"}, {"numbers", " 7"}};
        for (const auto& [cls, sample] : classes) {
            Row& row = Tally("Properties number: " + cls);
            for (const bool uses : {false, true}) {
                ServiceFixture f;
                MessageRecorder messages;
                f.dlg->OnSystrayProperties();
                auto& c = f.dlg->m_controls;
                if (uses)
                    c.upgrade->click();
                QSpinBox* edit = uses ? c.uses : c.maxItems;
                // Refused, the preference keeps its value, or the value the edit showed before.
                const int stored = uses ? f.main.m_nUpgradeToShortcut : f.main.m_nMaxClipboardItems;
                const int shown = edit->value();
                edit->setFocus();
                edit->selectAll();
                Type(edit, SampleFor(sample, 5));
                const QString held = edit->cleanText();
                c.ok->click();
                const int now = uses ? f.main.m_nUpgradeToShortcut : f.main.m_nMaxClipboardItems;
                ++row.tried;
                if (messages.Count() > 0 && (now == stored || now == shown))
                    ++row.refused;
                else if (messages.Count() == 0 && QString::number(now) == held)
                    ++row.exact;
                else {
                    ++row.failed;
                    qWarning("%s in %s: typed \"%s\", now %d, %d messages", qPrintable(cls), uses ? "uses" : "items",
                             qPrintable(held), now, int(messages.Count()));
                }
            }
        }
    }

    void HandEditedSettings()
    {
        Row& row = Tally("settings edited by hand");
        const QList<QPair<QString, QString>> edits = {
            {"MaxClipboardItems", "0"}, {"MaxClipboardItems", "-5"}, {"MaxClipboardItems", "10000"},
            {"MaxClipboardItems", "many"}, {"UpgradeToShortcut", "1"}, {"ClipboardMgrKeys", "7"},
            {"database", ""}, {"EditorPath", ""},
        };
        for (const auto& [key, value] : edits) {
            ++row.tried;
            Workspace workspace;
            {
                QSettings file(workspace.SettingsFile(), QSettings::IniFormat);
                file.setValue("Prefrences/ClipboardActive", 1);
                file.setValue("Prefrences/" + key, value);
            }
            CMain main;
            std::unique_ptr<QSettings> settings(OpenSettings());
            ReadPreferences(main, *settings);
            CreateDatabase(main.m_strDatabase);
            main.CreateStores();
            for (int i = 0; i < 12; ++i)
                main.AddClipboardText(QString("t%1").arg(i));
            main.UseClipboardItem(main.m_pClipboard->Count() - 1);
            // The history never grows past what a capacity allows, and never empties itself.
            const int count = main.m_pClipboard->Count();
            const int capacity = std::max(1, main.m_nMaxClipboardItems);
            if (count == std::min(12, capacity) && !main.m_strDatabase.isEmpty() && !main.m_strEditorPath.isEmpty())
                ++row.exact;
            else
                ++row.failed;
        }
        QCOMPARE(row.failed, 0);
    }

    // Chords in the settings group "Hook" that make no sense: each gives way to its default, and
    // the user is told once, naming the key, the value and the settings file; the defaults of the
    // other chords stand.
    void HandEditedChords()
    {
        Row& row = Tally("chords edited by hand");
        const QStringList values = {"Ctrl+NoSuchKey", "", "Ctrl+Alt", "Ctrl+Ctrl", "+++", "Ctrl+,",
                                    QString::fromUtf8("Ctrl+日"), "'; drop table Env; --", "%s%n", QString(300, 'A')};
        for (const QString& value : values) {
            ++row.tried;
            Workspace workspace;
            {
                QSettings file(workspace.SettingsFile(), QSettings::IniFormat);
                file.setValue("Hook/Expand", value);
            }
            std::unique_ptr<QSettings> settings(OpenSettings());
            const hook::HookConfig config = hook::HookConfig::Load(*settings, 0);
            const QStringList told = config.FallbackMessages();
            const bool defaults = config.Chord(QBHOOK_CHORD_EXPAND) == "Ctrl+Alt+Space"
                                  && config.Chord(QBHOOK_CHORD_CLIPBOARD_CTRL_SHIFT) == "Ctrl+Shift+Insert";
            if (defaults && told.size() == 1 && told.first().contains("Expand") && told.first().contains(config.SettingsFile()))
                ++row.refused;
            else {
                ++row.failed;
                qWarning("chord \"%s\": grabbed %s, told %s", qPrintable(value.left(40)),
                         qPrintable(config.Chord(QBHOOK_CHORD_EXPAND)), qPrintable(told.join(" / ")));
            }
        }
        QCOMPARE(row.failed, 0);
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
            Row& row = Tally("start-up: " + c.kind);
            ++row.tried;
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
                int ready[2];
                QCOMPARE(::pipe(ready), 0);
                holder = ::fork();
                if (holder == 0) {
                    Database db(path);
                    db.Execute("BEGIN EXCLUSIVE");
                    (void)::write(ready[1], "x", 1);
                    ::pause();
                    ::_exit(0);
                }
                char x;
                QCOMPARE(::read(ready[0], &x, 1), ssize_t(1));
            }
            // Start-up runs in a child: an abort or a hang (ended by the alarm) is a crash.
            const int status = InChild([&] {
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
            if (status > 128)
                ++row.crashes;
            // Nothing lost: the old bytes are where they were, or in the backup.
            const QString kept = c.setAside ? workspace.File("qbdat.v0") : path;
            if (made.isFile()) {
                QFile file(kept);
                if (!file.open(QIODevice::ReadOnly) || file.readAll() != before)
                    ++row.lost;
            } else if (QFileInfo(path).isFile() || !QFileInfo::exists(path)) {
                ++row.lost; // the pipe or folder was replaced
            }
            if (c.setAside && (QFileInfo(kept).permissions() & (QFile::ReadGroup | QFile::ReadOther)))
                ++row.failed;
            if (status == 0)
                ++(c.setAside || c.answer == platform::IDRETRY ? row.exact : row.refused);
            else if (status <= 128)
                ++row.failed;
        }

        // A value with a NUL in it counts whole: refused when over its column, naming the column,
        // also in a file made by an earlier Quillbox once start-up has checked it.
        Row& nul = Tally("input: NUL in a text over its column");
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
            ++nul.tried;
            try {
                Database(path).Execute("insert into Shortcuts values(1,'over','',?1)", {over});
                ++nul.failed;
            } catch (const DatabaseError& error) {
                ++(error.Text().contains("s_text") ? nul.refused : nul.failed);
            }
            ++nul.tried;
            Database(path).Execute("insert into Shortcuts values(2,'at','',?1)", {atLimit});
            Database db(path);
            Statement query(db, "select s_text from Shortcuts where s_id=2");
            ++(query.Next() && query.Text(0) == atLimit ? nul.exact : nul.failed);
        }
        QCOMPARE(nul.failed, 0);

        // The settings, the data file (also an older one of mode 0644), a backup and fm.tmp: 0600.
        Row& modes = Tally("files others could read (umask 022)");
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
                ++modes.tried;
                struct stat info {};
                if (::stat(QFile::encodeName(file).constData(), &info) == 0 && (info.st_mode & 077) == 0)
                    ++modes.exact;
                else {
                    ++modes.failed;
                    qWarning("%s: mode %o", qPrintable(file), unsigned(info.st_mode & 0777));
                }
            }
        }
        ::umask(previousMask);
        QCOMPARE(modes.failed, 0);
    }

    void cleanupTestCase()
    {
        std::printf("\n%-45s %6s %7s %8s %7s %5s %8s\n", "fault or input class", "tried", "exact", "refused",
                    "failed", "lost", "crashes");
        Row total{"all"};
        for (const Row& row : Report()) {
            std::printf("%-45s %6d %7d %8d %7d %5d %8d\n", qPrintable(row.kind), row.tried, row.exact, row.refused,
                        row.failed, row.lost, row.crashes);
            total.tried += row.tried;
            total.exact += row.exact;
            total.refused += row.refused;
            total.failed += row.failed;
            total.lost += row.lost;
            total.crashes += row.crashes;
        }
        std::printf("%-45s %6d %7d %8d %7d %5d %8d\n\n", "all", total.tried, total.exact, total.refused, total.failed,
                    total.lost, total.crashes);
        QCOMPARE(total.failed + total.lost + total.crashes, 0);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
