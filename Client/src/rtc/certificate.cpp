#include "rtc/certificate.h"

#include <cstdio>

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace rtc::detail {

std::string fingerprintOf(X509* certificate, const std::string& algorithm) {
    const EVP_MD* digest = algorithm == "sha-256"   ? EVP_sha256()
                           : algorithm == "sha-1"   ? EVP_sha1()
                           : algorithm == "sha-384" ? EVP_sha384()
                           : algorithm == "sha-512" ? EVP_sha512()
                                                    : nullptr;
    if (digest == nullptr || certificate == nullptr) {
        return {};
    }
    unsigned char bytes[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (X509_digest(certificate, digest, bytes, &length) != 1) {
        return {};
    }
    std::string text;
    char hex[4];
    for (unsigned i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, i ? ":%02X" : "%02X", bytes[i]);
        text += hex;
    }
    return text;
}

const Certificate& processCertificate() {
    // Made once and kept for the process: every connection presents the same identity, and its
    // fingerprint is what the peer checks against our SDP.
    static const Certificate made = [] {
        Certificate c;
        c.key = EVP_EC_gen("P-256");
        c.certificate = X509_new();
        X509_set_version(c.certificate, 2);
        BIGNUM* serial = BN_new();
        BN_rand(serial, 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY);
        BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(c.certificate));
        BN_free(serial);
        X509_gmtime_adj(X509_getm_notBefore(c.certificate), -3600);
        X509_gmtime_adj(X509_getm_notAfter(c.certificate), 30L * 24 * 3600);
        X509_set_pubkey(c.certificate, c.key);
        X509_NAME* name = X509_get_subject_name(c.certificate);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>("nimbral"), -1, -1, 0);
        X509_set_issuer_name(c.certificate, name);
        X509_sign(c.certificate, c.key, EVP_sha256());
        c.fingerprint = fingerprintOf(c.certificate, "sha-256");
        return c;
    }();
    return made;
}

} // namespace rtc::detail
