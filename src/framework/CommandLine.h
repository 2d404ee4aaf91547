#pragma once

#include <QString>
#include <QStringList>

// What the program was started with, once Qt has taken out its own options
// (-style, -session, -reverse ...). On Linux only "-" starts a flag: an
// argument such as "/home/ana/fw.hex" is a path.
struct CommandLine {
    QString fileName;     // the first argument that is not a flag; empty if none
    QString rawArguments; // everything after the program name, joined by blanks
    bool help = false;    // --help
    bool version = false; // --version

    bool opensFile() const { return !fileName.isEmpty(); }
    // "-r" anywhere in the raw text, as a plain substring: "-reset" asks too.
    bool asksReset() const { return rawArguments.contains(QLatin1String("-r")); }

    static CommandLine parse(const QStringList& arguments); // without the program name
};
