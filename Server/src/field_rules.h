#pragma once

#include <string>

namespace nimbral::server {

// What a field from a device may hold. Every text a device sends is checked against its kind
// before anything is stored or forwarded, so a stranger cannot make the server keep megabytes
// for a name or a key.
enum class FieldKind {
    ClientId,     // nine digits, the first not 0
    DeviceSecret, // 64 lowercase hexadecimal digits
    Fingerprint,  // 64 lowercase hexadecimal digits
    DeviceName,   // at most 64 characters
    Version,      // at most 32 characters
    PublicKey,    // a P-256 public key: base64 of its DER SubjectPublicKeyInfo (124 characters)
    Password,     // a session password or a pairing code: at most 256 characters
    IpAddress,    // at most 45 characters (the longest IPv6 text)
    Label,        // a short word such as a NAT type, purpose or method: at most 32 characters
    NodeId,       // a relay node's name: at most 64 characters
    Reason,       // a close reason: at most 256 characters
    Base64,       // base64 of at most 128 characters: a password-exchange share or confirmation,
                  // a device key or a signature, which the server only passes on
};

// Empty when `value` fits its kind (an empty value always does: a missing field reads as
// empty); otherwise the detail for the refusal, naming the field.
std::string checkField(const char* name, const std::string& value, FieldKind kind);

// Whether `text` is a P-256 public key in the wire's text form.
bool isP256PublicKey(const std::string& text);

} // namespace nimbral::server
