#include "crypto/session_binding.h"

#include <gtest/gtest.h>

#include "crypto/ecdh_key_exchange.h"
#include "crypto/spake2.h"
#include "crypto_test_util.h"

namespace nimbral {
namespace {

using test::Bytes;

// The expected values were worked out with Python's hashlib and the cryptography package's HKDF.
TEST(SessionBinding, TheTranscriptHashTheBindingAndTheStringAreWhatOtherClientsComputeToo) {
    const Bytes pake{1, 2, 3};
    EXPECT_EQ(test::toHex(binding::transcriptHash("111111111", "222222222", "MASTERKEY",
                                                  "TARGETKEY", pake)),
              "651ab7d7a639cad408019c8a2d80b704c0ca03832e2f18dd760d6e8e21676d17");
    const std::string bound = binding::keyBinding("mk", "tk");
    EXPECT_EQ(test::toHex(Bytes(bound.begin(), bound.end())),
              "02000000000000006d6b0200000000000000746b");
    Bytes material(44);
    for (std::size_t i = 0; i < material.size(); ++i) {
        material[i] = static_cast<std::uint8_t>(i);
    }
    const Bytes hash =
        test::fromHex("651ab7d7a639cad408019c8a2d80b704c0ca03832e2f18dd760d6e8e21676d17");
    EXPECT_EQ(binding::shortAuthenticationString(material, hash), "588927");
    // Every field counts, its length too: moving a byte from one ID to the next changes it.
    EXPECT_NE(binding::transcriptHash("11111111", "1222222222", "MASTERKEY", "TARGETKEY", pake),
              binding::transcriptHash("111111111", "222222222", "MASTERKEY", "TARGETKEY", pake));
    std::string key;
    for (int i = 0; i < 32; ++i) {
        key.push_back(static_cast<char>(i));
    }
    EXPECT_EQ(binding::fingerprint(key), "630d cd29 66c4 3366 9112 5448 bbb2 5b4f");
}

// One end of a session as the two devices run it: ECDH, the password exchange bound to both
// public keys as this end saw them, then the key and the string from the transcript hash.
struct End {
    EcdhKeyExchange ecdh;
    std::unique_ptr<Spake2> pake;
    std::string bound;
    std::vector<std::uint8_t> hash;
    std::string sas;

    void start(Spake2::Role role, const char* password, const std::string& masterKey,
               const std::string& targetKey) {
        const auto w = Spake2::passwordScalar(password, "salt");
        pake = Spake2::start(role, *w, "111111111", "222222222");
        bound = binding::keyBinding(masterKey, targetKey);
    }
    // With `pake` null, the session that has no password exchange.
    bool finish(const std::string& peerKey, const std::string& masterKey,
                const std::string& targetKey) {
        const std::vector<std::uint8_t> none;
        hash = binding::transcriptHash("111111111", "222222222", masterKey, targetKey,
                                       pake ? pake->transcript() : none);
        const bool derived = pake ? ecdh.deriveBoundKey(peerKey, pake->sharedKey(), hash)
                                  : ecdh.deriveBoundKey(peerKey, {}, hash);
        std::vector<std::uint8_t> material = ecdh.aesKey();
        const std::vector<std::uint8_t> iv = ecdh.baseIv();
        material.insert(material.end(), iv.begin(), iv.end());
        sas = binding::shortAuthenticationString(material, hash);
        return derived;
    }
};

TEST(SessionBinding, HonestEndsAgreeAndASwappedKeyShowsInTheConfirmationOrTheString) {
    End master;
    End target;
    const std::string mk = master.ecdh.publicKeyBase64();
    const std::string tk = target.ecdh.publicKeyBase64();
    master.start(Spake2::Role::A, "Valid-Pass1", mk, tk);
    target.start(Spake2::Role::B, "Valid-Pass1", mk, tk);
    ASSERT_TRUE(master.pake->finish(target.pake->share(), master.bound));
    ASSERT_TRUE(target.pake->finish(master.pake->share(), target.bound));
    EXPECT_TRUE(master.pake->peerConfirmationMatches(target.pake->confirmation()));
    ASSERT_TRUE(master.finish(tk, mk, tk) && target.finish(mk, mk, tk));
    EXPECT_EQ(master.ecdh.aesKey(), target.ecdh.aesKey());
    EXPECT_EQ(master.ecdh.baseIv(), target.ecdh.baseIv());
    EXPECT_EQ(master.sas.size(), 6u);
    EXPECT_EQ(master.sas, target.sas);

    // Someone in the middle hands each end a key of its own instead of the other's.
    End middle;
    const std::string forged = middle.ecdh.publicKeyBase64();
    End fooledMaster;
    End fooledTarget;
    const std::string fmk = fooledMaster.ecdh.publicKeyBase64();
    const std::string ftk = fooledTarget.ecdh.publicKeyBase64();
    fooledMaster.start(Spake2::Role::A, "Valid-Pass1", fmk, forged);
    fooledTarget.start(Spake2::Role::B, "Valid-Pass1", forged, ftk);
    ASSERT_TRUE(fooledMaster.pake->finish(fooledTarget.pake->share(), fooledMaster.bound));
    ASSERT_TRUE(fooledTarget.pake->finish(fooledMaster.pake->share(), fooledTarget.bound));
    EXPECT_FALSE(fooledMaster.pake->peerConfirmationMatches(fooledTarget.pake->confirmation()));
    EXPECT_FALSE(fooledTarget.pake->peerConfirmationMatches(fooledMaster.pake->confirmation()));

    // Without a password exchange the keys still differ, and so do the strings.
    End oldMaster;
    End oldTarget;
    const std::string omk = oldMaster.ecdh.publicKeyBase64();
    const std::string otk = oldTarget.ecdh.publicKeyBase64();
    ASSERT_TRUE(oldMaster.finish(forged, omk, forged));
    ASSERT_TRUE(oldTarget.finish(forged, forged, otk));
    EXPECT_NE(oldMaster.ecdh.aesKey(), oldTarget.ecdh.aesKey());
    EXPECT_NE(oldMaster.sas, oldTarget.sas);
}

} // namespace
} // namespace nimbral
