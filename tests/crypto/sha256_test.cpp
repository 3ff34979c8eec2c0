#include "crypto/sha256.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace nimbral {
namespace {

std::string hex(const Sha256::Digest& digest) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t byte : digest) {
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out;
}

// FIPS 180-2 test vectors, fed whole and in uneven pieces; the running state survives a peek.
TEST(Sha256, KnownVectorsWholeInPiecesAndAcrossAPeek) {
    Sha256 hash;
    EXPECT_EQ(hex(hash.result()),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    hash.add("abc", 3);
    EXPECT_EQ(hex(hash.result()),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(hex(hash.result()), hex(hash.result())) << "result() leaves the state alone";

    const std::string message = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    hash.reset();
    for (std::size_t at = 0; at < message.size(); at += 7) {
        hash.add(message.data() + at, std::min<std::size_t>(7, message.size() - at));
    }
    EXPECT_EQ(hex(hash.result()),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");

    // A million 'a's, with a peek in the middle that must not disturb the rest.
    const std::vector<char> half(500000, 'a');
    Sha256 million;
    million.add(half.data(), half.size());
    (void)million.result();
    million.add(half.data(), half.size());
    EXPECT_EQ(hex(million.result()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");

    Sha256 moved = std::move(million);
    moved.add("", 0);
    EXPECT_EQ(hex(moved.result()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
} // namespace nimbral
