#include "crypto/aes_gcm_cipher.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "crypto_test_util.h"
#include "log_capture.h"

namespace nimbral {
namespace {

using spdlog::level::err;
using test::Bytes;

Bytes patternBytes(std::size_t size, std::uint8_t first) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i * 7);
    }
    return bytes;
}

const Bytes kKey = patternBytes(32, 0x11);
const Bytes kBaseIv = test::fromHex("a0a1a2a3a4a5a6a7a8a9aaab");

std::uint64_t counterOf(const Bytes& sealed) {
    std::uint64_t counter = 0;
    for (int i = 7; i >= 0; --i) {
        counter = (counter << 8) | sealed[static_cast<std::size_t>(i)];
    }
    return counter;
}

TEST(AesGcmCipher, SealedLayoutMatchesGcmUnderTheCounterNonce) {
    AesGcmCipher cipher(kKey, kBaseIv);
    const Bytes plaintext = patternBytes(37, 3);
    for (std::uint64_t expectedCounter = 0; expectedCounter < 3; ++expectedCounter) {
        const Bytes sealed = cipher.encrypt(plaintext);
        ASSERT_EQ(sealed.size(), plaintext.size() + 24);
        EXPECT_EQ(counterOf(sealed), expectedCounter);

        // Nonce formed by hand: base IV with its first eight bytes XORed by the LE counter.
        Bytes nonce = kBaseIv;
        nonce[0] ^= static_cast<std::uint8_t>(expectedCounter);
        const auto [ciphertext, tag] = test::referenceGcmSeal(kKey, nonce, plaintext);
        EXPECT_EQ(Bytes(sealed.begin() + 8, sealed.begin() + 24), tag);
        EXPECT_EQ(Bytes(sealed.begin() + 24, sealed.end()), ciphertext);
    }
}

TEST(AesGcmCipher, NonceXorsTheLittleEndianCounterIntoTheFirstEightBytes) {
    std::array<std::uint8_t, 12> base{};
    std::copy(kBaseIv.begin(), kBaseIv.end(), base.begin());
    const auto nonce = AesGcmCipher::nonceFor(base, 0x0102030405060708ull);
    EXPECT_EQ(test::toHex(Bytes(nonce.begin(), nonce.end())), "a8a6a4a6a0a6a4a6a8a9aaab");
    const auto target = AesGcmCipher::nonceFor(base, AesGcmCipher::kTargetInitialCounter);
    EXPECT_EQ(test::toHex(Bytes(target.begin(), target.end())), "a0a1a2a3a4a5a627a8a9aaab");
}

TEST(AesGcmCipher, TargetCipherStartsItsCounterAtTwoToTheSixtyThird) {
    AesGcmCipher target(kKey, kBaseIv, AesGcmCipher::kTargetInitialCounter);
    const Bytes sealed = target.encrypt(Bytes{9});
    EXPECT_EQ(test::toHex(Bytes(sealed.begin(), sealed.begin() + 8)), "0000000000000080");

    AesGcmCipher master(kKey, kBaseIv);
    EXPECT_EQ(master.decrypt(sealed), Bytes{9});
    const Bytes reply = master.encrypt(Bytes{7, 7});
    EXPECT_EQ(target.decrypt(reply), (Bytes{7, 7}));
}

// Both peers share key and base IV, so equal counters would mean a reused GCM nonce.
TEST(AesGcmCipher, MasterAndTargetNeverSealUnderTheSameNonce) {
    AesGcmCipher master(kKey, kBaseIv, AesGcmCipher::kMasterInitialCounter);
    AesGcmCipher target(kKey, kBaseIv, AesGcmCipher::kTargetInitialCounter);
    std::array<std::uint8_t, 12> base{};
    std::copy(kBaseIv.begin(), kBaseIv.end(), base.begin());

    constexpr int kMessages = 50000;
    std::set<std::array<std::uint8_t, 12>> masterNonces;
    std::set<std::array<std::uint8_t, 12>> targetNonces;
    const Bytes payload{0x42};
    for (int i = 0; i < kMessages; ++i) {
        masterNonces.insert(AesGcmCipher::nonceFor(base, counterOf(master.encrypt(payload))));
        targetNonces.insert(AesGcmCipher::nonceFor(base, counterOf(target.encrypt(payload))));
    }
    ASSERT_EQ(masterNonces.size(), static_cast<std::size_t>(kMessages));
    ASSERT_EQ(targetNonces.size(), static_cast<std::size_t>(kMessages));
    std::vector<std::array<std::uint8_t, 12>> shared;
    std::set_intersection(masterNonces.begin(), masterNonces.end(), targetNonces.begin(),
                          targetNonces.end(), std::back_inserter(shared));
    EXPECT_TRUE(shared.empty()) << shared.size() << " nonces used by both directions";
}

TEST(AesGcmCipher, RoundTripsEveryMessageSizeAtThePeer) {
    AesGcmCipher sender(kKey, kBaseIv);
    AesGcmCipher receiver(kKey, kBaseIv);
    receiver.encrypt(Bytes(5, 0)); // the receiver's own counter plays no part in opening
    for (const std::size_t size : {std::size_t{1}, std::size_t{15}, std::size_t{16},
                                   std::size_t{17}, std::size_t{1500}, std::size_t{1} << 20}) {
        const Bytes plaintext = patternBytes(size, static_cast<std::uint8_t>(size));
        const Bytes sealed = sender.encrypt(plaintext.data(), plaintext.size());
        ASSERT_EQ(sealed.size(), size + 24);
        EXPECT_NE(Bytes(sealed.begin() + 24, sealed.end()), plaintext);
        EXPECT_EQ(receiver.decrypt(sealed.data(), sealed.size()), plaintext) << size;
    }
}

TEST(AesGcmCipher, EmptyPlaintextSealsToTheHeaderAlone) {
    AesGcmCipher cipher(kKey, kBaseIv);
    test::LogCapture log;
    const Bytes sealed = cipher.encrypt(nullptr, 0);
    ASSERT_EQ(sealed.size(), 24u);
    EXPECT_TRUE(cipher.decrypt(sealed).empty());
    EXPECT_TRUE(log.lines().empty()); // opened, not rejected
    Bytes tampered = sealed;
    tampered[10] ^= 1;
    EXPECT_TRUE(cipher.decrypt(tampered).empty());
    EXPECT_TRUE(
        log.hasPrefix(err, "AesGcmCipher::decrypt: authentication tag verification failed"));
}

TEST(AesGcmCipher, OpeningTheSameMessageTwiceSucceedsTwice) {
    AesGcmCipher cipher(kKey, kBaseIv);
    const Bytes sealed = cipher.encrypt(Bytes{1, 2, 3, 4});
    EXPECT_EQ(cipher.decrypt(sealed), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(cipher.decrypt(sealed), (Bytes{1, 2, 3, 4}));
}

TEST(AesGcmCipher, ShortMessagesAreRejectedWithTheirLength) {
    AesGcmCipher cipher(kKey, kBaseIv);
    test::LogCapture log;
    const Bytes sealed = cipher.encrypt(Bytes{});
    EXPECT_TRUE(cipher.decrypt(sealed.data(), 23).empty());
    EXPECT_TRUE(log.has(err, "AesGcmCipher::decrypt: message too short (23 bytes, minimum 24)"));
    EXPECT_TRUE(cipher.decrypt(nullptr, 0).empty());
    EXPECT_TRUE(log.has(err, "AesGcmCipher::decrypt: message too short (0 bytes, minimum 24)"));
}

TEST(AesGcmCipher, EveryFlippedBitOfCounterTagOrCiphertextFailsAuthentication) {
    AesGcmCipher cipher(kKey, kBaseIv);
    const Bytes plaintext = patternBytes(20, 5);
    const Bytes sealed = cipher.encrypt(plaintext);
    ASSERT_EQ(cipher.decrypt(sealed), plaintext);

    test::LogCapture log;
    for (std::size_t byte = 0; byte < sealed.size(); ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes tampered = sealed;
            tampered[byte] ^= static_cast<std::uint8_t>(1u << bit);
            log.clear();
            EXPECT_TRUE(cipher.decrypt(tampered).empty()) << "byte " << byte << " bit " << bit;
            const std::string expected =
                "AesGcmCipher::decrypt: authentication tag verification failed (counter=" +
                std::to_string(counterOf(tampered)) + "): ";
            EXPECT_TRUE(log.hasPrefix(err, expected)) << expected;
        }
    }
}

TEST(AesGcmCipher, TruncatedOrExtendedMessagesFail) {
    AesGcmCipher cipher(kKey, kBaseIv);
    Bytes sealed = cipher.encrypt(patternBytes(40, 1));
    EXPECT_TRUE(cipher.decrypt(sealed.data(), sealed.size() - 1).empty());
    sealed.push_back(0);
    EXPECT_TRUE(cipher.decrypt(sealed).empty());
}

TEST(AesGcmCipher, AnotherKeyOrIvCannotOpen) {
    AesGcmCipher cipher(kKey, kBaseIv);
    const Bytes sealed = cipher.encrypt(patternBytes(40, 1));
    Bytes otherKey = kKey;
    otherKey[31] ^= 0x80;
    Bytes otherIv = kBaseIv;
    otherIv[11] ^= 0x01; // a byte the counter never touches
    EXPECT_TRUE(AesGcmCipher(otherKey, kBaseIv).decrypt(sealed).empty());
    EXPECT_TRUE(AesGcmCipher(kKey, otherIv).decrypt(sealed).empty());
}

TEST(AesGcmCipher, ConstructorRejectsWrongLengthsKeyFirst) {
    const auto messageOf = [](const Bytes& key, const Bytes& iv) -> std::string {
        try {
            AesGcmCipher cipher(key, iv);
        } catch (const std::invalid_argument& error) {
            return error.what();
        }
        return "no exception";
    };
    EXPECT_EQ(messageOf(Bytes(31), Bytes(12)),
              "AesGcmCipher: key must be exactly 32 bytes, got 31");
    EXPECT_EQ(messageOf(Bytes(32), Bytes(16)),
              "AesGcmCipher: base IV must be exactly 12 bytes, got 16");
    EXPECT_EQ(messageOf(Bytes(), Bytes()), "AesGcmCipher: key must be exactly 32 bytes, got 0");
    EXPECT_EQ(messageOf(Bytes(32), Bytes(12)), "no exception");
}

TEST(AesGcmCipher, ConcurrentSealingNeverRepeatsACounter) {
    AesGcmCipher cipher(kKey, kBaseIv);
    constexpr int kPerThread = 20000;
    std::vector<std::uint64_t> counters[2];
    const auto seal = [&](std::vector<std::uint64_t>& out) {
        const Bytes payload = patternBytes(64, 1);
        out.reserve(kPerThread);
        for (int i = 0; i < kPerThread; ++i) {
            out.push_back(counterOf(cipher.encrypt(payload)));
        }
    };
    std::thread first(seal, std::ref(counters[0]));
    std::thread second(seal, std::ref(counters[1]));
    first.join();
    second.join();

    std::vector<std::uint64_t> all = counters[0];
    all.insert(all.end(), counters[1].begin(), counters[1].end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), 2u * kPerThread);
    for (std::size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(all[i], i) << "counter skipped or repeated";
    }
}

} // namespace
} // namespace nimbral
