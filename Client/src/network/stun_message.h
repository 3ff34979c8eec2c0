#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace nimbral::stun {

inline constexpr quint32 kMagicCookie = 0x2112A442;
inline constexpr int kHeaderSize = 20;

// A 20-byte Binding Request with a fresh random transaction ID.
QByteArray bindingRequest();

// The 12-byte transaction ID of a message (bytes 8 to 19); empty when it is shorter than a
// header. An answer counts only when it carries the ID of the request it answers.
QByteArray transactionId(const QByteArray& message);

struct MappedAddress {
    QString address; // dotted IPv4
    quint16 port = 0;
};

// The reflexive address of a Binding Success Response, from its first usable XOR-MAPPED-ADDRESS
// or MAPPED-ADDRESS (IPv4) attribute. Empty for anything else, malformed input included.
std::optional<MappedAddress> parseBindingResponse(const QByteArray& datagram);

} // namespace nimbral::stun
