#pragma once

#include <string>

#include <openssl/types.h>

namespace rtc::detail {

// The process's DTLS identity: a self-signed P-256 certificate made once, and its SHA-256
// fingerprint as the SDP carries it ("AB:CD:...").
struct Certificate {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    std::string fingerprint;
};

const Certificate& processCertificate();

// "AB:CD:..." of a certificate under the named digest ("sha-256", "sha-1", "sha-384",
// "sha-512"); empty for an unknown digest.
std::string fingerprintOf(X509* certificate, const std::string& algorithm);

} // namespace rtc::detail
