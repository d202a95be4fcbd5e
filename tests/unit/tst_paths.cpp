// The path helper that every service splits paths with.
#include "platform/Paths.h"

#include <QtTest>

using namespace platform;

class TestPaths : public QObject {
    Q_OBJECT

private slots:
    void Split()
    {
        // folder: the working directory of a started file; explore: what the file manager is shown;
        // valid: accepted by the application dialog.
        const struct {
            QString path;
            int lastSeparator;
            QString fileName, folder, explore;
            bool valid;
        } cases[] = {
            // clang-format off
            {"main.c",                -1, "main.c",   "",             "",             false},
            {"C:\\src\\main.c",       6,  "main.c",   "C:\\src",       "C:\\src",       true},
            {"C:\\src\\",             6,  "",         "C:\\src",       "C:\\src",       true},
            {"C:\\a.pas",             2,  "a.pas",    "C:",           "C:",           true},
            {"\\a.pas",               0,  "a.pas",    "",             "",             false},
            {"/home/me/src/main.c",   12, "main.c",   "/home/me/src", "/home/me/src", true},
            {"/a.pas",                0,  "a.pas",    "/",            "",             false},
            {"/usr/bin/gedit",        8,  "gedit",    "/usr/bin",     "/usr/bin",     true},
            {"src/main.c",            3,  "main.c",   "src",          "src",          true},
            {"C:\\dir/sub\\file.txt",  10, "file.txt", "C:\\dir/sub",   "C:\\dir/sub",   true},
            {"",                      -1, "",         "",             "",             false},
            // clang-format on
        };
        for (const auto& c : cases) {
            QCOMPARE(LastSeparator(c.path), c.lastSeparator);
            QCOMPARE(FileNameOf(c.path), c.fileName);
            QCOMPARE(FolderOf(c.path), c.folder);
            QCOMPARE(FolderToExplore(c.path), c.explore);
            QVERIFY2(IsApplicationPathValid(c.path) == c.valid, qPrintable(c.path));
        }
    }
};

QTEST_APPLESS_MAIN(TestPaths)
#include "tst_paths.moc"
