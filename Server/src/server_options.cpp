#include "server_options.h"

namespace nimbral::server {

namespace {

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

} // namespace

QString serverUsage() {
    return QStringLiteral(
        "Usage: NimbralServer [options]\n"
        "  --listen HOST:PORT      REST and signaling address (default 127.0.0.1:8080; port 0 "
        "picks a free one)\n"
        "  --relay-port PORT       relay port on the same host (default 9000; 0 picks a free one)\n"
        "  --db PATH               device registry database (default: per-user data folder)\n"
        "  --tls-cert FILE         PEM certificate: serve https and wss (needs --tls-key)\n"
        "  --tls-key FILE          PEM private key of that certificate\n"
        "  --log-level LEVEL       debug, info (default), warning or error\n"
        "  --max-connections-per-address N\n"
        "                          open connections from one address (default 256)\n"
        "  --max-connections N     open connections in all (default 4096)\n"
        "  --registrations-per-minute N\n"
        "                          device registrations from one address (default 30)\n"
        "  --http-idle-timeout SECONDS\n"
        "                          close HTTP connections silent this long (default 60)\n"
        "  --allow-plain-http      serve without TLS on an address other hosts can reach\n"
        "                          (secrets then cross the network readable)\n");
}

ServerOptions parseServerOptions(const QStringList& arguments) {
    ServerOptions options;
    const auto fail = [&options](const QString& text) {
        if (options.error.isEmpty()) {
            options.error = text;
        }
    };
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (option == QLatin1String("--allow-plain-http")) {
            options.allowPlainHttp = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            fail(QStringLiteral("%1 needs a value").arg(option));
            break;
        }
        const QString value = arguments.at(++i);
        if (option == QLatin1String("--listen")) {
            const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
            QString host = value.left(colon);
            if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
                host = host.mid(1, host.size() - 2);
            }
            const QHostAddress address(host == QLatin1String("localhost") ? "127.0.0.1" : host);
            if (colon <= 0 || address.isNull() ||
                !parsePort(value.mid(colon + 1), &options.listenPort)) {
                fail(QStringLiteral("--listen needs HOST:PORT with a numeric address, got '%1'")
                         .arg(value));
            } else {
                options.listenAddress = address;
            }
        } else if (option == QLatin1String("--relay-port")) {
            if (!parsePort(value, &options.relayPort)) {
                fail(QStringLiteral("--relay-port needs a port number, got '%1'").arg(value));
            }
        } else if (option == QLatin1String("--db")) {
            options.databasePath = value;
        } else if (option == QLatin1String("--tls-cert")) {
            options.tlsCertificate = value;
        } else if (option == QLatin1String("--tls-key")) {
            options.tlsKey = value;
        } else if (option == QLatin1String("--log-level")) {
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
        } else if (option == QLatin1String("--max-connections-per-address") ||
                   option == QLatin1String("--max-connections") ||
                   option == QLatin1String("--registrations-per-minute") ||
                   option == QLatin1String("--http-idle-timeout")) {
            int* target = option == QLatin1String("--max-connections") ? &options.maxConnections
                          : option == QLatin1String("--registrations-per-minute")
                              ? &options.registrationsPerMinute
                          : option == QLatin1String("--http-idle-timeout")
                              ? &options.httpIdleTimeoutSeconds
                              : &options.maxConnectionsPerAddress;
            if (!parseCount(value, target)) {
                fail(QStringLiteral("%1 needs a positive number, got '%2'").arg(option, value));
            }
        } else {
            fail(QStringLiteral("unknown option '%1'").arg(option));
        }
    }
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
