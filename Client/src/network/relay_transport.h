#pragma once

#include <memory>

#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include "network/relay_frame_reader.h"
#include "network/transport.h"

namespace nimbral {

// The fallback link: one TCP connection to a relay node carrying both channels as frames
//   [1 byte channel][4 bytes big-endian payload length][payload]
// opened by a relay_join frame naming the session and this party's relay token. Over TLS when the
// server is reached over https (the relay node then speaks TLS with the server's certificate), so
// session IDs and relay tokens never cross in clear. After a remote close it reconnects after 1,
// 2 and 4 s (at most three attempts, each sending the join again); never after disconnect().
// Main thread only.
class RelayTransport : public ITransport {
    Q_OBJECT

public:
    static constexpr int kHeaderSize = relay_frame::kHeaderBytes;
    static constexpr std::size_t kMaxPayload = relay_frame::kMaxPayload;
    static constexpr int kMaxReconnectAttempts = 3;
    static constexpr int kFirstReconnectDelayMs = 1000;

    explicit RelayTransport(QObject* parent = nullptr);
    ~RelayTransport() override;

    // The session the join message names, and this party's relay token; set before connect().
    void setSessionId(const QString& sessionId) { m_sessionId = sessionId; }
    void setRelayToken(const QString& token) { m_relayToken = token; }
    // Speak TLS to the relay node, checking its certificate against the host name.
    void setTls(bool tls);

    bool connect(const std::string& host, quint16 port) override;
    void disconnect() override;
    bool isConnected() const override;
    bool send(ChannelType channel, const std::uint8_t* data, std::size_t length) override;
    // Both channels share the socket: its own buffer plus what the kernel still holds.
    std::size_t pendingBytes(ChannelType channel) const override;
    bool channelsShareOneQueue() const override { return true; }
    std::size_t framingBytesPerMessage() const override { return kHeaderSize; }
    // To the relay node: the leg this side can see of a path that has two.
    std::optional<double> roundTripMs() const override;

    // The join frame for a session on channel 0:
    // {"relay_token":"...","session_id":"...","type":"relay_join"}, without "relay_token" when
    // there is none.
    static QByteArray joinFrame(const QString& sessionId, const QString& relayToken = {});

    // For tests: the reconnection schedule without its waits.
    bool reconnectPending() const { return m_reconnectTimer.isActive(); }
    int reconnectDelayMs() const { return m_reconnectTimer.interval(); }

public slots:
    void onSocketConnected();
    void onLinkReady();
    void onSocketDisconnected();
    void onSocketReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void attemptReconnect();

private:
    void makeSocket();
    // Arms the next reconnection with a doubled delay, unless stopped or out of attempts.
    void scheduleReconnect();
    void open();
    static QByteArray frame(ChannelType channel, const char* data, std::size_t length);

    std::unique_ptr<QTcpSocket> m_socket; // a QSslSocket with TLS
    QTimer m_reconnectTimer;
    RelayFrameReader m_reader;
    QString m_sessionId;
    QString m_relayToken;
    bool m_tls = false;
    std::string m_host;
    quint16 m_port = 0;
    int m_reconnectAttempts = 0;
    bool m_stopped = false;
};

} // namespace nimbral
