#include "ui/wake_on_lan.h"

#include <QRegularExpression>
#include <QUdpSocket>

namespace nimbral {

std::optional<QByteArray> wakeOnLanPacket(const QString& macAddress) {
    QString hex = macAddress;
    hex.remove(QLatin1Char(':')).remove(QLatin1Char('-')).remove(QLatin1Char(' '));
    static const QRegularExpression twelveHexDigits(QStringLiteral("^[0-9A-Fa-f]{12}$"));
    if (!twelveHexDigits.match(hex).hasMatch()) {
        return std::nullopt;
    }
    const QByteArray mac = QByteArray::fromHex(hex.toLatin1());
    QByteArray packet(6, char(0xFF));
    packet.reserve(102);
    for (int copy = 0; copy < 16; ++copy) {
        packet.append(mac);
    }
    return packet;
}

bool sendWakeOnLanPacket(const QByteArray& packet, const QHostAddress& target, quint16 port) {
    QUdpSocket socket;
    return socket.writeDatagram(packet, target, port) == packet.size();
}

} // namespace nimbral
