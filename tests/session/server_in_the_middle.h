#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

namespace nimbral::test {

// Stands between the devices and the server's REST and signaling port, as whoever runs or
// breaks into a server would: it records everything the devices send (signaling frames
// unmasked, so the text reads as the server reads it) and may rewrite every signaling message
// the server sends them. Plain http and ws only.
class ServerInTheMiddle : public QObject {
public:
    // Returns the message to deliver in place of `text` (a signaling message as JSON text).
    using Rewrite = std::function<QByteArray(const QByteArray& text)>;

    explicit ServerInTheMiddle(quint16 serverPort)
        : m_serverPort(serverPort) {
        m_listener.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* device = m_listener.nextPendingConnection()) {
                link(device);
            }
        });
    }

    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    quint16 port() const { return m_listener.serverPort(); }
    void setRewrite(Rewrite rewrite) { m_rewrite = std::move(rewrite); }
    // Everything the devices sent, with the signaling frames' payloads unmasked.
    const QByteArray& sent() const { return m_sent; }

private:
    struct Leg {
        QTcpSocket* device = nullptr;
        QTcpSocket* server = nullptr;
        QByteArray fromDevice; // not yet recorded
        QByteArray fromServer; // not yet passed on
        bool deviceSpeaksWebSocket = false;
        bool serverSpeaksWebSocket = false;
    };

    void link(QTcpSocket* device) {
        auto leg = std::make_shared<Leg>();
        leg->device = device;
        leg->server = new QTcpSocket(device);
        leg->server->connectToHost(QHostAddress::LocalHost, m_serverPort);
        QObject::connect(device, &QTcpSocket::readyRead, this, [this, leg] {
            const QByteArray bytes = leg->device->readAll();
            leg->server->write(bytes);
            leg->fromDevice += bytes;
            recordFromDevice(*leg);
        });
        QObject::connect(leg->server, &QTcpSocket::readyRead, this, [this, leg] {
            leg->fromServer += leg->server->readAll();
            passFromServer(*leg);
        });
        QObject::connect(device, &QTcpSocket::disconnected, leg->server,
                         &QTcpSocket::disconnectFromHost);
        QObject::connect(leg->server, &QTcpSocket::disconnected, device,
                         &QTcpSocket::disconnectFromHost);
    }

    // HTTP as it is; after an upgrade, each frame's unmasked payload.
    void recordFromDevice(Leg& leg) {
        if (!leg.deviceSpeaksWebSocket) {
            const qsizetype end = leg.fromDevice.indexOf("\r\n\r\n");
            if (end < 0 || !leg.fromDevice.left(end).toLower().contains("upgrade: websocket")) {
                m_sent += std::exchange(leg.fromDevice, {});
                return;
            }
            m_sent += leg.fromDevice.left(end + 4);
            leg.fromDevice.remove(0, end + 4);
            leg.deviceSpeaksWebSocket = true;
        }
        while (const auto frame = takeFrame(leg.fromDevice)) {
            m_sent += frame->payload;
        }
    }

    // The upgrade answer as it is; after it, text frames through the rewrite.
    void passFromServer(Leg& leg) {
        if (!leg.serverSpeaksWebSocket) {
            const qsizetype end = leg.fromServer.indexOf("\r\n\r\n");
            if (end < 0 || !leg.fromServer.startsWith("HTTP/1.1 101")) {
                leg.device->write(std::exchange(leg.fromServer, {}));
                return;
            }
            leg.device->write(leg.fromServer.left(end + 4));
            leg.fromServer.remove(0, end + 4);
            leg.serverSpeaksWebSocket = true;
        }
        while (const auto frame = takeFrame(leg.fromServer)) {
            const bool text = (frame->head & 0x0f) == 0x1;
            leg.device->write(frameOf(frame->head, text && m_rewrite ? m_rewrite(frame->payload)
                                                                     : frame->payload));
        }
    }

    struct Frame {
        quint8 head = 0;
        QByteArray payload;
    };

    // The first whole frame in `buffer`, unmasked, taken out of it.
    static std::optional<Frame> takeFrame(QByteArray& buffer) {
        if (buffer.size() < 2) {
            return std::nullopt;
        }
        const auto* bytes = reinterpret_cast<const uchar*>(buffer.constData());
        const bool masked = (bytes[1] & 0x80) != 0;
        qsizetype at = 2;
        quint64 length = bytes[1] & 0x7f;
        if (length == 126 || length == 127) {
            const qsizetype extra = length == 126 ? 2 : 8;
            if (buffer.size() < at + extra) {
                return std::nullopt;
            }
            length = extra == 2 ? qFromBigEndian<quint16>(bytes + at)
                                : qFromBigEndian<quint64>(bytes + at);
            at += extra;
        }
        const qsizetype maskAt = at;
        at += masked ? 4 : 0;
        if (static_cast<quint64>(buffer.size() - at) < length) {
            return std::nullopt;
        }
        Frame frame{bytes[0], buffer.mid(at, static_cast<qsizetype>(length))};
        for (qsizetype i = 0; masked && i < frame.payload.size(); ++i) {
            frame.payload[i] = static_cast<char>(frame.payload[i] ^ bytes[maskAt + i % 4]);
        }
        buffer.remove(0, at + static_cast<qsizetype>(length));
        return frame;
    }

    // A frame as the server sends it: unmasked.
    static QByteArray frameOf(quint8 head, const QByteArray& payload) {
        QByteArray frame;
        frame.append(static_cast<char>(head));
        const auto length = static_cast<quint64>(payload.size());
        if (length < 126) {
            frame.append(static_cast<char>(length));
        } else if (length <= 0xffff) {
            frame.append(static_cast<char>(126));
            frame.append(static_cast<char>(length >> 8));
            frame.append(static_cast<char>(length & 0xff));
        } else {
            frame.append(static_cast<char>(127));
            for (int shift = 56; shift >= 0; shift -= 8) {
                frame.append(static_cast<char>((length >> shift) & 0xff));
            }
        }
        return frame + payload;
    }

    quint16 m_serverPort;
    QTcpServer m_listener;
    Rewrite m_rewrite;
    QByteArray m_sent;
};

} // namespace nimbral::test
