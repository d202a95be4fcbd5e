// Starting programs and opening files through the desktop, with small recording programs standing
// in for the started application, the desktop's opener (xdg-open) and its MIME query (xdg-mime).
// Needs no display.
#include "platform/x11/DesktopEntry.h"
#include "platform/x11/X11Shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <cstring>

using namespace platform;

namespace {

const QString kNoSuchFile = QString::fromLocal8Bit(std::strerror(ENOENT));

// A program that writes its name, its arguments (one a line) and its working directory to a file.
void WriteRecorder(const QString& path, const QString& record)
{
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\n"
                                "{ basename \"$0\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; pwd; } > '%1.tmp'\n"
                                "mv '%1.tmp' '%1'\n")
                     .arg(record)
                     .toUtf8());
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
}

} // namespace

class TestX11Shell : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void DesktopEntryCommand_data();
    void DesktopEntryCommand();
    void StartsWhatItIsGiven_data();
    void StartsWhatItIsGiven();
    void ReportsWhatCannotBeStarted_data();
    void ReportsWhatCannotBeStarted();

private:
    QString Bin(const QString& name) const { return m_root.filePath(QStringLiteral("bin/") + name); }
    QString Record() const { return m_root.filePath(QStringLiteral("record")); }
    void SetDefaultEditor(const QString& desktopId, const QString& entry);

    QTemporaryDir m_root;
    QString m_workDir;  // a working directory with blanks in its name
    QString m_document; // a file that is not a program
};

void TestX11Shell::initTestCase()
{
    QVERIFY(m_root.isValid());
    for (const char* folder : {"bin", "work dir", "data/applications", "dirs", "nobin"})
        QVERIFY(QDir(m_root.path()).mkpath(QString::fromLatin1(folder)));
    m_workDir = QDir(m_root.filePath(QStringLiteral("work dir"))).canonicalPath();
    m_document = m_root.filePath(QStringLiteral("work dir/notes file.txt"));
    QFile document(m_document);
    QVERIFY(document.open(QIODevice::WriteOnly));
    document.close();

    for (const char* name : {"recorder", "xdg-open"})
        WriteRecorder(Bin(QString::fromLatin1(name)), Record());
    // The desktop's default text editor is whatever the file "default-editor" names.
    QFile query(Bin(QStringLiteral("xdg-mime")));
    QVERIFY(query.open(QIODevice::WriteOnly));
    query.write(QStringLiteral("#!/bin/sh\ncat '%1' 2>/dev/null\n").arg(m_root.filePath(QStringLiteral("default-editor"))).toUtf8());
    query.close();
    QVERIFY(query.setPermissions(query.permissions() | QFileDevice::ExeOwner));

    // Only the recording programs are found, and only this test's desktop entries.
    qputenv("PATH", (Bin(QString()) + QStringLiteral(":/usr/bin:/bin")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", m_root.filePath(QStringLiteral("data")).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", m_root.filePath(QStringLiteral("dirs")).toLocal8Bit());
}

void TestX11Shell::init()
{
    QFile::remove(Record());
    QFile::remove(m_root.filePath(QStringLiteral("default-editor")));
}

void TestX11Shell::SetDefaultEditor(const QString& desktopId, const QString& entry)
{
    QFile name(m_root.filePath(QStringLiteral("default-editor")));
    QVERIFY(name.open(QIODevice::WriteOnly));
    name.write(desktopId.toUtf8() + '\n');
    QFile desktopFile(m_root.filePath(QStringLiteral("data/applications/")) + desktopId);
    QVERIFY(desktopFile.open(QIODevice::WriteOnly));
    desktopFile.write(entry.toUtf8());
}

void TestX11Shell::DesktopEntryCommand_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("command"); // empty: the entry cannot start anything
    QTest::addColumn<bool>("terminal");

    const QString file = QStringLiteral("/home/me/my file.txt");
    QTest::newRow("file list code") << "[Desktop Entry]\nName=Ed\nExec=ed %F\n" << QStringList{"ed", file} << false;
    QTest::newRow("other codes removed") << "[Desktop Entry]\nExec=ed --new %U %i %c %k\nIcon=ed\n"
                                         << QStringList{"ed", "--new", file} << false;
    QTest::newRow("no file code appends the file")
        << "[Desktop Entry]\nExec=\"/opt/My Editor/ed\" -n\n" << QStringList{"/opt/My Editor/ed", "-n", file} << false;
    QTest::newRow("codes inside an argument")
        << "[Desktop Entry]\nExec=ed --file=%f --zoom=100%%\n" << QStringList{"ed", "--file=" + file, "--zoom=100%"} << false;
    QTest::newRow("string escapes") << "[Desktop Entry]\nExec=\"/opt/my\\sed\" %f\n" << QStringList{"/opt/my ed", file} << false;
    QTest::newRow("actions do not count")
        << "[Desktop Action new]\nExec=other\n[Desktop Entry]\nExec=ed %f\n[Desktop Action open]\nExec=third %f\n"
        << QStringList{"ed", file} << false;
    QTest::newRow("terminal editor") << "[Desktop Entry]\nExec=vim %F\nTerminal=true\n" << QStringList{"vim", file} << true;
    QTest::newRow("no exec line") << "[Desktop Entry]\nName=Broken\n" << QStringList{} << false;
}

void TestX11Shell::DesktopEntryCommand()
{
    QFETCH(QString, entry);
    QFETCH(QStringList, command);
    QFETCH(bool, terminal);

    const DesktopEntry parsed = DesktopEntry::Parse(entry);
    QCOMPARE(parsed.RunsInTerminal(), terminal);
    QCOMPARE(parsed.CommandFor(QStringLiteral("/home/me/my file.txt")), command);
}

void TestX11Shell::StartsWhatItIsGiven_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QString>("defaultEditor"); // desktop entry of the default text editor, if any
    QTest::addColumn<QStringList>("recorded");  // program name, arguments, working directory

    const QString work = m_workDir;
    const QString root = QDir(m_root.path()).canonicalPath();
    QTest::newRow("program with arguments")
        << "execute" << Bin("recorder") << "-n file.txt" << "" << QStringList{"recorder", "-n", "file.txt", work};
    QTest::newRow("quoted parameters are one argument")
        << "execute" << Bin("recorder") << "\"-n file.txt\"" << "" << QStringList{"recorder", "-n file.txt", work};
    QTest::newRow("program found on PATH")
        << "execute" << "recorder" << "\"/tmp/a b/c.txt\" -x" << "" << QStringList{"recorder", "/tmp/a b/c.txt", "-x", work};
    QTest::newRow("document goes to the opener")
        << "execute" << m_document << "-ignored" << "" << QStringList{"xdg-open", m_document, work};
    QTest::newRow("explore folder") << "explore" << work << "" << "" << QStringList{"xdg-open", work, root};
    QTest::newRow("default editor")
        << "edit" << m_document << "" << QString("[Desktop Entry]\nExec=%1 --new-window %F %i\n").arg(Bin("recorder"))
        << QStringList{"recorder", "--new-window", m_document, work};
    QTest::newRow("no default editor: the opener") << "edit" << m_document << "" << "" << QStringList{"xdg-open", m_document, work};
    QTest::newRow("terminal editor: the opener")
        << "edit" << m_document << "" << QString("[Desktop Entry]\nExec=%1 %f\nTerminal=true\n").arg(Bin("recorder"))
        << QStringList{"xdg-open", m_document, work};
}

void TestX11Shell::StartsWhatItIsGiven()
{
    QFETCH(QString, operation);
    QFETCH(QString, file);
    QFETCH(QString, parameters);
    QFETCH(QString, defaultEditor);
    QFETCH(QStringList, recorded);

    if (!defaultEditor.isEmpty())
        SetDefaultEditor(QStringLiteral("test-editor.desktop"), defaultEditor);
    // Explore starts the opener where Quillbox runs: here, the test's root.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_root.path());
    X11Shell shell;
    QString error;
    bool started = false;
    if (operation == QLatin1String("execute"))
        started = shell.ShellExecute(file, parameters, m_workDir, &error);
    else if (operation == QLatin1String("explore"))
        started = shell.Explore(file, &error);
    else
        started = shell.OpenInDefaultEditor(file, m_workDir, &error);
    QDir::setCurrent(previous);
    QVERIFY2(started, qPrintable(error));

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(Record()), 10000);
    QFile record(Record());
    QVERIFY(record.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.takeLast(), QString()); // the final line break
    QCOMPARE(lines, recorded);
}

void TestX11Shell::ReportsWhatCannotBeStarted_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("path"); // PATH while the operation runs
    QTest::addColumn<QString>("named"); // what the error text names

    const QString bin = Bin(QString()) + QStringLiteral(":/usr/bin:/bin");
    const QString noBin = m_root.filePath(QStringLiteral("nobin"));
    const QString missing = m_root.filePath(QStringLiteral("gone/prog"));
    QTest::newRow("missing program") << "execute" << missing << "" << bin << missing;
    QTest::newRow("program not on PATH") << "execute" << "quillbox-no-such-program" << "" << bin << "quillbox-no-such-program";
    QTest::newRow("missing working directory")
        << "execute" << Bin("recorder") << m_root.filePath("no dir") << bin << m_root.filePath("no dir");
    QTest::newRow("no opener for a document") << "execute" << m_document << "" << noBin << "xdg-open";
    QTest::newRow("explore missing folder") << "explore" << m_root.filePath("no dir") << "" << bin << m_root.filePath("no dir");
    QTest::newRow("default editor missing") << "edit" << m_document << "" << bin << missing;
}

void TestX11Shell::ReportsWhatCannotBeStarted()
{
    QFETCH(QString, operation);
    QFETCH(QString, file);
    QFETCH(QString, directory);
    QFETCH(QString, path);
    QFETCH(QString, named);

    SetDefaultEditor(QStringLiteral("gone-editor.desktop"),
                     QStringLiteral("[Desktop Entry]\nExec=%1 %f\n").arg(m_root.filePath(QStringLiteral("gone/prog"))));
    const QByteArray previousPath = qgetenv("PATH");
    qputenv("PATH", path.toLocal8Bit());
    X11Shell shell;
    QString error;
    bool started = true;
    if (operation == QLatin1String("execute"))
        started = shell.ShellExecute(file, QString(), directory, &error);
    else if (operation == QLatin1String("explore"))
        started = shell.Explore(file, &error);
    else
        started = shell.OpenInDefaultEditor(file, directory, &error);
    qputenv("PATH", previousPath);

    QVERIFY(!started);
    QVERIFY2(error.contains(kNoSuchFile), qPrintable(error));
    QVERIFY2(error.startsWith(named), qPrintable(error));
    QVERIFY(!QFile::exists(Record()));
}

QTEST_GUILESS_MAIN(TestX11Shell)
#include "tst_x11shell.moc"
