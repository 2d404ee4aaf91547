#include "CommandLine.h"

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine line;
    line.rawArguments = arguments.join(QLatin1Char(' '));
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--help"))
            line.help = true;
        else if (argument == QLatin1String("--version"))
            line.version = true;
        else if (!argument.startsWith(QLatin1Char('-')) && line.fileName.isEmpty())
            line.fileName = argument;
        // Other flags are not ours to refuse: start-up looks at the raw text.
    }
    return line;
}
