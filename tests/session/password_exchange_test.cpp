#include "session/password_exchange.h"

#include <gtest/gtest.h>

#include "crypto/ecdh_key_exchange.h"
#include "crypto/ed25519.h"

namespace nimbral {
namespace {

using Secret = PasswordExchange::Secret;

constexpr const char* kPassword = "Valid-Pass1";
constexpr const char* kCode = "482915";

// A Master and a Target with fresh ECDH keys, and the exchange between them.
struct Pair {
    EcdhKeyExchange masterEcdh;
    EcdhKeyExchange targetEcdh;
    PasswordExchange::Parties master{"111111111", "222222222", masterEcdh.publicKeyBase64(), {}};
    PasswordExchange::Parties target{"111111111", "222222222", masterEcdh.publicKeyBase64(),
                                     targetEcdh.publicKeyBase64()};
    std::unique_ptr<PasswordExchange> offer;
    std::unique_ptr<PasswordExchange> answer;

    // The Master types `typed`; the Target answers; the Master reads the answer as carrying
    // `targetKeySeen` (the Target's own key, unless someone swapped it).
    std::optional<Secret> run(const QString& typed, const std::string& targetKeySeen) {
        offer = PasswordExchange::offer(typed, master);
        answer = PasswordExchange::answer(offer->offerFields(), kPassword, kCode, target);
        return answer ? offer->takeAnswer(answer->answerFields(), targetKeySeen) : std::nullopt;
    }
};

TEST(PasswordExchange, ThePasswordOrThePairingCodeMatchesItsOwnRunAtBothEnds) {
    for (const auto& [typed, secret] :
         {std::pair{kPassword, Secret::Password}, std::pair{kCode, Secret::PairingCode}}) {
        SCOPED_TRACE(typed);
        Pair pair;
        ASSERT_EQ(pair.run(typed, pair.target.targetKey), secret);
        const std::string name = PasswordExchange::nameOf(secret);
        EXPECT_EQ(pair.answer->takeConfirmation(name, pair.offer->confirmation()), secret);
        EXPECT_EQ(pair.offer->sharedKey(), pair.answer->sharedKey());
        ASSERT_EQ(pair.offer->transcriptHash().size(), 32u);
        EXPECT_EQ(pair.offer->transcriptHash(), pair.answer->transcriptHash());
        // The session key both ends derive from it is one and the same.
        ASSERT_TRUE(pair.masterEcdh.deriveBoundKey(pair.target.targetKey, pair.offer->sharedKey(),
                                                   pair.offer->transcriptHash()));
        ASSERT_TRUE(pair.targetEcdh.deriveBoundKey(pair.target.masterKey, pair.answer->sharedKey(),
                                                   pair.answer->transcriptHash()));
        EXPECT_EQ(pair.masterEcdh.aesKey(), pair.targetEcdh.aesKey());
        // A confirmation is taken once.
        EXPECT_FALSE(pair.answer->takeConfirmation(name, pair.offer->confirmation()));
    }
}

TEST(PasswordExchange, AWrongSecretOrASwappedKeyMatchesNothingAndConfirmsNothing) {
    Pair wrong;
    EXPECT_FALSE(wrong.run("Wrong-Pass2", wrong.target.targetKey));
    EXPECT_TRUE(wrong.offer->confirmation().empty());
    EXPECT_TRUE(wrong.offer->sharedKey().empty());

    Pair swapped;
    EcdhKeyExchange middle;
    EXPECT_FALSE(swapped.run(kPassword, middle.publicKeyBase64()));

    // The Target takes one confirmation: the right one for the other run proves nothing, and
    // ends the exchange, so the right one after it is too late.
    Pair pair;
    ASSERT_EQ(pair.run(kPassword, pair.target.targetKey), Secret::Password);
    EXPECT_FALSE(pair.answer->takeConfirmation("code", pair.offer->confirmation()));
    EXPECT_FALSE(pair.answer->takeConfirmation("password", pair.offer->confirmation()));
    EXPECT_TRUE(pair.answer->sharedKey().empty());
    // Nor does the Target's own confirmation, reflected, or bytes of the right size.
    for (const bool reflected : {true, false}) {
        Pair again;
        ASSERT_EQ(again.run(kPassword, again.target.targetKey), Secret::Password);
        const std::string confirmation =
            reflected ? again.answer->answerFields()["pake_confirm_password"].get<std::string>()
                      : std::string(44, 'A');
        EXPECT_FALSE(again.answer->takeConfirmation("password", confirmation)) << confirmation;
    }
}

TEST(PasswordExchange, RequestsAndAnswersWithoutUsableSharesAreRefused) {
    Pair pair;
    EXPECT_FALSE(PasswordExchange::answer(nlohmann::json::object(), kPassword, kCode, pair.target));
    EXPECT_FALSE(
        PasswordExchange::answer({{"pake_share_password", "AAAA"}}, kPassword, kCode, pair.target));
    // A Target without a password still answers for its code.
    pair.offer = PasswordExchange::offer(kCode, pair.master);
    auto answer =
        PasswordExchange::answer(pair.offer->offerFields(), QString(), kCode, pair.target);
    ASSERT_TRUE(answer);
    EXPECT_FALSE(answer->answerFields().contains("pake_share_password"));
    EXPECT_EQ(pair.offer->takeAnswer(answer->answerFields(), pair.target.targetKey),
              Secret::PairingCode);
    EXPECT_FALSE(pair.offer->takeAnswer(answer->answerFields(), pair.target.targetKey))
        << "answered once";
    auto fresh = PasswordExchange::offer(kPassword, pair.master);
    EXPECT_FALSE(fresh->takeAnswer({{"pake_share_password", 5}}, pair.target.targetKey));
}

TEST(PasswordExchange, ADeviceProofHoldsOnlyForTheSessionItWasMadeFor) {
    const std::string signingKey = ed25519::generatePrivateKey();
    Pair pair;
    const nlohmann::json proof = deviceProofFields(signingKey, pair.target);
    EXPECT_EQ(checkDeviceProof(proof, pair.target), ed25519::publicKeyOf(signingKey));
    // Another key in the session, other IDs, a replay into the next session, or a proof cut
    // short: none holds.
    Pair next;
    PasswordExchange::Parties swapped = pair.target;
    swapped.targetKey = next.target.targetKey;
    PasswordExchange::Parties otherIds = pair.target;
    otherIds.masterId = QStringLiteral("333333333");
    for (const auto& parties : {swapped, otherIds, next.target}) {
        EXPECT_FALSE(checkDeviceProof(proof, parties));
    }
    nlohmann::json cut = proof;
    cut["device_signature"] = proof["device_signature"].get<std::string>().substr(0, 40);
    EXPECT_FALSE(checkDeviceProof(cut, pair.target));
    EXPECT_FALSE(checkDeviceProof({{"device_key", proof["device_key"]}}, pair.target));
    EXPECT_TRUE(deviceProofFields(std::string(), pair.target).empty()) << "no key, no proof";
    // A confirmation from one session proves nothing in the next.
    ASSERT_EQ(pair.run(kPassword, pair.target.targetKey), Secret::Password);
    ASSERT_EQ(next.run(kPassword, next.target.targetKey), Secret::Password);
    EXPECT_FALSE(next.answer->takeConfirmation("password", pair.offer->confirmation()));
}

} // namespace
} // namespace nimbral
