#include "platform/CmdLine.h"

namespace platform {

QStringList SplitCommandLine(const QString& parameters)
{
    QStringList arguments;
    QString argument;
    bool inArgument = false; // a quote alone starts an argument, so "" gives an empty one
    bool inQuotes = false;
    int quotes = 0; // double quotes seen in a row

    const auto endQuoteRun = [&] {
        if (quotes == 1)
            inQuotes = !inQuotes;
        quotes = 0;
    };
    for (const QChar c : parameters) {
        if (c == QLatin1Char('"')) {
            inArgument = true;
            if (++quotes == 3) {
                argument += c;
                quotes = 0;
            }
            continue;
        }
        endQuoteRun();
        if (!inQuotes && c.isSpace()) {
            if (inArgument)
                arguments << argument;
            argument.clear();
            inArgument = false;
        } else {
            argument += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments << argument;
    return arguments;
}

QString QuoteArgument(const QString& argument)
{
    QString quoted = argument;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace platform
