#include "stun_responder.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QtEndian>

namespace nimbral::test {

StunResponder::StunResponder(Answer answer)
    : m_answer(std::move(answer)) {
    m_socket.bind(QHostAddress::LocalHost, 0);
    QObject::connect(&m_socket, &QUdpSocket::readyRead, &m_socket, [this] {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram datagram = m_socket.receiveDatagram();
            ++m_requests;
            const QByteArray reply =
                m_answer(datagram.data(), static_cast<quint16>(datagram.senderPort()));
            if (!reply.isEmpty()) {
                m_socket.writeDatagram(reply, datagram.senderAddress(),
                                       static_cast<quint16>(datagram.senderPort()));
            }
        }
    });
}

QByteArray StunResponder::withAttribute(quint16 messageType, const QByteArray& request,
                                        quint16 attributeType, const QByteArray& value) {
    QByteArray message(20, '\0');
    qToBigEndian<quint16>(messageType, message.data());
    qToBigEndian<quint16>(static_cast<quint16>(4 + value.size()), message.data() + 2);
    message.replace(4, 16, request.mid(4, 16));
    QByteArray attribute(4, '\0');
    qToBigEndian<quint16>(attributeType, attribute.data());
    qToBigEndian<quint16>(static_cast<quint16>(value.size()), attribute.data() + 2);
    return message + attribute + value;
}

QByteArray StunResponder::xorMappedResponse(const QByteArray& request, const QString& ipv4,
                                            quint16 port) {
    QByteArray value(8, '\0');
    value[1] = 0x01;
    qToBigEndian<quint16>(port ^ 0x2112, value.data() + 2);
    qToBigEndian<quint32>(QHostAddress(ipv4).toIPv4Address() ^ 0x2112A442u, value.data() + 4);
    return withAttribute(0x0101, request, 0x0020, value);
}

QByteArray StunResponder::mappedResponse(const QByteArray& request, const QString& ipv4,
                                         quint16 port) {
    QByteArray value(8, '\0');
    value[1] = 0x01;
    qToBigEndian<quint16>(port, value.data() + 2);
    qToBigEndian<quint32>(QHostAddress(ipv4).toIPv4Address(), value.data() + 4);
    return withAttribute(0x0101, request, 0x0001, value);
}

} // namespace nimbral::test
