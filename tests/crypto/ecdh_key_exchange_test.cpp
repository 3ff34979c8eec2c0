#include "crypto/ecdh_key_exchange.h"

#include <stdexcept>

#include <openssl/x509.h>

#include <gtest/gtest.h>

#include "crypto_test_util.h"
#include "log_capture.h"

namespace nimbral {

class EcdhKeyExchangeTestAccess {
public:
    static bool deriveKeyMaterial(EcdhKeyExchange& exchange,
                                  const std::vector<std::uint8_t>& secret) {
        return exchange.deriveKeyMaterial(secret);
    }
};

namespace {

using spdlog::level::debug;
using spdlog::level::err;
using spdlog::level::warn;
using test::Bytes;

const Bytes kZeroSalt(32, 0);
const Bytes kInfo = [] {
    const std::string info = "nimbral-session-key-v1";
    return Bytes(info.begin(), info.end());
}();

// The reference HKDF is only worth comparing against once it reproduces RFC 5869 itself.
TEST(ReferenceHkdf, MatchesRfc5869TestCase1) {
    const Bytes okm =
        test::referenceHkdfSha256(Bytes(22, 0x0b), test::fromHex("000102030405060708090a0b0c"),
                                  test::fromHex("f0f1f2f3f4f5f6f7f8f9"), 42);
    EXPECT_EQ(test::toHex(okm), "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf"
                                "34007208d5b887185865");
}

TEST(EcdhKeyExchange, PublicKeyIsOneLineBase64OfP256SubjectPublicKeyInfo) {
    test::LogCapture log;
    EcdhKeyExchange exchange;
    EXPECT_TRUE(log.has(debug, "EcdhKeyExchange: P-256 key pair generated"));

    const std::string text = exchange.publicKeyBase64();
    ASSERT_EQ(text.size(), 124u);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find('\r'), std::string::npos);

    const auto parsed = test::parsePublicKeyBase64(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(EVP_PKEY_get_bits(parsed.get()), 256);
    // SubjectPublicKeyInfo header of an uncompressed id-ecPublicKey / prime256v1 point.
    EXPECT_EQ(text.substr(0, 36), "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE");
    EXPECT_EQ(i2d_PUBKEY(parsed.get(), nullptr), 91);
    EXPECT_EQ(test::publicKeyBase64(parsed.get()), text);
}

TEST(EcdhKeyExchange, TwoPeersDeriveTheSameKeyAndIv) {
    EcdhKeyExchange master;
    EcdhKeyExchange target;
    ASSERT_TRUE(target.deriveSharedKey(master.publicKeyBase64()));
    ASSERT_TRUE(master.deriveSharedKey(target.publicKeyBase64()));

    EXPECT_EQ(master.aesKey().size(), 32u);
    EXPECT_EQ(master.baseIv().size(), 12u);
    EXPECT_EQ(master.aesKey(), target.aesKey());
    EXPECT_EQ(master.baseIv(), target.baseIv());
    EXPECT_NE(master.publicKeyBase64(), target.publicKeyBase64());
}

TEST(EcdhKeyExchange, MaterialIsHkdfOfTheEcdhSecretWithFixedSaltAndInfo) {
    test::LogCapture log;
    EcdhKeyExchange exchange;
    const auto peer = test::generateKey("P-256");
    ASSERT_TRUE(exchange.deriveSharedKey(test::publicKeyBase64(peer.get())));

    const auto ownPublic = test::parsePublicKeyBase64(exchange.publicKeyBase64());
    const Bytes secret = test::rawEcdh(peer.get(), ownPublic.get());
    ASSERT_EQ(secret.size(), 32u);
    const Bytes okm = test::referenceHkdfSha256(secret, kZeroSalt, kInfo, 44);

    EXPECT_EQ(exchange.aesKey(), Bytes(okm.begin(), okm.begin() + 32));
    EXPECT_EQ(exchange.baseIv(), Bytes(okm.begin() + 32, okm.end()));
    EXPECT_TRUE(log.has(debug, "EcdhKeyExchange: ECDH shared secret derived (32 bytes)"));
    EXPECT_TRUE(
        log.has(debug, "EcdhKeyExchange: AES-256-GCM key and base IV derived via HKDF-SHA256"));
}

TEST(EcdhKeyExchange, ABoundKeyIsHkdfOfTheSecretAndThePakeKeyUnderTheTranscriptHash) {
    EcdhKeyExchange exchange;
    const auto peer = test::generateKey("P-256");
    const Bytes pakeKey(16, 0x5c);
    const Bytes transcriptHash(32, 0x33);
    ASSERT_TRUE(
        exchange.deriveBoundKey(test::publicKeyBase64(peer.get()), pakeKey, transcriptHash));
    const auto ownPublic = test::parsePublicKeyBase64(exchange.publicKeyBase64());
    Bytes inputKey = test::rawEcdh(peer.get(), ownPublic.get());
    inputKey.insert(inputKey.end(), pakeKey.begin(), pakeKey.end());
    const std::string info = "nimbral-session-key-v2";
    const Bytes okm =
        test::referenceHkdfSha256(inputKey, transcriptHash, Bytes(info.begin(), info.end()), 44);
    EXPECT_EQ(exchange.aesKey(), Bytes(okm.begin(), okm.begin() + 32));
    EXPECT_EQ(exchange.baseIv(), Bytes(okm.begin() + 32, okm.end()));

    test::LogCapture log;
    EcdhKeyExchange fresh;
    EXPECT_FALSE(fresh.deriveBoundKey("not a key", pakeKey, transcriptHash));
    EXPECT_TRUE(fresh.aesKey().empty());
}

TEST(EcdhKeyExchange, KnownSecretGivesRfc5869Output) {
    EcdhKeyExchange exchange;
    Bytes secret(32);
    for (std::size_t i = 0; i < secret.size(); ++i) {
        secret[i] = static_cast<std::uint8_t>(0xa0 + i);
    }
    ASSERT_TRUE(EcdhKeyExchangeTestAccess::deriveKeyMaterial(exchange, secret));
    const Bytes okm = test::referenceHkdfSha256(secret, kZeroSalt, kInfo, 44);
    EXPECT_EQ(test::toHex(exchange.aesKey()), test::toHex(Bytes(okm.begin(), okm.begin() + 32)));
    EXPECT_EQ(test::toHex(exchange.baseIv()), test::toHex(Bytes(okm.begin() + 32, okm.end())));
}

TEST(EcdhKeyExchange, LaterDerivationReplacesMaterial) {
    EcdhKeyExchange exchange;
    EcdhKeyExchange first;
    EcdhKeyExchange second;
    ASSERT_TRUE(exchange.deriveSharedKey(first.publicKeyBase64()));
    const Bytes firstKey = exchange.aesKey();
    ASSERT_TRUE(exchange.deriveSharedKey(second.publicKeyBase64()));
    ASSERT_TRUE(second.deriveSharedKey(exchange.publicKeyBase64()));
    EXPECT_NE(exchange.aesKey(), firstKey);
    EXPECT_EQ(exchange.aesKey(), second.aesKey());
}

TEST(EcdhKeyExchange, MaterialIsEmptyWithWarningsBeforeDerivation) {
    test::LogCapture log;
    EcdhKeyExchange exchange;
    EXPECT_TRUE(exchange.aesKey().empty());
    EXPECT_TRUE(exchange.baseIv().empty());
    EXPECT_TRUE(log.has(warn, "EcdhKeyExchange::aesKey: key not yet derived"));
    EXPECT_TRUE(log.has(warn, "EcdhKeyExchange::baseIv: IV not yet derived"));
}

TEST(EcdhKeyExchange, RejectsBadPeerKeysWithTheirLogLineAndKeepsNoMaterial) {
    struct BadPeerKey {
        const char* name;
        std::string text;
        std::string expectedPrefix;
    };
    const BadPeerKey cases[] = {
        {"empty", "", "EcdhKeyExchange::deriveSharedKey: base64 decode of peer key failed"},
        {"not base64", "!!!! ???? ****",
         "EcdhKeyExchange::deriveSharedKey: base64 decode of peer key failed"},
        {"not a SubjectPublicKeyInfo", "aGVsbG8gd29ybGQsIHRoaXMgaXMgbm90IGEga2V5",
         "EcdhKeyExchange::deriveSharedKey: d2i_PUBKEY failed: "},
        {"truncated key", "MFkwEwYHKoZIzj0CAQYIKoZIzj0DAQcDQgAE",
         "EcdhKeyExchange::deriveSharedKey: d2i_PUBKEY failed: "},
        {"other curve", test::publicKeyBase64(test::generateKey("P-384").get()),
         "EcdhKeyExchange::deriveSharedKey: derive_set_peer failed: "},
    };
    for (const BadPeerKey& bad : cases) {
        SCOPED_TRACE(bad.name);
        test::LogCapture log;
        EcdhKeyExchange exchange;
        EXPECT_FALSE(exchange.deriveSharedKey(bad.text));
        EXPECT_TRUE(log.hasPrefix(err, bad.expectedPrefix)) << "expected: " << bad.expectedPrefix;
        EXPECT_TRUE(exchange.aesKey().empty());
        EXPECT_TRUE(log.has(warn, "EcdhKeyExchange::aesKey: key not yet derived"));
    }
}

TEST(EcdhKeyExchange, PeerKeyOfAnotherTypeFailsAtSetPeer) {
    test::LogCapture log;
    EcdhKeyExchange exchange;
    const ossl::PKey x25519(EVP_PKEY_Q_keygen(nullptr, nullptr, "X25519"));
    ASSERT_TRUE(x25519);
    EXPECT_FALSE(exchange.deriveSharedKey(test::publicKeyBase64(x25519.get())));
    EXPECT_TRUE(log.hasPrefix(err, "EcdhKeyExchange::deriveSharedKey: derive_set_peer failed: "));
}

TEST(OpensslErrorString, JoinsQueuedErrorsOrSaysUnknown) {
    EXPECT_EQ(opensslErrorString(), "unknown error");
    const unsigned char garbage[] = {0x30, 0x03, 0x02, 0x01};
    const unsigned char* cursor = garbage;
    EXPECT_EQ(d2i_PUBKEY(nullptr, &cursor, sizeof(garbage)), nullptr);
    const std::string text = opensslErrorString();
    EXPECT_NE(text, "unknown error");
    EXPECT_NE(text.find("error:"), std::string::npos);
    EXPECT_EQ(opensslErrorString(), "unknown error"); // the queue was drained
}

} // namespace
} // namespace nimbral
