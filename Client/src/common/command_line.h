#pragma once

#include <optional>

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace nimbral {

// What every program answers the same way: --help and --version print to stdout and end with
// 0; an unknown option, a stray argument or an option without its value is a usage error that
// ends with 2 after the usage.
struct CommandLine {
    bool helpRequested = false;
    bool versionRequested = false;
    QString error; // the first problem, empty when the line can be used
};

constexpr int kExitUsage = 2;

// Adds -h/--help and --version to the program's options, then parses arguments (program name
// first). An option that needs a value but ends the line gets an empty one, so that the
// program's own check names what it needs instead of a generic "missing value".
CommandLine parseCommandLine(QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                             QStringList arguments);

// Prints what a request for help or the version, or an error, asks for and returns the exit
// code; nothing to print gives nullopt and the program goes on.
std::optional<int> answerCommandLine(const QCommandLineParser& parser, const CommandLine& line);

// An option that takes a value, as every program declares them: --name VALUE.
QCommandLineOption valueOption(const char* name, const char* valueName, const char* description);

// The first value given for an option, or nullopt when it was not given.
std::optional<QString> firstValue(const QCommandLineParser& parser, const char* name);

// "NimbralServer 1.32": the name and version the application was given.
QString programVersion();

} // namespace nimbral
