#pragma once

#include <optional>

#include <QByteArray>
#include <QHostAddress>
#include <QString>

namespace nimbral {

// The "magic packet" that wakes a sleeping machine: six 0xFF bytes and the MAC sixteen times.
// The MAC may be written with colons, hyphens or blanks between its groups; nothing when it
// does not hold exactly twelve hex digits.
std::optional<QByteArray> wakeOnLanPacket(const QString& macAddress);

// One datagram from a fresh socket; the window sends to 255.255.255.255 port 9, tests to
// loopback. Whether all 102 bytes went out.
bool sendWakeOnLanPacket(const QByteArray& packet,
                         const QHostAddress& target = QHostAddress::Broadcast, quint16 port = 9);

} // namespace nimbral
