#include "network/relay_transport.h"

#include <QtEndian>

#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

#include "common/main_thread.h"
#include "platform/socket_queue.h"

namespace nimbral {

RelayTransport::RelayTransport(QObject* parent)
    : ITransport(parent) {
    qRegisterMetaType<nimbral::ChannelType>();
    makeSocket();
    m_reconnectTimer.setSingleShot(true);
    QObject::connect(&m_reconnectTimer, &QTimer::timeout, this, &RelayTransport::attemptReconnect);
}

void RelayTransport::setTls(bool tls) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (tls == m_tls) {
        return;
    }
    m_tls = tls;
    makeSocket();
}

void RelayTransport::makeSocket() {
    // A plain socket unless TLS is wanted: a TLS socket carrying plain bytes buffers them twice.
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
    }
    m_socket = m_tls ? std::unique_ptr<QTcpSocket>(std::make_unique<QSslSocket>())
                     : std::make_unique<QTcpSocket>();
    QTcpSocket* socket = m_socket.get();
    QObject::connect(socket, &QTcpSocket::connected, this, &RelayTransport::onSocketConnected);
    if (auto* ssl = qobject_cast<QSslSocket*>(socket)) {
        QObject::connect(ssl, &QSslSocket::encrypted, this, &RelayTransport::onLinkReady);
    }
    QObject::connect(socket, &QTcpSocket::disconnected, this,
                     &RelayTransport::onSocketDisconnected);
    QObject::connect(socket, &QTcpSocket::readyRead, this, &RelayTransport::onSocketReadyRead);
    QObject::connect(socket, &QTcpSocket::errorOccurred, this, &RelayTransport::onSocketError);
}

RelayTransport::~RelayTransport() {
    m_stopped = true;
    m_reconnectTimer.stop();
    // Our own teardown is no news for whoever still listens.
    m_socket->disconnect(this);
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->abort();
    }
}

QByteArray RelayTransport::frame(ChannelType channel, const char* data, std::size_t length) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(kHeaderSize + length));
    char header[kHeaderSize];
    relay_frame::writeHeader(header, static_cast<std::uint8_t>(channel),
                             static_cast<std::uint32_t>(length));
    bytes.append(header, kHeaderSize);
    bytes.append(data, static_cast<qsizetype>(length));
    return bytes;
}

QByteArray RelayTransport::joinFrame(const QString& sessionId, const QString& relayToken) {
    nlohmann::json join = {{"session_id", sessionId.toStdString()}, {"type", "relay_join"}};
    if (!relayToken.isEmpty()) {
        join["relay_token"] = relayToken.toStdString();
    }
    const std::string text = join.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    return frame(ChannelType::Control, text.data(), text.size());
}

bool RelayTransport::connect(const std::string& host, quint16 port) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        spdlog::warn("RelayTransport::connect called while socket is in state {}",
                     static_cast<int>(m_socket->state()));
        return false;
    }
    m_host = host;
    m_port = port;
    m_reconnectAttempts = 0;
    m_stopped = false;
    m_reader.clear();
    spdlog::info("RelayTransport: connecting to {}:{}{}", host, port, m_tls ? " (TLS)" : "");
    open();
    return true;
}

void RelayTransport::open() {
    if (auto* ssl = qobject_cast<QSslSocket*>(m_socket.get())) {
        ssl->connectToHostEncrypted(QString::fromStdString(m_host), m_port, QIODevice::ReadWrite,
                                    QAbstractSocket::AnyIPProtocol);
    } else {
        m_socket->connectToHost(QString::fromStdString(m_host), m_port, QIODevice::ReadWrite,
                                QAbstractSocket::AnyIPProtocol);
    }
}

void RelayTransport::disconnect() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_stopped = true;
    m_reconnectTimer.stop();
    m_reconnectAttempts = kMaxReconnectAttempts;
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        spdlog::info("RelayTransport: disconnecting from {}:{}", m_host, m_port);
        // The last words (a session's "disconnect") go out first. Unread data (the partner's
        // video) is dropped here: closing over it would send a reset, and a reset makes the
        // relay discard what it has not forwarded yet, those last words included.
        m_socket->flush();
        m_socket->readAll();
        m_socket->disconnectFromHost();
        if (m_socket->state() != QAbstractSocket::UnconnectedState) {
            m_socket->abort();
        }
    }
}

bool RelayTransport::isConnected() const {
    const auto* ssl = qobject_cast<const QSslSocket*>(m_socket.get());
    return m_socket->state() == QAbstractSocket::ConnectedState &&
           (ssl == nullptr || ssl->isEncrypted());
}

bool RelayTransport::send(ChannelType channel, const std::uint8_t* data, std::size_t length) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    if (!isConnected()) {
        spdlog::warn("RelayTransport::send: not connected");
        return false;
    }
    if (length > kMaxPayload) {
        spdlog::error("RelayTransport::send: payload too large ({} > {})", length, kMaxPayload);
        return false;
    }
    const QByteArray bytes = frame(channel, reinterpret_cast<const char*>(data), length);
    const qint64 written = m_socket->write(bytes);
    if (written != bytes.size()) {
        spdlog::error("RelayTransport::send: write failed, wrote {}/{} bytes", written,
                      bytes.size());
        return false;
    }
    return true;
}

std::size_t RelayTransport::pendingBytes(ChannelType) const {
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        return 0;
    }
    const auto* ssl = qobject_cast<const QSslSocket*>(m_socket.get());
    const qint64 encrypted = ssl != nullptr ? ssl->encryptedBytesToWrite() : 0;
    return static_cast<std::size_t>(m_socket->bytesToWrite() + encrypted) +
           platform::unacknowledgedSocketBytes(m_socket->socketDescriptor());
}

std::optional<double> RelayTransport::roundTripMs() const {
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        return std::nullopt;
    }
    const std::uint32_t micros = platform::socketRoundTripMicros(m_socket->socketDescriptor());
    if (micros == 0) {
        return std::nullopt;
    }
    return micros / 1000.0;
}

void RelayTransport::onSocketReadyRead() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_reader.append(m_socket->readAll());
    QString error;
    while (const auto frame = m_reader.next(&error)) {
        emit dataReceived(frame->channel, frame->payload);
    }
    if (!error.isEmpty()) {
        spdlog::error("RelayTransport: {}, dropping what was received", error.toStdString());
        emit transportError(error);
    }
}

void RelayTransport::onSocketConnected() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // Over TLS the link is ready once the handshake has checked the relay's certificate.
    if (!m_tls) {
        onLinkReady();
    }
}

void RelayTransport::onLinkReady() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::info("RelayTransport: connected to {}:{}{}", m_host, m_port, m_tls ? " (TLS)" : "");
    m_reconnectAttempts = 0;
    m_reader.clear();
    if (m_sessionId.isEmpty()) {
        spdlog::warn("RelayTransport: no session ID set, skipping relay_join");
    } else {
        spdlog::debug("RelayTransport: sending relay_join for session {}",
                      m_sessionId.toStdString());
        m_socket->write(joinFrame(m_sessionId, m_relayToken));
    }
    emit connected();
}

void RelayTransport::onSocketDisconnected() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::info("RelayTransport: disconnected from {}:{}", m_host, m_port);
    m_reader.clear();
    scheduleReconnect();
    // Last: whoever hears of it may stop the reconnection or delete this transport.
    emit disconnected();
}

void RelayTransport::scheduleReconnect() {
    if (m_stopped || m_reconnectTimer.isActive()) {
        return;
    }
    if (m_reconnectAttempts >= kMaxReconnectAttempts) {
        spdlog::warn("RelayTransport: giving up after {} reconnect attempts", m_reconnectAttempts);
        return;
    }
    const int delay = kFirstReconnectDelayMs << m_reconnectAttempts;
    spdlog::info("RelayTransport: reconnecting in {} ms (attempt {}/{})", delay,
                 m_reconnectAttempts + 1, kMaxReconnectAttempts);
    m_reconnectTimer.start(delay);
}

void RelayTransport::attemptReconnect() {
    NIMBRAL_ASSERT_MAIN_THREAD();
    m_reconnectTimer.stop();
    ++m_reconnectAttempts;
    if (m_socket->state() != QAbstractSocket::UnconnectedState) {
        m_socket->abort();
    }
    spdlog::info("RelayTransport: reconnect attempt {}/{} to {}:{}", m_reconnectAttempts,
                 kMaxReconnectAttempts, m_host, m_port);
    m_reader.clear();
    open();
}

void RelayTransport::onSocketError(QAbstractSocket::SocketError error) {
    NIMBRAL_ASSERT_MAIN_THREAD();
    spdlog::error("RelayTransport: socket error ({}): {}", static_cast<int>(error),
                  m_socket->errorString().toStdString());
    // A reconnection that could not even connect sees no disconnect: the next attempt is
    // scheduled here. A first connection that fails stays final.
    if (m_reconnectAttempts > 0 && m_socket->state() != QAbstractSocket::ConnectedState) {
        scheduleReconnect();
    }
    // Last: whoever hears of the error may delete this transport.
    if (error != QAbstractSocket::RemoteHostClosedError) {
        emit transportError(m_socket->errorString());
    }
}

} // namespace nimbral
