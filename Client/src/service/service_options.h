#pragma once

#include <optional>
#include <string>
#include <utility>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace nimbral {

// NimbralService's command line, checked before anything starts.
struct ServiceOptions {
    bool install = false;
    bool uninstall = false;
    QString profileDirectory; // empty: the service's or the user's own folders
    std::optional<QUrl> serverUrl;
    std::optional<quint16> relayPort;
    std::optional<std::string> bindAddress;
    std::optional<std::pair<QString, quint16>> stunServer;
    std::optional<QUrl> ipEchoUrl;
    bool help = false;
    bool version = false;
    QString error; // the first problem, empty when the line can be used
};

// arguments: the whole argument vector, program name first. The parser is left holding the
// options, for the help text.
ServiceOptions parseServiceOptions(const QStringList& arguments, QCommandLineParser& parser);

} // namespace nimbral
