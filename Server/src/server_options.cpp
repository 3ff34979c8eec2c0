#include "server_options.h"

#include <functional>
#include <optional>
#include <utility>

#include "common/command_line.h"

namespace nimbral::server {

namespace {

using Failure = std::function<void(const QString&)>;

bool parsePort(const QString& text, quint16* port) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535) {
        return false;
    }
    *port = static_cast<quint16>(value);
    return true;
}

bool parseCount(const QString& text, int* count) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 1) {
        return false;
    }
    *count = value;
    return true;
}

QList<QCommandLineOption> serverCommandLineOptions() {
    return {
        valueOption(
            "listen", "HOST:PORT",
            "REST and signaling address (default 127.0.0.1:8080; port 0 picks a free one)."),
        valueOption("relay-port", "PORT",
                    "Relay port on the same host (default 9000; 0 picks a free one)."),
        valueOption("db", "PATH|URL",
                    "Database: an SQLite file (default: per-user data folder) or "
                    "postgresql://USER@HOST:PORT/DATABASE, shared by several nodes."),
        valueOption("tls-cert", "FILE", "PEM certificate: serve https and wss (needs --tls-key)."),
        valueOption("tls-key", "FILE", "PEM private key of that certificate."),
        valueOption("log-level", "LEVEL", "debug, info (default), warning or error."),
        valueOption("max-connections-per-address", "N",
                    "Open connections from one address (default 256)."),
        valueOption("max-connections", "N", "Open connections in all (default 4096)."),
        valueOption("registrations-per-minute", "N",
                    "Device registrations from one address (default 30)."),
        valueOption("http-idle-timeout", "SECONDS",
                    "Close HTTP connections silent this long (default 60)."),
        QCommandLineOption(QStringLiteral("allow-plain-http"),
                           QStringLiteral("Serve without TLS on an address other hosts can reach "
                                          "(secrets then cross the network readable).")),
    };
}

void parseListen(const QString& value, ServerOptions& options, const Failure& fail) {
    const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
    QString host = value.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
    }
    const QHostAddress address(host == QLatin1String("localhost") ? "127.0.0.1" : host);
    if (colon <= 0 || address.isNull() || !parsePort(value.mid(colon + 1), &options.listenPort)) {
        fail(
            QStringLiteral("--listen needs HOST:PORT with a numeric address, got '%1'").arg(value));
    } else {
        options.listenAddress = address;
    }
}

void parseLogLevel(const QString& value, ServerOptions& options, const Failure& fail) {
    const QString level = value.toLower();
    if (level == QLatin1String("debug")) {
        options.logLevel = spdlog::level::debug;
    } else if (level == QLatin1String("info")) {
        options.logLevel = spdlog::level::info;
    } else if (level == QLatin1String("warning")) {
        options.logLevel = spdlog::level::warn;
    } else if (level == QLatin1String("error")) {
        options.logLevel = spdlog::level::err;
    } else {
        fail(QStringLiteral("--log-level must be debug, info, warning or error, got '%1'")
                 .arg(value));
    }
}

} // namespace

ServerOptions parseServerOptions(const QStringList& arguments) {
    QCommandLineParser parser;
    return parseServerOptions(arguments, parser);
}

ServerOptions parseServerOptions(const QStringList& arguments, QCommandLineParser& parser) {
    ServerOptions options;
    const CommandLine line = parseCommandLine(parser, serverCommandLineOptions(), arguments);
    options.help = line.helpRequested;
    options.version = line.versionRequested;
    const Failure fail = [&options](const QString& text) {
        if (options.error.isEmpty()) {
            options.error = text;
        }
    };
    if (!line.error.isEmpty()) {
        fail(line.error);
        return options;
    }
    const auto given = [&parser](const char* name) -> std::optional<QString> {
        const QString option = QString::fromLatin1(name);
        return parser.isSet(option) ? std::optional(parser.value(option)) : std::nullopt;
    };
    if (const auto value = given("listen")) {
        parseListen(*value, options, fail);
    }
    if (const auto value = given("relay-port"); value && !parsePort(*value, &options.relayPort)) {
        fail(QStringLiteral("--relay-port needs a port number, got '%1'").arg(*value));
    }
    if (const auto value = given("db")) {
        QString why;
        if (const auto location = DatabaseLocation::parse(*value, &why);
            !value->isEmpty() && location) {
            options.database = *location;
        } else {
            fail(value->isEmpty() ? QStringLiteral("--db needs a file name or a URL")
                                  : QStringLiteral("--db: %1").arg(why));
        }
    }
    const std::pair<const char*, QString*> paths[] = {{"tls-cert", &options.tlsCertificate},
                                                      {"tls-key", &options.tlsKey}};
    for (const auto& [name, target] : paths) {
        if (const auto value = given(name)) {
            *target = *value;
            if (value->isEmpty()) {
                fail(QStringLiteral("--%1 needs a file name").arg(QLatin1String(name)));
            }
        }
    }
    if (const auto value = given("log-level")) {
        parseLogLevel(*value, options, fail);
    }
    const std::pair<const char*, int*> counts[] = {
        {"max-connections-per-address", &options.maxConnectionsPerAddress},
        {"max-connections", &options.maxConnections},
        {"registrations-per-minute", &options.registrationsPerMinute},
        {"http-idle-timeout", &options.httpIdleTimeoutSeconds},
    };
    for (const auto& [name, target] : counts) {
        if (const auto value = given(name); value && !parseCount(*value, target)) {
            fail(QStringLiteral("--%1 needs a positive number, got '%2'")
                     .arg(QLatin1String(name), *value));
        }
    }
    options.allowPlainHttp = parser.isSet(QStringLiteral("allow-plain-http"));
    if (options.tlsCertificate.isEmpty() != options.tlsKey.isEmpty()) {
        fail(QStringLiteral("--tls-cert and --tls-key go together"));
    }
    return options;
}

QString transportRefusal(const ServerOptions& options) {
    if (!options.tlsCertificate.isEmpty() || options.listenAddress.isLoopback() ||
        options.allowPlainHttp) {
        return {};
    }
    return QStringLiteral(
               "refusing to serve plain http on %1, which other hosts can reach: device secrets, "
               "tokens and relay tokens would cross the network readable. Give --tls-cert and "
               "--tls-key, listen on a loopback address behind a TLS proxy, or pass "
               "--allow-plain-http to accept the risk")
        .arg(options.listenAddress.toString());
}

} // namespace nimbral::server
