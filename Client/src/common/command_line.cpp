#include "common/command_line.h"

#include <cstdio>

#include <QCoreApplication>

namespace nimbral {

namespace {

const QCommandLineOption& helpOption() {
    static const QCommandLineOption option({QStringLiteral("h"), QStringLiteral("help")},
                                           QStringLiteral("Show this help and exit."));
    return option;
}

const QCommandLineOption& versionOption() {
    static const QCommandLineOption option(QStringLiteral("version"),
                                           QStringLiteral("Show the version and exit."));
    return option;
}

bool endsWithValueOption(const QList<QCommandLineOption>& options, const QStringList& arguments) {
    if (arguments.size() < 2) {
        return false;
    }
    const QString& last = arguments.last();
    for (const QCommandLineOption& option : options) {
        if (option.valueName().isEmpty()) {
            continue;
        }
        for (const QString& name : option.names()) {
            const QString dashes = name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--");
            if (last == dashes + name) {
                return true;
            }
        }
    }
    return false;
}

// Qt's text starts "Usage: " and the program as it was started; the name reads better.
QString usageText(const QCommandLineParser& parser) {
    QString text = parser.helpText();
    const QStringList arguments = QCoreApplication::arguments();
    const QString started = QStringLiteral("Usage: ") + arguments.value(0);
    if (!arguments.isEmpty() && text.startsWith(started)) {
        text.replace(0, started.size(),
                     QStringLiteral("Usage: ") + QCoreApplication::applicationName());
    }
    return text;
}

} // namespace

CommandLine parseCommandLine(QCommandLineParser& parser, const QList<QCommandLineOption>& options,
                             QStringList arguments) {
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(helpOption());
    parser.addOption(versionOption());
    parser.addOptions(options);
    if (endsWithValueOption(options, arguments)) {
        arguments << QString();
    }
    CommandLine line;
    if (!parser.parse(arguments)) {
        line.error = parser.errorText();
    } else if (!parser.positionalArguments().isEmpty()) {
        line.error =
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0]);
    }
    line.helpRequested = parser.isSet(helpOption());
    line.versionRequested = parser.isSet(versionOption());
    return line;
}

std::optional<int> answerCommandLine(const QCommandLineParser& parser, const CommandLine& line) {
    if (line.helpRequested) {
        std::fputs(qPrintable(usageText(parser)), stdout);
        return 0;
    }
    if (line.versionRequested) {
        std::printf("%s\n", qPrintable(programVersion()));
        return 0;
    }
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n\n%s", qPrintable(QCoreApplication::applicationName()),
                     qPrintable(line.error), qPrintable(usageText(parser)));
        return kExitUsage;
    }
    return std::nullopt;
}

QCommandLineOption valueOption(const char* name, const char* valueName, const char* description) {
    return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description),
                              QString::fromLatin1(valueName));
}

std::optional<QString> firstValue(const QCommandLineParser& parser, const char* name) {
    const QStringList values = parser.values(QString::fromLatin1(name));
    return values.isEmpty() ? std::nullopt : std::optional(values.first());
}

QString programVersion() {
    return QCoreApplication::applicationName() + QLatin1Char(' ') +
           QCoreApplication::applicationVersion();
}

} // namespace nimbral
