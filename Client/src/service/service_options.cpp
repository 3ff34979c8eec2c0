#include "service/service_options.h"

#include <QHostAddress>

#include "common/command_line.h"

namespace nimbral {

namespace {

QList<QCommandLineOption> serviceCommandLineOptions() {
    return {
        QCommandLineOption(QStringLiteral("install"),
                           QStringLiteral("Write and enable the systemd unit (as root).")),
        QCommandLineOption(QStringLiteral("uninstall"),
                           QStringLiteral("Stop, disable and remove the unit (as root).")),
        valueOption("server", "URL", "The central server of this run."),
        valueOption("profile", "DIR", "Settings and log in DIR."),
        valueOption("relay-port", "PORT", "The relay node's port when it is not 9000."),
        valueOption("bind-address", "ADDRESS", "The local address of peer-to-peer links."),
        valueOption("stun-server", "HOST[:PORT]", "The STUN server of this deployment."),
        valueOption("ip-echo-url", "URL", "Where the public address is asked for."),
    };
}

} // namespace

ServiceOptions parseServiceOptions(const QStringList& arguments, QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Keeps this machine reachable without a logged-in user."));
    ServiceOptions options;
    const CommandLine line = parseCommandLine(parser, serviceCommandLineOptions(), arguments);
    options.help = line.helpRequested;
    options.version = line.versionRequested;
    options.error = line.error;
    if (!options.error.isEmpty()) {
        return options;
    }
    const auto given = [&parser](const char* name) {
        return firstValue(parser, name);
    };
    const auto fail = [&options](const QString& text) {
        if (options.error.isEmpty()) {
            options.error = text;
        }
    };
    options.install = parser.isSet(QStringLiteral("install"));
    options.uninstall = !options.install && parser.isSet(QStringLiteral("uninstall"));
    options.profileDirectory = given("profile").value_or(QString());
    if (const auto value = given("server")) {
        const QUrl url(*value, QUrl::StrictMode);
        if (url.isValid() && !url.host().isEmpty() &&
            (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))) {
            options.serverUrl = url;
        } else {
            fail(QStringLiteral("--server needs an http:// or https:// URL with a host, got '%1'")
                     .arg(*value));
        }
    }
    if (const auto value = given("relay-port")) {
        bool ok = false;
        const uint port = value->toUInt(&ok);
        if (ok && port >= 1 && port <= 65535) {
            options.relayPort = static_cast<quint16>(port);
        } else {
            fail(QStringLiteral("--relay-port needs a port number, got '%1'").arg(*value));
        }
    }
    if (const auto value = given("bind-address")) {
        if (QHostAddress(*value).isNull()) {
            fail(QStringLiteral("--bind-address needs an IP address, got '%1'").arg(*value));
        } else {
            options.bindAddress = value->toStdString();
        }
    }
    if (const auto value = given("stun-server")) {
        const QUrl url(QStringLiteral("stun://") + *value);
        if (url.isValid() && !url.host().isEmpty()) {
            options.stunServer = std::make_pair(url.host(), static_cast<quint16>(url.port(19302)));
        } else {
            fail(QStringLiteral("--stun-server needs HOST or HOST:PORT, got '%1'").arg(*value));
        }
    }
    if (const auto value = given("ip-echo-url")) {
        options.ipEchoUrl = QUrl(*value);
    }
    return options;
}

} // namespace nimbral
