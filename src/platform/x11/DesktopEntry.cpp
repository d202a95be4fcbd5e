#include "platform/x11/DesktopEntry.h"

#include "platform/CmdLine.h"

#include <QFile>
#include <QStandardPaths>

namespace platform {

namespace {

// The escapes of a desktop entry's string values.
QString Unescape(const QString& value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != QLatin1Char('\\') || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
        case 's': text += QLatin1Char(' '); break;
        case 'n': text += QLatin1Char('\n'); break;
        case 't': text += QLatin1Char('\t'); break;
        case 'r': text += QLatin1Char('\r'); break;
        default: text += value[i]; break; // "\\" and, leniently, anything else
        }
    }
    return text;
}

// Splits an Exec line: blanks separate, double quotes group, and inside them a backslash takes the
// next character literally.
QStringList SplitExec(const QString& exec)
{
    ArgumentList arguments;
    bool inQuotes = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == QLatin1Char('"'))
                inQuotes = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size())
                arguments.Add(exec[++i]);
            else
                arguments.Add(c);
        } else if (c == QLatin1Char('"')) {
            inQuotes = true;
            arguments.Open();
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            arguments.End();
        } else {
            arguments.Add(c);
        }
    }
    return arguments.Finish();
}

bool IsFileCode(QChar code)
{
    return code == QLatin1Char('f') || code == QLatin1Char('F') || code == QLatin1Char('u')
           || code == QLatin1Char('U');
}

} // namespace

DesktopEntry DesktopEntry::Find(const QString& desktopId)
{
    if (desktopId.isEmpty())
        return {};
    const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopId);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return Parse(QString::fromUtf8(file.readAll()));
}

DesktopEntry DesktopEntry::Parse(const QString& text)
{
    DesktopEntry entry;
    bool inMainGroup = false;
    for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
        const QString line = rawLine.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || line.startsWith(QLatin1Char('#')) || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if (key == QLatin1String("Exec"))
            entry.m_exec = Unescape(value);
        else if (key == QLatin1String("Terminal"))
            entry.m_terminal = value == QLatin1String("true");
    }
    return entry;
}

QStringList DesktopEntry::CommandFor(const QString& file) const
{
    QStringList command;
    bool fileGiven = false;
    for (const QString& argument : SplitExec(m_exec)) {
        if (argument.size() == 2 && argument[0] == QLatin1Char('%') && argument[1] != QLatin1Char('%')) {
            // A field code standing alone: the file, or nothing at all (not an empty argument).
            if (IsFileCode(argument[1])) {
                command << file;
                fileGiven = true;
            }
            continue;
        }
        QString expanded;
        for (qsizetype i = 0; i < argument.size(); ++i) {
            if (argument[i] != QLatin1Char('%') || i + 1 == argument.size()) {
                expanded += argument[i];
                continue;
            }
            const QChar code = argument[++i];
            if (code == QLatin1Char('%')) {
                expanded += code;
            } else if (IsFileCode(code)) {
                expanded += file;
                fileGiven = true;
            }
        }
        command << expanded;
    }
    if (!command.isEmpty() && !fileGiven)
        command << file;
    return command;
}

} // namespace platform
