#include "http_recorder.h"

#include <QTcpSocket>

namespace nimbral::test {

QByteArray HttpRecorder::Request::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

HttpRecorder::HttpRecorder() {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

void HttpRecorder::enqueueReply(int status, const QByteArray& body) {
    m_replies.emplace_back(status, body);
}

void HttpRecorder::onReadyRead(QTcpSocket* socket) {
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            break;
        }
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        Request request;
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        request.method = requestLine.value(0);
        request.path = requestLine.value(1);
        qsizetype contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) {
                const QByteArray name = lines[i].left(colon).trimmed();
                const QByteArray value = lines[i].mid(colon + 1).trimmed();
                request.headers.append({name, value});
                if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
                    contentLength = value.toLongLong();
                }
            }
        }
        if (buffer.size() < headerEnd + 4 + contentLength) {
            break;
        }
        request.body = buffer.mid(headerEnd + 4, contentLength);
        buffer.remove(0, headerEnd + 4 + contentLength);
        m_requests.push_back(request);
        if (!m_answering) {
            continue;
        }
        auto& queue = m_pathReplies[request.path].empty() ? m_replies : m_pathReplies[request.path];
        auto [status, body] = queue.empty() ? QPair<int, QByteArray>(200, "{}") : queue.front();
        if (!queue.empty()) {
            queue.pop_front();
        }
        socket->write("HTTP/1.1 " + QByteArray::number(status) +
                      " Reply\r\nContent-Type: application/json\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
    }
    socket->setProperty("buffer", buffer);
}

} // namespace nimbral::test
