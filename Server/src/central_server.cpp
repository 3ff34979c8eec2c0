#include "central_server.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QStandardPaths>
#include <QWebSocket>

#include <spdlog/spdlog.h>

#include "connection_guard.h"
#include "device_registry.h"
#include "relay_node.h"
#include "rest_api.h"
#include "session_registry.h"
#include "signaling_hub.h"
#include "token_store.h"

namespace nimbral::server {

namespace {

bool loadTls(const ServerOptions& options, QSslCertificate* certificate, QSslKey* key,
             QString* error) {
    QFile certFile(options.tlsCertificate);
    if (!certFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read TLS certificate %1: %2")
                     .arg(options.tlsCertificate, certFile.errorString());
        return false;
    }
    *certificate = QSslCertificate(&certFile, QSsl::Pem);
    if (certificate->isNull()) {
        *error = QStringLiteral("%1 holds no PEM certificate").arg(options.tlsCertificate);
        return false;
    }
    QFile keyFile(options.tlsKey);
    if (!keyFile.open(QIODevice::ReadOnly)) {
        *error =
            QStringLiteral("cannot read TLS key %1: %2").arg(options.tlsKey, keyFile.errorString());
        return false;
    }
    const QByteArray pem = keyFile.readAll();
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec}) {
        *key = QSslKey(pem, algorithm, QSsl::Pem);
        if (!key->isNull()) {
            return true;
        }
    }
    *error = QStringLiteral("%1 holds no PEM RSA or EC private key").arg(options.tlsKey);
    return false;
}

QString hostForUrl(const QHostAddress& address) {
    return address.protocol() == QAbstractSocket::IPv6Protocol
               ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
               : address.toString();
}

} // namespace

CentralServer::CentralServer(QObject* parent)
    : QObject(parent)
    , m_limiter(std::make_unique<ConnectionLimiter>(256, 4096))
    , m_tokens(std::make_unique<TokenStore>())
    , m_devices(std::make_unique<DeviceRegistry>())
    , m_sessions(std::make_unique<SessionRegistry>())
    , m_signaling(std::make_unique<SignalingHub>(*m_tokens, *m_sessions, *m_devices))
    , m_rest(std::make_unique<RestApi>(*m_devices, *m_tokens, *m_sessions, *m_signaling))
    , m_relay(std::make_unique<RelayNode>(*m_sessions, *m_limiter)) {
    connect(m_rest.get(), &RestApi::newWebSocketConnection, this, [this] {
        while (m_rest->hasPendingWebSocketConnections()) {
            std::unique_ptr<QWebSocket> socket = m_rest->nextPendingWebSocketConnection();
            if (m_httpServer != nullptr) {
                m_httpServer->upgradeCompleted(socket->peerAddress(), socket->peerPort());
            }
            m_signaling->adopt(std::move(socket));
        }
    });
    m_rest->setStatusProvider([this] {
        return nlohmann::json{{"relay_connections", m_relay->connectionCount()},
                              {"relayed_bytes", m_relay->relayedBytes()}};
    });
    m_sessions->setPresenceCheck([this](const Session& session) {
        return m_signaling->isOnline(session.masterClientId) ||
               m_signaling->isOnline(session.targetClientId) || m_relay->hasConnection(session.id);
    });
    connect(m_sessions.get(), &SessionRegistry::sessionEnded, this,
            [this](const QString& sessionId, const QString&) { m_relay->closeSession(sessionId); });
}

CentralServer::~CentralServer() {
    // Sockets first: they refer to the registries below.
    m_relay.reset();
    m_rest.reset();
    m_signaling.reset();
}

quint16 CentralServer::relayPort() const {
    return m_relay->port();
}

bool CentralServer::openRegistry(const ServerOptions& options, QString* error) {
    DatabaseLocation location = options.database;
    const bool sqlite = location.kind == DatabaseLocation::Kind::SQLite;
    if (sqlite && location.path.isEmpty()) {
        location.path = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
                        QStringLiteral("/server.sqlite");
    }
    QString databaseError;
    if (!m_devices->open(location, &databaseError)) {
        *error =
            QStringLiteral("cannot open database %1: %2").arg(location.describe(), databaseError);
        return false;
    }
    // It holds the hashes of every device's secret.
    for (const QString& file : {location.path, location.path + QStringLiteral("-wal"),
                                location.path + QStringLiteral("-shm")}) {
        if (sqlite && QFile::exists(file)) {
            QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    spdlog::info("NimbralServer: device registry {}", location.describe().toStdString());
    return true;
}

bool CentralServer::start(const ServerOptions& options, QString* error) {
    if (const QString refusal = transportRefusal(options); !refusal.isEmpty()) {
        *error = refusal;
        return false;
    }
    if (!openRegistry(options, error)) {
        return false;
    }

    m_limiter->setLimits(options.maxConnectionsPerAddress, options.maxConnections);
    m_rest->setRegistrationLimit(options.registrationsPerMinute);

    auto* httpServer = new GuardedTcpServer(*m_limiter, QStringLiteral("RestApi"));
    httpServer->guardHttpBodies(RestApi::kMaxBodyBytes);
    httpServer->setIdleTimeout(options.httpIdleTimeoutSeconds * 1000);
    QString scheme = QStringLiteral("http");
    if (!options.tlsCertificate.isEmpty()) {
        QSslCertificate certificate;
        QSslKey key;
        if (!loadTls(options, &certificate, &key, error)) {
            delete httpServer;
            return false;
        }
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificate);
        tls.setPrivateKey(key);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        httpServer->setTls(tls);
        // The relay port carries session IDs and relay tokens: it speaks TLS too.
        m_relay->setTls(tls);
        scheme = QStringLiteral("https");
    }

    if (!httpServer->listen(options.listenAddress, options.listenPort)) {
        *error = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(options.listenAddress.toString())
                     .arg(options.listenPort)
                     .arg(httpServer->errorString());
        delete httpServer;
        return false;
    }
    m_httpPort = httpServer->serverPort();
    m_rest->bind(httpServer); // the REST server owns it from here
    m_httpServer = httpServer;
    if (!m_relay->listen(options.listenAddress, options.relayPort)) {
        *error = QStringLiteral("cannot listen for the relay on %1:%2: %3")
                     .arg(options.listenAddress.toString())
                     .arg(options.relayPort)
                     .arg(m_relay->errorString());
        return false;
    }
    const QString host = hostForUrl(options.listenAddress);
    m_baseUrl = QStringLiteral("%1://%2:%3").arg(scheme, host).arg(m_httpPort);
    spdlog::info("NimbralServer: listening on {} (REST, signaling at /ws/clients/<id>)",
                 m_baseUrl.toStdString());
    spdlog::info("NimbralServer: relay listening on {}:{}{}", host.toStdString(), relayPort(),
                 scheme == QLatin1String("https") ? " (TLS)" : "");
    if (scheme == QLatin1String("http") && !options.listenAddress.isLoopback()) {
        spdlog::warn("NimbralServer: serving plain http on an address other hosts can reach "
                     "(--allow-plain-http): device secrets, tokens and relay tokens cross the "
                     "network readable");
    }
    spdlog::info("NimbralServer: at most {} connections per address and {} in all, {} "
                 "registrations per address a minute",
                 options.maxConnectionsPerAddress, options.maxConnections,
                 options.registrationsPerMinute);
    return true;
}

} // namespace nimbral::server
