#include "field_rules.h"

#include <algorithm>
#include <memory>

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace nimbral::server {

namespace {

constexpr size_t kPublicKeyTextLength = 124; // base64 of the 91-byte DER of an uncompressed point

// Characters, not bytes: every UTF-8 byte that does not continue a sequence starts one.
size_t characterCount(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool isLowerHex(const std::string& text, size_t length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

bool isClientId(const std::string& text) {
    return text.size() == 9 && text[0] >= '1' && text[0] <= '9' &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string tooLong(const char* name, size_t limit) {
    return "Field '" + std::string(name) + "' is longer than " + std::to_string(limit) +
           " characters";
}

std::string notA(const char* name, const char* what) {
    return "Field '" + std::string(name) + "' is not " + what;
}

std::string checkLength(const char* name, const std::string& value, size_t limit) {
    // Bytes bound the work before characters are counted.
    if (value.size() > 4 * limit || characterCount(value) > limit) {
        return tooLong(name, limit);
    }
    return {};
}

// The standard alphabet with '=' padding, in whole groups of four.
bool isBase64(const std::string& text, size_t maxLength) {
    if (text.size() > maxLength || text.size() % 4 != 0) {
        return false;
    }
    const size_t padding = text.size() - text.find_last_not_of('=') - 1;
    const auto inAlphabet = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '+' || c == '/';
    };
    return padding <= 2 &&
           std::all_of(text.begin(), text.end() - static_cast<std::ptrdiff_t>(padding), inAlphabet);
}

} // namespace

bool isP256PublicKey(const std::string& text) {
    if (text.size() != kPublicKeyTextLength) {
        return false;
    }
    unsigned char der[kPublicKeyTextLength];
    const int decoded = EVP_DecodeBlock(der, reinterpret_cast<const unsigned char*>(text.data()),
                                        static_cast<int>(text.size()));
    if (decoded < 91) {
        return false;
    }
    // Padding decodes to zero bytes at the end: 124 characters with one '=' carry 91 bytes.
    const unsigned char* cursor = der;
    const std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(d2i_PUBKEY(nullptr, &cursor, 91),
                                                                  &EVP_PKEY_free);
    if (!key || cursor != der + 91 || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_EC) {
        return false;
    }
    char group[64] = {};
    size_t groupLength = 0;
    if (EVP_PKEY_get_group_name(key.get(), group, sizeof group, &groupLength) != 1 ||
        std::string(group, groupLength) != "prime256v1") {
        return false;
    }
    // The one text form of those bytes: base64 has looser spellings the peer may not accept.
    unsigned char canonical[kPublicKeyTextLength + 1];
    EVP_EncodeBlock(canonical, der, 91);
    return text == reinterpret_cast<const char*>(canonical);
}

std::string checkField(const char* name, const std::string& value, FieldKind kind) {
    if (value.empty()) {
        return {};
    }
    switch (kind) {
    case FieldKind::ClientId:
        return isClientId(value) ? std::string() : notA(name, "a nine-digit client ID");
    case FieldKind::DeviceSecret:
        return isLowerHex(value, 64) ? std::string() : notA(name, "a device secret");
    case FieldKind::Fingerprint:
        return isLowerHex(value, 64) ? std::string()
                                     : notA(name, "a fingerprint (64 lowercase hex digits)");
    case FieldKind::DeviceName:
        return checkLength(name, value, 64);
    case FieldKind::Version:
    case FieldKind::Label:
        return checkLength(name, value, 32);
    case FieldKind::PublicKey:
        return isP256PublicKey(value) ? std::string() : notA(name, "a P-256 public key");
    case FieldKind::Password:
        return checkLength(name, value, 256);
    case FieldKind::IpAddress:
        return checkLength(name, value, 45);
    case FieldKind::NodeId:
        return checkLength(name, value, 64);
    case FieldKind::Reason:
        return checkLength(name, value, 256);
    case FieldKind::Base64:
        return isBase64(value, 128) ? std::string()
                                    : notA(name, "base64 of at most 128 characters");
    }
    return notA(name, "valid");
}

} // namespace nimbral::server
