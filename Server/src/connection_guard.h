#pragma once

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QTimer>

#include <optional>

namespace nimbral::server {

// Counts the server's open connections, per source (an IPv4 address or an IPv6 /64) and in all,
// across every port it listens on, so one source cannot take the whole server. Main thread only.
class ConnectionLimiter : public QObject {
    Q_OBJECT

public:
    ConnectionLimiter(int maxPerAddress, int maxTotal, QObject* parent = nullptr);

    // True and counted when there is room for one more connection from `address`.
    bool admit(const QHostAddress& address);
    void release(const QHostAddress& address);

    void setLimits(int maxPerAddress, int maxTotal) {
        m_maxPerAddress = maxPerAddress;
        m_maxTotal = maxTotal;
    }

    int total() const { return m_total; }
    int countFor(const QHostAddress& address) const { return m_perAddress.value(key(address)); }
    qint64 refusedCount() const { return m_refused; }

private:
    static QString key(const QHostAddress& address);

    int m_maxPerAddress;
    int m_maxTotal;
    int m_total = 0;
    qint64 m_refused = 0;
    qint64 m_lastRefusalLogMs = -1;
    QHash<QString, int> m_perAddress;
};

// Follows the requests on one HTTP/1.1 connection as their bytes arrive, header block by header
// block and body by body (fixed length or chunked), to refuse an oversized request before its
// body is buffered. It stops following at a WebSocket upgrade (a GET with "Upgrade: websocket"
// and "Connection: Upgrade"): from there on the bytes are WebSocket frames, which the socket
// bounds itself. A request that names the upgrade without asking for it properly is an ordinary
// request, which the REST server refuses.
class HttpRequestGuard {
public:
    static constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
    static constexpr qsizetype kMaxChunkLineBytes = 1024;

    enum class Verdict { Continue, Upgraded, BodyTooLarge, HeadersTooLarge, Malformed };

    explicit HttpRequestGuard(qint64 maxBodyBytes)
        : m_maxBodyBytes(maxBodyBytes) {}

    // Takes the next bytes of the stream; anything but Continue is final.
    Verdict feed(const char* data, qsizetype size);

    // After BodyTooLarge for an announced length: how much of that body is still to come (the
    // server reads it away before closing, so the client sees the refusal rather than a reset);
    // -1 when unknown.
    qint64 refusedBodyRemaining() const { return m_refusedLeft; }

private:
    enum class State { Headers, FixedBody, ChunkSize, ChunkData, ChunkDataEnd, Trailers, Done };

    Verdict endOfHeaders();
    Verdict endOfChunkLine();

    qint64 m_maxBodyBytes;
    State m_state = State::Headers;
    QByteArray m_line; // header block, chunk-size line or trailer block collected so far
    qint64 m_left = 0; // bytes of the body or chunk still to come
    qint64 m_bodyBytes = 0;
    Verdict m_final = Verdict::Continue;
    qint64 m_refusedLeft = -1;
};

// A listening socket that admits connections through a ConnectionLimiter, optionally runs the
// TLS handshake itself (with a deadline, so a silent client cannot hold a slot) and optionally
// watches each connection's HTTP requests with an HttpRequestGuard.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT

public:
    static constexpr int kTlsHandshakeTimeoutMs = 10000;
    // A refused body up to this size is read and thrown away before the connection is closed.
    static constexpr qint64 kMaxDrainBytes = 4 * 1024 * 1024;
    static constexpr int kDrainTimeoutMs = 10000;
    // An HTTP connection that sends nothing for this long is closed, so idle connections cannot
    // be hoarded (clients open a new one when they need it). WebSockets have their own pings.
    static constexpr int kDefaultIdleTimeoutMs = 60000;

    GuardedTcpServer(ConnectionLimiter& limiter, QString name, QObject* parent = nullptr);

    void setTls(const QSslConfiguration& configuration) { m_tls = configuration; }
    // Refuses requests whose body is announced or grows above `maxBodyBytes` with a 413.
    void guardHttpBodies(qint64 maxBodyBytes) { m_maxBodyBytes = maxBodyBytes; }
    void setIdleTimeout(int milliseconds) { m_idleTimeoutMs = milliseconds; }
    // The WebSocket server answered the upgrade of the connection from this peer with 101: from
    // here on the socket's own pings and the hub's deadlines watch it, not the idle timer.
    void upgradeCompleted(const QHostAddress& peer, quint16 port);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void watchHttp(QTcpSocket* socket);

    ConnectionLimiter& m_limiter;
    QString m_name;
    // Idle timers of connections whose upgrade is under way, by peer address and port.
    QHash<QString, QPointer<QTimer>> m_upgrading;
    std::optional<QSslConfiguration> m_tls;
    qint64 m_maxBodyBytes = -1;
    int m_idleTimeoutMs = kDefaultIdleTimeoutMs;
};

} // namespace nimbral::server
