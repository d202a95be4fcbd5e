// Splitting a parameter string into the arguments a started program receives, and quoting a path
// or command line so that it arrives as exactly one argument.
#include "platform/CmdLine.h"

#include <QtTest>

using platform::QuoteArgument;
using platform::SplitCommandLine;

class TestCmdLine : public QObject {
    Q_OBJECT

private slots:
    void Split_data();
    void Split();
    void QuotedIsOneArgument_data();
    void QuotedIsOneArgument();
};

void TestCmdLine::Split_data()
{
    QTest::addColumn<QString>("parameters");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("blank separates") << "-n file.txt" << QStringList{"-n", "file.txt"};
    QTest::newRow("quotes group") << "\"-n file.txt\"" << QStringList{"-n file.txt"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("runs of blanks and tabs") << "  -a \t  -b  " << QStringList{"-a", "-b"};
    QTest::newRow("linux path with blanks")
        << "\"/home/me/my docs/a b.txt\" -x" << QStringList{"/home/me/my docs/a b.txt", "-x"};
    QTest::newRow("windows paths keep backslashes")
        << "\"C:\\Program Files\\Ed\\ed.exe\" C:\\Tools\\ \"C:\\My Tools\\\""
        << QStringList{"C:\\Program Files\\Ed\\ed.exe", "C:\\Tools\\", "C:\\My Tools\\"};
    QTest::newRow("quoted part inside an argument") << "--name=\"my file\".txt" << QStringList{"--name=my file.txt"};
    QTest::newRow("empty quotes are an empty argument") << "a \"\" b" << QStringList{"a", "", "b"};
    QTest::newRow("three quotes are a literal quote") << "say \"\"\"hi\"\"\"" << QStringList{"say", "\"hi\""};
    QTest::newRow("unclosed quote runs to the end") << "-m \"open end" << QStringList{"-m", "open end"};
}

void TestCmdLine::Split()
{
    QFETCH(QString, parameters);
    QFETCH(QStringList, arguments);
    QCOMPARE(SplitCommandLine(parameters), arguments);
}

void TestCmdLine::QuotedIsOneArgument_data()
{
    // A file name on this system may hold any character but '/'.
    QTest::addColumn<QString>("argument");
    QTest::newRow("blanks, tab, line break") << "/my src/a  b\t\n.c";
    QTest::newRow("quote splitting it") << "/tmp/a\" --evil \"b.c";
    QTest::newRow("quotes at both ends, backslash") << "\"/x\\\"";
    QTest::newRow("quotes only") << "\"\"\"\"";
    QTest::newRow("leading dash") << "-rf";
    QTest::newRow("empty") << "";
}

void TestCmdLine::QuotedIsOneArgument()
{
    QFETCH(QString, argument);
    QCOMPARE(SplitCommandLine(QuoteArgument(argument)), QStringList{argument});
}

QTEST_APPLESS_MAIN(TestCmdLine)
#include "tst_cmdline.moc"
