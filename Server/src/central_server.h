#pragma once

#include <memory>

#include <QObject>
#include <QString>

#include "server_options.h"

namespace nimbral::server {

class ConnectionLimiter;
class GuardedTcpServer;
class DeviceRegistry;
class RelayNode;
class RestApi;
class SessionRegistry;
class SignalingHub;
class TokenStore;

// The whole server in one process: registry, tokens, sessions, signaling, REST and the relay,
// wired together. Main thread only.
class CentralServer : public QObject {
    Q_OBJECT

public:
    explicit CentralServer(QObject* parent = nullptr);
    ~CentralServer() override;

    // Opens the database and binds both ports; false with `error` filled on failure.
    bool start(const ServerOptions& options, QString* error);

    quint16 httpPort() const { return m_httpPort; }
    quint16 relayPort() const;
    QString baseUrl() const { return m_baseUrl; }

    SessionRegistry& sessions() { return *m_sessions; }
    RelayNode& relay() { return *m_relay; }
    SignalingHub& signaling() { return *m_signaling; }

private:
    // The device registry, its files readable by the server's user only.
    bool openRegistry(const ServerOptions& options, QString* error);
    // First, so it outlives every socket it counts.
    std::unique_ptr<ConnectionLimiter> m_limiter;
    std::unique_ptr<TokenStore> m_tokens;
    std::unique_ptr<DeviceRegistry> m_devices;
    std::unique_ptr<SessionRegistry> m_sessions;
    std::unique_ptr<SignalingHub> m_signaling;
    std::unique_ptr<RestApi> m_rest;
    std::unique_ptr<RelayNode> m_relay;
    GuardedTcpServer* m_httpServer = nullptr; // owned by m_rest
    quint16 m_httpPort = 0;
    QString m_baseUrl;
};

} // namespace nimbral::server
