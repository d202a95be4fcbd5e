// Splitting a parameter string into the arguments a started program receives, and quoting a path
// or command line so that it arrives as exactly one argument.
#include "platform/CmdLine.h"

#include <QtTest>

using platform::QuoteArgument;
using platform::SplitCommandLine;

class TestCmdLine : public QObject {
    Q_OBJECT

private slots:
    void Split()
    {
        const QPair<QString, QStringList> cases[] = {
            {"-n file.txt", {"-n", "file.txt"}},
            {"\"-n file.txt\"", {"-n file.txt"}},
            {"", {}},
            {"  -a \t  -b  ", {"-a", "-b"}},
            {"\"/home/me/my docs/a b.txt\" -x", {"/home/me/my docs/a b.txt", "-x"}},
            // Windows paths keep their backslashes.
            {"\"C:\\Program Files\\Ed\\ed.exe\" C:\\Tools\\ \"C:\\My Tools\\\"",
             {"C:\\Program Files\\Ed\\ed.exe", "C:\\Tools\\", "C:\\My Tools\\"}},
            {"--name=\"my file\".txt", {"--name=my file.txt"}},
            {"a \"\" b", {"a", "", "b"}},                           // empty quotes: an empty argument
            {"say \"\"\"hi\"\"\"", {"say", "\"hi\""}},            // three quotes: a literal quote
            {"-m \"open end", {"-m", "open end"}},                   // an unclosed quote runs to the end
        };
        for (const auto& [parameters, arguments] : cases)
            QCOMPARE(SplitCommandLine(parameters), arguments);
    }

    void QuotedIsOneArgument()
    {
        // A file name on this system may hold any character but '/'.
        for (const QString argument : {"/my src/a  b\t\n.c", "/tmp/a\" --evil \"b.c", "\"/x\\\"", "\"\"\"\"", "-rf", ""})
            QCOMPARE(SplitCommandLine(QuoteArgument(argument)), QStringList{argument});
    }
};

QTEST_APPLESS_MAIN(TestCmdLine)
#include "tst_cmdline.moc"
