#include "connection_guard.h"

#include <QDateTime>
#include <QPointer>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

#include <spdlog/spdlog.h>

#include "source_address.h"

namespace nimbral::server {

namespace {

// Lives as a child of an admitted socket, so the slot is given back however the socket ends:
// closed by its owner, handed to the WebSocket server or deleted with the server.
class ConnectionTicket : public QObject {
public:
    ConnectionTicket(QObject* socket, ConnectionLimiter* limiter, QHostAddress address)
        : QObject(socket)
        , m_limiter(limiter)
        , m_address(std::move(address)) {}
    ~ConnectionTicket() override {
        if (m_limiter) {
            m_limiter->release(m_address);
        }
    }

private:
    QPointer<ConnectionLimiter> m_limiter;
    QHostAddress m_address;
};

QByteArray refusal(int status, const char* reason, const char* detail) {
    const QByteArray body = QByteArrayLiteral("{\"detail\":\"") + detail + "\"}";
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Type: application/json\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

ConnectionLimiter::ConnectionLimiter(int maxPerAddress, int maxTotal, QObject* parent)
    : QObject(parent)
    , m_maxPerAddress(maxPerAddress)
    , m_maxTotal(maxTotal) {
}

QString ConnectionLimiter::key(const QHostAddress& address) {
    return sourceOf(address);
}

bool ConnectionLimiter::admit(const QHostAddress& address) {
    const QString source = key(address);
    int& count = m_perAddress[source];
    const bool perAddressFull = count >= m_maxPerAddress;
    if (perAddressFull || m_total >= m_maxTotal) {
        if (count == 0) {
            m_perAddress.remove(source);
        }
        ++m_refused;
        // A flood would otherwise write a line per attempt.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        if (m_lastRefusalLogMs < 0 || now - m_lastRefusalLogMs >= 1000) {
            m_lastRefusalLogMs = now;
            spdlog::warn("NimbralServer: refusing connections from {}: {} ({} refused so far)",
                         source.toStdString(),
                         perAddressFull ? fmt::format("{} open from that address", m_maxPerAddress)
                                        : fmt::format("{} open in all", m_maxTotal),
                         m_refused);
        }
        return false;
    }
    ++count;
    ++m_total;
    return true;
}

void ConnectionLimiter::release(const QHostAddress& address) {
    const auto it = m_perAddress.find(key(address));
    if (it == m_perAddress.end()) {
        return;
    }
    if (--it.value() <= 0) {
        m_perAddress.erase(it);
    }
    --m_total;
}

HttpRequestGuard::Verdict HttpRequestGuard::feed(const char* data, qsizetype size) {
    qsizetype i = 0;
    while (m_final == Verdict::Continue && i < size) {
        switch (m_state) {
        case State::Headers:
        case State::Trailers:
            m_line.append(data[i++]);
            if (m_line.size() > kMaxHeaderBytes) {
                m_final = Verdict::HeadersTooLarge;
            } else if (m_line == "\r\n") {
                // Blank lines between requests are allowed; an empty trailer block ends a body.
                m_line.clear();
                m_state = State::Headers;
            } else if (m_line.endsWith("\r\n\r\n")) {
                if (m_state == State::Headers) {
                    m_final = endOfHeaders();
                    if (m_final == Verdict::BodyTooLarge) {
                        m_refusedLeft = qMax<qint64>(0, m_left - (size - i));
                    }
                } else {
                    m_state = State::Headers;
                }
                m_line.clear();
            }
            break;
        case State::FixedBody:
        case State::ChunkData: {
            const qint64 taken = qMin<qint64>(m_left, size - i);
            i += taken;
            m_left -= taken;
            if (m_left == 0) {
                m_state = m_state == State::FixedBody ? State::Headers : State::ChunkDataEnd;
            }
            break;
        }
        case State::ChunkSize:
            m_line.append(data[i++]);
            if (m_line.size() > kMaxChunkLineBytes) {
                m_final = Verdict::Malformed;
            } else if (m_line.endsWith("\r\n")) {
                m_final = endOfChunkLine();
                m_line.clear();
            }
            break;
        case State::ChunkDataEnd:
            m_line.append(data[i++]);
            if (m_line.size() == 2) {
                if (m_line != "\r\n") {
                    m_final = Verdict::Malformed;
                }
                m_line.clear();
                m_state = State::ChunkSize;
            }
            break;
        case State::Done:
            i = size;
            break;
        }
    }
    return m_final;
}

HttpRequestGuard::Verdict HttpRequestGuard::endOfHeaders() {
    const QList<QByteArray> lines = m_line.split('\n');
    qint64 contentLength = -1;
    bool chunked = false;
    bool upgrade = false;
    bool connectionUpgrade = false;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QByteArray line = lines.at(n).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            continue;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            if (value.isEmpty() || value.size() > 18 ||
                !std::all_of(value.begin(), value.end(),
                             [](char c) { return c >= '0' && c <= '9'; })) {
                return Verdict::Malformed;
            }
            const qint64 length = value.toLongLong();
            if (contentLength >= 0 && contentLength != length) {
                return Verdict::Malformed;
            }
            contentLength = length;
        } else if (name == "transfer-encoding") {
            // Only chunked framing is understood; any other coding leaves the length unknown.
            if (!value.toLower().endsWith("chunked")) {
                return Verdict::Malformed;
            }
            chunked = true;
        } else if (name == "upgrade") {
            upgrade = value.toLower() == "websocket";
        } else if (name == "connection") {
            for (const QByteArray& option : value.toLower().split(',')) {
                connectionUpgrade = connectionUpgrade || option.trimmed() == "upgrade";
            }
        }
    }
    if (upgrade && connectionUpgrade && lines.first().startsWith("GET ")) {
        m_state = State::Done;
        return Verdict::Upgraded;
    }
    if (chunked && contentLength >= 0) {
        // Two framings at once is how requests are smuggled past a checker; refuse it.
        return Verdict::Malformed;
    }
    m_bodyBytes = 0;
    if (chunked) {
        m_state = State::ChunkSize;
        return Verdict::Continue;
    }
    if (contentLength > m_maxBodyBytes) {
        m_left = contentLength;
        return Verdict::BodyTooLarge;
    }
    m_left = qMax<qint64>(contentLength, 0);
    m_state = m_left > 0 ? State::FixedBody : State::Headers;
    return Verdict::Continue;
}

HttpRequestGuard::Verdict HttpRequestGuard::endOfChunkLine() {
    QByteArray sizeText = m_line.left(m_line.size() - 2);
    const qsizetype extension = sizeText.indexOf(';');
    if (extension >= 0) {
        sizeText.truncate(extension);
    }
    sizeText = sizeText.trimmed();
    if (sizeText.isEmpty() || sizeText.size() > 15 ||
        !std::all_of(sizeText.begin(), sizeText.end(), isHexDigit)) {
        return Verdict::Malformed;
    }
    const qint64 chunk = sizeText.toLongLong(nullptr, 16);
    m_bodyBytes += chunk;
    if (m_bodyBytes > m_maxBodyBytes) {
        return Verdict::BodyTooLarge;
    }
    m_left = chunk;
    m_state = chunk == 0 ? State::Trailers : State::ChunkData;
    return Verdict::Continue;
}

GuardedTcpServer::GuardedTcpServer(ConnectionLimiter& limiter, QString name, QObject* parent)
    : QTcpServer(parent)
    , m_limiter(limiter)
    , m_name(std::move(name)) {
}

void GuardedTcpServer::incomingConnection(qintptr descriptor) {
    QTcpSocket* socket = m_tls ? new QSslSocket(this) : new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    const QHostAddress address = socket->peerAddress();
    if (!m_limiter.admit(address)) {
        socket->abort();
        delete socket;
        return;
    }
    new ConnectionTicket(socket, &m_limiter, address);
    if (m_maxBodyBytes >= 0) {
        watchHttp(socket);
    }
    if (!m_tls) {
        addPendingConnection(socket);
        return;
    }
    auto* ssl = static_cast<QSslSocket*>(socket);
    ssl->setSslConfiguration(*m_tls);
    connect(ssl, &QSslSocket::encrypted, this, [this, ssl] { addPendingConnection(ssl); });
    // Until it is handed on the socket is ours to clean up.
    connect(ssl, &QAbstractSocket::disconnected, this, [ssl] {
        if (!ssl->isEncrypted()) {
            ssl->deleteLater();
        }
    });
    QTimer::singleShot(kTlsHandshakeTimeoutMs, ssl, [ssl] {
        if (!ssl->isEncrypted()) {
            ssl->abort();
            ssl->deleteLater();
        }
    });
    ssl->startServerEncryption();
}

namespace {

QString peerKey(const QHostAddress& address, quint16 port) {
    return address.toString() + QLatin1Char('|') + QString::number(port);
}

} // namespace

void GuardedTcpServer::upgradeCompleted(const QHostAddress& peer, quint16 port) {
    if (QPointer<QTimer> idle = m_upgrading.take(peerKey(peer, port))) {
        idle->stop();
    }
}

void GuardedTcpServer::watchHttp(QTcpSocket* socket) {
    // Connected before the HTTP server's own handler, so each arrival is seen here first, before
    // the server buffers it.
    auto guard = std::make_shared<HttpRequestGuard>(m_maxBodyBytes);
    auto* idle = new QTimer(socket);
    idle->setSingleShot(true);
    idle->setInterval(m_idleTimeoutMs);
    connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
    idle->start();
    connect(socket, &QIODevice::readyRead, socket, [this, socket, guard, idle, name = m_name] {
        idle->start();
        const QByteArray fresh = socket->peek(socket->bytesAvailable());
        const auto verdict = guard->feed(fresh.constData(), fresh.size());
        if (verdict == HttpRequestGuard::Verdict::Continue) {
            return;
        }
        if (verdict == HttpRequestGuard::Verdict::Upgraded) {
            // The idle timer keeps running until the upgrade is answered with 101: a handshake
            // that never completes must not hold the connection.
            const QString key = peerKey(socket->peerAddress(), socket->peerPort());
            m_upgrading.insert(key, idle);
            QObject::connect(socket, &QObject::destroyed, this,
                             [this, key] { m_upgrading.remove(key); });
            QObject::disconnect(socket, &QIODevice::readyRead, socket, nullptr);
            return;
        }
        QByteArray response;
        const char* why = "";
        switch (verdict) {
        case HttpRequestGuard::Verdict::BodyTooLarge:
            response = refusal(413, "Payload Too Large", "Request body too large");
            why = "body above the limit";
            break;
        case HttpRequestGuard::Verdict::HeadersTooLarge:
            response = refusal(431, "Request Header Fields Too Large", "Request headers too large");
            why = "headers above the limit";
            break;
        default:
            response = refusal(400, "Bad Request", "Malformed request framing");
            why = "malformed framing";
            break;
        }
        spdlog::info("{}: refusing a request from {}: {}", name.toStdString(),
                     socket->peerAddress().toString().toStdString(), why);
        // Nothing more of this connection reaches the HTTP server. A refused body of moderate
        // size is read and thrown away first, since closing on unread data resets the
        // connection and the client would never see the answer; anything else closes now.
        QObject::disconnect(socket, &QIODevice::readyRead, nullptr, nullptr);
        if (socket->isTransactionStarted()) {
            socket->commitTransaction();
        }
        socket->readAll();
        socket->write(response);
        const qint64 toDrain = guard->refusedBodyRemaining();
        if (toDrain <= 0 || toDrain > kMaxDrainBytes) {
            QObject::connect(socket, &QIODevice::readyRead, socket,
                             [socket] { socket->readAll(); });
            socket->disconnectFromHost();
            return;
        }
        auto left = std::make_shared<qint64>(toDrain);
        QObject::connect(socket, &QIODevice::readyRead, socket, [socket, left] {
            *left -= socket->readAll().size();
            if (*left <= 0) {
                socket->disconnectFromHost();
            }
        });
        QTimer::singleShot(kDrainTimeoutMs, socket, [socket] { socket->abort(); });
    });
}

} // namespace nimbral::server
