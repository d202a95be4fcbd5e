#include "platform/CmdLine.h"

namespace platform {

QStringList SplitCommandLine(const QString& parameters)
{
    ArgumentList arguments;
    bool inQuotes = false;
    int quotes = 0; // double quotes seen in a row

    const auto endQuoteRun = [&] {
        if (quotes == 1)
            inQuotes = !inQuotes;
        quotes = 0;
    };
    for (const QChar c : parameters) {
        if (c == QLatin1Char('"')) {
            arguments.Open(); // a quote alone starts an argument, so "" gives an empty one
            if (++quotes == 3) {
                arguments.Add(c);
                quotes = 0;
            }
            continue;
        }
        endQuoteRun();
        if (!inQuotes && c.isSpace())
            arguments.End();
        else
            arguments.Add(c);
    }
    return arguments.Finish();
}

QString QuoteArgument(const QString& argument)
{
    QString quoted = argument;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace platform
