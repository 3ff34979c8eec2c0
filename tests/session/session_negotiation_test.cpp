#include "session/session_negotiation.h"

#include <gtest/gtest.h>

#include "crypto/aes_gcm_cipher.h"

namespace nimbral {
namespace {

using Kind = SessionNegotiation::Failure::Kind;

TEST(SessionNegotiation, BothSidesAgreeAndEachAcceptsOnlyThePartnersCounters) {
    SessionNegotiation master(1000);
    SessionNegotiation target(1000);
    ASSERT_FALSE(master.makeKeyPair());
    ASSERT_FALSE(target.makeKeyPair());
    ASSERT_FALSE(target.deriveCipher(QString::fromStdString(master.publicKeyBase64()), true));
    ASSERT_FALSE(master.deriveCipher(QString::fromStdString(target.publicKeyBase64()), false));

    const std::vector<std::uint8_t> hello{'h', 'i'};
    EXPECT_EQ(target.cipher()->decrypt(master.cipher()->encrypt(hello)), hello);
    EXPECT_EQ(master.cipher()->decrypt(target.cipher()->encrypt(hello)), hello);
    // Each side takes the partner's half of the counters and refuses its own (a reflection).
    EXPECT_TRUE(target.replayWindow()->accept(AesGcmCipher::kMasterInitialCounter));
    EXPECT_FALSE(target.replayWindow()->accept(AesGcmCipher::kTargetInitialCounter));
    EXPECT_TRUE(master.replayWindow()->accept(AesGcmCipher::kTargetInitialCounter));
    EXPECT_FALSE(master.replayWindow()->accept(AesGcmCipher::kMasterInitialCounter));
}

TEST(SessionNegotiation, AnUnusablePartnerKeyLeavesNoCipher) {
    SessionNegotiation withoutKeyPair(1000);
    const auto noKeyPair = withoutKeyPair.deriveCipher(QStringLiteral("AAAA"), false);
    ASSERT_TRUE(noKeyPair);
    EXPECT_EQ(noKeyPair->kind, Kind::Derivation);

    for (const QString& partnerKey : {QString(), QStringLiteral("not base64 !"),
                                      QStringLiteral("AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA")}) {
        SessionNegotiation side(1000);
        ASSERT_FALSE(side.makeKeyPair());
        const auto failure = side.deriveCipher(partnerKey, true);
        ASSERT_TRUE(failure) << partnerKey.toStdString();
        EXPECT_EQ(failure->kind, Kind::Derivation);
        EXPECT_EQ(side.cipher(), nullptr);
        EXPECT_EQ(side.replayWindow(), nullptr);
    }
}

TEST(SessionNegotiation, AnEarlyAcknowledgementServesOnlyTheSessionItNames) {
    SessionNegotiation master(1000);
    master.keepAck(
        {QStringLiteral("earlier"), QStringLiteral("accepted"), QStringLiteral("k1"), {}});
    EXPECT_FALSE(master.takeAck(QStringLiteral("current")));
    EXPECT_FALSE(master.takeAck(QStringLiteral("earlier"))) << "taken once, by the first reply";
    master.keepAck(
        {QStringLiteral("current"), QStringLiteral("accepted"), QStringLiteral("k2"), {}});
    const auto ack = master.takeAck(QStringLiteral("current"));
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->targetKey, QStringLiteral("k2"));
}

} // namespace
} // namespace nimbral
