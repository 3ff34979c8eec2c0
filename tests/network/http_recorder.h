#pragma once

#include <deque>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QTcpServer>

namespace nimbral::test {

// A minimal HTTP/1.1 server on 127.0.0.1 that records every request exactly as it arrived and
// answers from a queue of canned replies (200 {} when the queue is empty). With answering
// switched off it accepts requests and never replies, like a hung server.
class HttpRecorder : public QObject {
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray header(const QByteArray& name) const;
    };

    HttpRecorder();
    quint16 port() const { return m_server.serverPort(); }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }

    void enqueueReply(int status, const QByteArray& body);
    // A reply for the next request to this path only, whatever else arrives first.
    void enqueueReplyFor(const QByteArray& path, int status, const QByteArray& body) {
        m_pathReplies[path].emplace_back(status, body);
    }
    void setAnswering(bool answering) { m_answering = answering; }
    const std::vector<Request>& requests() const { return m_requests; }

private:
    void onReadyRead(QTcpSocket* socket);

    QTcpServer m_server;
    std::vector<Request> m_requests;
    std::deque<QPair<int, QByteArray>> m_replies;
    QHash<QByteArray, std::deque<QPair<int, QByteArray>>> m_pathReplies;
    bool m_answering = true;
};

} // namespace nimbral::test
