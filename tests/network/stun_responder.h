#pragma once

#include <functional>

#include <QByteArray>
#include <QUdpSocket>

namespace nimbral::test {

// A STUN server on 127.0.0.1 whose answers the test writes: `answer` gets each request and the
// sender's port and returns the datagram to send back (empty: stay silent).
class StunResponder : public QObject {
public:
    using Answer = std::function<QByteArray(const QByteArray& request, quint16 senderPort)>;

    explicit StunResponder(Answer answer);
    quint16 port() const { return m_socket.localPort(); }
    int requestsSeen() const { return m_requests; }

    // Binding Success Responses with one address attribute.
    static QByteArray xorMappedResponse(const QByteArray& request, const QString& ipv4,
                                        quint16 port);
    static QByteArray mappedResponse(const QByteArray& request, const QString& ipv4, quint16 port);
    static QByteArray withAttribute(quint16 messageType, const QByteArray& request,
                                    quint16 attributeType, const QByteArray& value);

private:
    QUdpSocket m_socket;
    Answer m_answer;
    int m_requests = 0;
};

} // namespace nimbral::test
