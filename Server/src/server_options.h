#pragma once

#include <QCommandLineParser>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <spdlog/common.h>

#include "database_location.h"

namespace nimbral::server {

struct ServerOptions {
    QHostAddress listenAddress{QHostAddress::LocalHost};
    quint16 listenPort = 8080;
    quint16 relayPort = 9000;
    // --db: an SQLite file (empty path: the per-user data directory + "/server.sqlite") or a
    // PostgreSQL URL.
    DatabaseLocation database;
    QString tlsCertificate;
    QString tlsKey;
    spdlog::level::level_enum logLevel = spdlog::level::info;
    // Open connections (HTTP, signaling and relay together) from one source address, and in all.
    // Devices behind one NAT share an address, hence the generous default.
    int maxConnectionsPerAddress = 256;
    int maxConnections = 4096;
    // Registrations from one source address (an IPv6 /64): this many at once, then this many a
    // minute.
    int registrationsPerMinute = 30;
    // Seconds an HTTP connection may stay silent before it is closed.
    int httpIdleTimeoutSeconds = 60;
    // Serve plain http on an address other hosts can reach: tokens, device secrets and relay
    // tokens then cross the network readable. Refused unless asked for.
    bool allowPlainHttp = false;
    bool help = false;
    bool version = false;
    QString error; // non-empty when the command line cannot be used
};

// arguments: the whole argument vector, program name first. The parser is left holding the
// options, for the help text.
ServerOptions parseServerOptions(const QStringList& arguments, QCommandLineParser& parser);
ServerOptions parseServerOptions(const QStringList& arguments);

// Why these options must not be used to start, or empty: plain http on an address other hosts
// can reach is refused unless --allow-plain-http asks for it.
QString transportRefusal(const ServerOptions& options);

} // namespace nimbral::server
