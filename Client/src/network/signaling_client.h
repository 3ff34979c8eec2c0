#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include "network/json_types.h"

namespace nimbral {

// The device's WebSocket to the central server ("/ws/clients/<id>"): authenticates with the
// bearer token, carries the signaling catalogue both ways and reconnects with back-off (1 s
// doubling to 30 s, at most 10 attempts in a row without a confirmed authentication).
//
// When it stops trying for good on its own (attempts used up, or the server refused the token)
// it raises gaveUp(): the token is then worth nothing and only a new login brings the device
// back, which is its owner's job. disconnectFromServer() never raises it. Main thread only.
class SignalingClient : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxReconnectAttempts = 10;
    static constexpr int kFirstReconnectDelayMs = 1000;
    static constexpr int kMaxReconnectDelayMs = 30000;

    explicit SignalingClient(QObject* parent = nullptr);
    ~SignalingClient() override;

    void connectToServer(const QUrl& serverUrl, const QString& clientId, const QString& token);
    // Sends one compact text frame, or drops it with a warning when the socket is not connected.
    void sendMessage(const nlohmann::json& message);
    bool isConnected() const;
    void disconnectFromServer();

    // The socket URL for a server URL: https -> wss, anything else -> ws, path /ws/clients/<id>.
    static QUrl signalingUrl(const QUrl& serverUrl, const QString& clientId);

    // For tests: the back-off without waiting for it.
    bool reconnectPending() const { return m_reconnectTimer.isActive(); }
    int reconnectDelayMs() const { return m_reconnectTimer.interval(); }
    int reconnectAttempts() const { return m_reconnectAttempts; }

signals:
    void connected();
    void disconnected();
    void messageReceived(const nlohmann::json& message);
    void sessionHandshakeRequest(const QString& sessionId, const QString& masterClientId,
                                 const QString& purpose);
    // relayToken: the Target's own key to the session's relay (empty from an older server).
    void sessionAutoAccept(const QString& sessionId, const QString& masterClientId,
                           const QString& masterEcdhPublicKey, const QString& relayToken);
    // exchange: the Target's answer to a password exchange, its "pake_*" fields and its device
    // proof ("device_key", "device_signature"); an empty object for a session without one.
    void sessionHandshakeAck(const QString& sessionId, const QString& state,
                             const QString& targetEcdhPublicKey, const nlohmann::json& exchange);
    // A session request that carries the Master's side of a password exchange: the server has
    // checked no secret, the Target decides.
    void sessionExchangeRequest(const QString& sessionId, const QString& masterClientId,
                                const QString& masterEcdhPublicKey, const QString& relayToken,
                                const QString& sharePassword, const QString& shareCode);
    // The Master's confirmation of the run that matched ("password" or "code"), with its device
    // proof ("device_key", "device_signature").
    void exchangeConfirmation(const QString& sessionId, const QString& fromClientId,
                              const QString& secret, const QString& confirmation,
                              const nlohmann::json& proof);
    // The Target's user accepted a session whose Master proved the pairing code.
    void sessionApproved(const QString& sessionId, const QString& fromClientId);
    // The partner (or the server) closed the session.
    void sessionClosed(const QString& sessionId, const QString& reason);
    void connectionError(const QString& error);
    void iceOffer(const QString& sessionId, const QString& fromClientId, const QString& sdp);
    void iceAnswer(const QString& sessionId, const QString& fromClientId, const QString& sdp);
    void iceCandidate(const QString& sessionId, const QString& fromClientId,
                      const QString& candidate, const QString& mid);
    void gaveUp();

public slots:
    void onConnected();
    void onDisconnected();
    void onTextMessageReceived(const QString& text);
    void onError(QAbstractSocket::SocketError error);
    void attemptReconnect();

private:
    void open();

    QWebSocket m_socket;
    QTimer m_reconnectTimer;
    QUrl m_serverUrl;
    QString m_clientId;
    QString m_token;
    int m_reconnectAttempts = 0;
    bool m_closedByOwner = false;
};

} // namespace nimbral
