#pragma once

#include <functional>
#include <optional>
#include <utility>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <spdlog/common.h>

namespace nimbral {

// What the command line asks of one start of the client. Option names are compared exactly.
struct ClientOptions {
    spdlog::level::level_enum logLevel = spdlog::level::err;
    bool install = false; // wins over uninstall when both are given
    bool uninstall = false;
    std::optional<QUrl> serverUrl; // --server: this run's central server instead of the default
    // --stun-server HOST[:PORT] and --ip-echo-url URL: the NAT and public-address probes of this
    // deployment instead of the public defaults.
    std::optional<std::pair<QString, quint16>> stunServer;
    std::optional<QUrl> ipEchoUrl;
    // --update-manifest URL: where this deployment publishes its release manifest. Without it
    // the built-in site is asked, unless --server names a server of its own.
    std::optional<QUrl> updateManifestUrl;
    // --profile DIR: settings, log and single-instance lock of their own, so several clients
    // (a Target and a Master on one machine) can run side by side.
    std::optional<QString> profileDirectory;
    // --session-password PW or --session-password-file FILE: the password partners connect
    // with, stored before start.
    std::optional<QString> sessionPassword;
    // --connect ID with --password PW or --password-file FILE: once online, start a session to
    // that partner.
    std::optional<QString> connectTo;
    QString connectPassword;
    bool help = false;
    bool version = false;
    QString error;        // non-empty when an option or its value is unusable
    QStringList warnings; // said on standard error, the start goes on
};

// Reads a secret given by a *-file option: its first line, from the file or, for "-", from
// standard input. nullopt with error set when there is none.
using SecretReader = std::function<std::optional<QString>(const QString& source, QString& error)>;
std::optional<QString> readSecret(const QString& source, QString& error);

// arguments: the whole argument vector, program name first. The parser is left holding the
// options, for the help text.
ClientOptions parseClientOptions(const QStringList& arguments, QCommandLineParser& parser,
                                 const SecretReader& reader = readSecret);
ClientOptions parseClientOptions(const QStringList& arguments,
                                 const SecretReader& reader = readSecret);

// The arguments (program name first) a restart runs with: the same, less those that belong to
// one start (--connect, the passwords and password files, with their values).
QStringList argumentsForRestart(const QStringList& arguments);

// Maps a --log-level value (case-insensitive) to a level; anything unknown selects error.
spdlog::level::level_enum logLevelFromName(const QString& value);

// The client's start-up, from the application object to the end of the event loop. Its result is
// the process exit code.
int runClient(int argc, char** argv);

} // namespace nimbral
