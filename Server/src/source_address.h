#pragma once

#include <algorithm>

#include <QHostAddress>
#include <QString>

namespace nimbral::server {

// The source a limit counts a peer under: an IPv4 address (also when it arrives mapped on a
// dual-stack socket as ::ffff:a.b.c.d), or an IPv6 /64, since one IPv6 host usually holds a
// whole /64 and could otherwise count as billions of sources.
inline QString sourceOf(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    if (isV4) {
        return QHostAddress(v4).toString();
    }
    Q_IPV6ADDR bytes = address.toIPv6Address();
    std::fill(std::begin(bytes.c) + 8, std::end(bytes.c), 0);
    return QHostAddress(bytes).toString() + QStringLiteral("/64");
}

} // namespace nimbral::server
