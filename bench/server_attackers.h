#pragma once

// Strangers for bench_server_load's attack window, each from a loopback address of its own and
// each sending one request after another on its connections as fast as the server answers.

#include <memory>
#include <vector>

#include <QHostAddress>
#include <QTcpSocket>

#include "server_harness.h"

namespace nimbral::bench {

// Keeps `connections` HTTP connections from `from` busy, each with one request at a time (the
// given ones in turn), and counts the answers by status; a connection the server closes is
// opened again.
class RequestFlood {
public:
    RequestFlood(QHostAddress from, std::vector<QByteArray> requests, int connections)
        : m_from(std::move(from))
        , m_requests(std::move(requests))
        , m_connections(connections) {}

    void start(quint16 port) {
        m_port = port;
        m_running = true;
        for (int i = 0; i < m_connections; ++i) {
            open();
        }
    }
    void stop() { m_running = false; }

    int sent = 0;
    int answered400 = 0;
    int answered413 = 0;
    int answered429 = 0;
    int answeredOther = 0;
    int closedByServer = 0;

private:
    struct Connection {
        QTcpSocket socket;
        QByteArray buffer;
    };

    void open() {
        m_open.push_back(std::make_unique<Connection>());
        Connection* connection = m_open.back().get();
        QTcpSocket* socket = &connection->socket;
        socket->bind(m_from);
        QObject::connect(socket, &QTcpSocket::connected, [this, socket] { send(socket); });
        QObject::connect(socket, &QTcpSocket::readyRead, [this, connection] {
            connection->buffer += connection->socket.readAll();
            for (qsizetype length; (length = test::httpMessageLength(connection->buffer)) > 0;) {
                const int status = connection->buffer.mid(9, 3).toInt();
                answered400 += status == 400;
                answered413 += status == 413;
                answered429 += status == 429;
                answeredOther += status != 400 && status != 413 && status != 429;
                connection->buffer.remove(0, length);
                if (m_running) {
                    send(&connection->socket);
                }
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, [this] {
            ++closedByServer;
            if (m_running) {
                open();
            }
        });
        socket->connectToHost(QHostAddress::LocalHost, m_port);
    }

    void send(QTcpSocket* socket) {
        socket->write(m_requests[m_next]);
        m_next = (m_next + 1) % m_requests.size();
        ++sent;
    }

    QHostAddress m_from;
    std::vector<QByteArray> m_requests;
    std::size_t m_next = 0;
    int m_connections;
    quint16 m_port = 0;
    bool m_running = false;
    std::vector<std::unique_ptr<Connection>> m_open;
};

// "Upgrade: websocket" without "Connection: Upgrade": once left unanswered with its idle timer
// stopped, so a few such connections held the server's slots for ever.
inline QByteArray halfUpgradeRequest() {
    return "GET /ws/clients/123456789 HTTP/1.1\r\nHost: bench\r\nUpgrade: websocket\r\n\r\n";
}

inline QByteArray postRequest(const QByteArray& path, const QByteArray& body,
                              const QByteArray& token = {}) {
    QByteArray request = "POST " + path + " HTTP/1.1\r\nHost: bench\r\n";
    if (!token.isEmpty()) {
        request += "Authorization: Bearer " + token + "\r\n";
    }
    return request +
           "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

// Registrations with a huge name and session requests with a huge key, what the server once
// stored for ever or held for minutes: 200 KiB (beyond the body limit) and 32 KiB (within it,
// beyond every field's bound).
inline std::vector<QByteArray> oversizedFieldRequests(const QByteArray& token,
                                                      const QByteArray& masterId,
                                                      const QByteArray& targetId) {
    std::vector<QByteArray> requests;
    for (const qsizetype size : {200 * 1024, 32 * 1024}) {
        const QByteArray huge(size, 'x');
        requests.push_back(
            postRequest("/auth/auto-register", R"({"client_name":")" + huge + R"("})"));
        requests.push_back(postRequest(
            "/sessions/create",
            R"({"master_client_id":")" + masterId + R"(","target_client_id":")" + targetId +
                R"(","session_password":"x","master_ecdh_public_key":")" + huge + R"("})",
            token));
    }
    return requests;
}

} // namespace nimbral::bench
