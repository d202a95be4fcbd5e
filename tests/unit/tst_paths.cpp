// The path helper that every service splits paths with.
#include "platform/Paths.h"

#include <QtTest>

using namespace platform;

class TestPaths : public QObject {
    Q_OBJECT

private slots:
    void Split_data();
    void Split();
};

void TestPaths::Split_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("lastSeparator");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("folder");            // working directory of a started file
    QTest::addColumn<QString>("folderToExplore");   // what the file manager is shown
    QTest::addColumn<bool>("validApplicationPath"); // accepted by the application dialog

    // clang-format off
    QTest::newRow("bare name")            << "main.c"               << -1 << "main.c" << ""              << ""              << false;
    QTest::newRow("windows file")         << "C:\\src\\main.c"      << 6  << "main.c" << "C:\\src"       << "C:\\src"       << true;
    QTest::newRow("windows folder")       << "C:\\src\\"            << 6  << ""       << "C:\\src"       << "C:\\src"       << true;
    QTest::newRow("drive root file")      << "C:\\a.pas"            << 2  << "a.pas"  << "C:"            << "C:"            << true;
    QTest::newRow("backslash root file")  << "\\a.pas"              << 0  << "a.pas"  << ""              << ""              << false;
    QTest::newRow("linux file")           << "/home/me/src/main.c"  << 12 << "main.c" << "/home/me/src"  << "/home/me/src"  << true;
    QTest::newRow("linux root file")      << "/a.pas"               << 0  << "a.pas"  << "/"             << ""              << false;
    QTest::newRow("linux program")        << "/usr/bin/gedit"       << 8  << "gedit"  << "/usr/bin"      << "/usr/bin"      << true;
    QTest::newRow("relative path")        << "src/main.c"           << 3  << "main.c" << "src"           << "src"           << true;
    QTest::newRow("mixed separators")     << "C:\\dir/sub\\file.txt" << 10 << "file.txt" << "C:\\dir/sub" << "C:\\dir/sub"  << true;
    QTest::newRow("empty")                << ""                     << -1 << ""       << ""              << ""              << false;
    // clang-format on
}

void TestPaths::Split()
{
    QFETCH(QString, path);
    QFETCH(int, lastSeparator);
    QFETCH(QString, fileName);
    QFETCH(QString, folder);
    QFETCH(QString, folderToExplore);
    QFETCH(bool, validApplicationPath);

    QCOMPARE(LastSeparator(path), lastSeparator);
    QCOMPARE(FileNameOf(path), fileName);
    QCOMPARE(FolderOf(path), folder);
    QCOMPARE(FolderToExplore(path), folderToExplore);
    QCOMPARE(IsApplicationPathValid(path), validApplicationPath);
}

QTEST_APPLESS_MAIN(TestPaths)
#include "tst_paths.moc"
