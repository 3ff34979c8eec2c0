#include "network/stun_message.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QtEndian>

namespace nimbral::stun {

namespace {

constexpr quint16 kBindingRequest = 0x0001;
constexpr quint16 kBindingSuccess = 0x0101;
constexpr quint16 kMappedAddress = 0x0001;
constexpr quint16 kXorMappedAddress = 0x0020;
constexpr quint8 kFamilyIpv4 = 0x01;

quint16 read16(const char* p) {
    return qFromBigEndian<quint16>(p);
}

quint32 read32(const char* p) {
    return qFromBigEndian<quint32>(p);
}

} // namespace

QByteArray bindingRequest() {
    QByteArray request(kHeaderSize, '\0');
    qToBigEndian<quint16>(kBindingRequest, request.data());
    qToBigEndian<quint16>(0, request.data() + 2);
    qToBigEndian<quint32>(kMagicCookie, request.data() + 4);
    for (int i = 8; i < kHeaderSize; ++i) {
        request[i] = static_cast<char>(QRandomGenerator::global()->generate() >> 24);
    }
    return request;
}

QByteArray transactionId(const QByteArray& message) {
    return message.size() < kHeaderSize ? QByteArray() : message.mid(8, 12);
}

std::optional<MappedAddress> parseBindingResponse(const QByteArray& datagram) {
    const qsizetype size = datagram.size();
    if (size < kHeaderSize) {
        return std::nullopt;
    }
    const char* data = datagram.constData();
    const quint16 messageLength = read16(data + 2);
    if (read16(data) != kBindingSuccess || messageLength < 4) {
        return std::nullopt;
    }
    const qsizetype end = kHeaderSize + messageLength;
    qsizetype offset = kHeaderSize;
    while (offset + 4 <= size && offset + 4 <= end) {
        const quint16 type = read16(data + offset);
        const quint16 length = read16(data + offset + 2);
        const char* value = data + offset + 4;
        const bool complete = offset + 4 + length <= size;
        if (complete && length >= 8 && static_cast<quint8>(value[1]) == kFamilyIpv4 &&
            (type == kXorMappedAddress || type == kMappedAddress)) {
            MappedAddress mapped;
            quint32 address = read32(value + 4);
            mapped.port = read16(value + 2);
            if (type == kXorMappedAddress) {
                mapped.port ^= static_cast<quint16>(kMagicCookie >> 16);
                address ^= kMagicCookie;
            }
            mapped.address = QHostAddress(address).toString();
            return mapped;
        }
        offset += 4 + ((length + 3) & ~3);
    }
    return std::nullopt;
}

} // namespace nimbral::stun
