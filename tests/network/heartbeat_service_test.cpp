#include "network/heartbeat_service.h"

#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <gtest/gtest.h>

#include "http_recorder.h"
#include "log_capture.h"
#include "network/api_client.h"
#include "network/stun_message.h"
#include "stun_responder.h"

namespace nimbral {
namespace {

using test::StunResponder;

QByteArray requestLike() {
    return stun::bindingRequest();
}

TEST(StunMessage, BindingRequestIsTwentyBytesWithCookieAndFreshTransaction) {
    const QByteArray a = stun::bindingRequest();
    const QByteArray b = stun::bindingRequest();
    ASSERT_EQ(a.size(), 20);
    EXPECT_EQ(a.left(8).toHex(), "000100002112a442");
    EXPECT_NE(a.mid(8), b.mid(8));
}

TEST(StunMessage, ParsesXorMappedAndMappedAddresses) {
    const auto xorMapped = stun::parseBindingResponse(
        StunResponder::xorMappedResponse(requestLike(), "203.0.113.7", 40001));
    ASSERT_TRUE(xorMapped);
    EXPECT_EQ(xorMapped->address, "203.0.113.7");
    EXPECT_EQ(xorMapped->port, 40001);

    const auto mapped = stun::parseBindingResponse(
        StunResponder::mappedResponse(requestLike(), "198.51.100.2", 5000));
    ASSERT_TRUE(mapped);
    EXPECT_EQ(mapped->address, "198.51.100.2");
    EXPECT_EQ(mapped->port, 5000);

    // Byte for byte: XOR-MAPPED-ADDRESS 192.0.2.1:32853 from RFC 5769's IPv4 response.
    const QByteArray rfc = QByteArray::fromHex("0101000c"
                                               "2112a442"
                                               "b7e7a701bc34d686fa87dfae"
                                               "00200008"
                                               "0001a147e112a643");
    const auto fromRfc = stun::parseBindingResponse(rfc);
    ASSERT_TRUE(fromRfc);
    EXPECT_EQ(fromRfc->address, "192.0.2.1");
    EXPECT_EQ(fromRfc->port, 32853);
}

TEST(StunMessage, SkipsUnusableAttributesAndRejectsMalformedMessages) {
    const QByteArray request = requestLike();
    QByteArray ipv6Value(20, '\0');
    ipv6Value[1] = 0x02;
    EXPECT_FALSE(stun::parseBindingResponse(
        StunResponder::withAttribute(0x0101, request, 0x0020, ipv6Value)));

    // An unknown attribute (padded) before a usable one is stepped over.
    QByteArray software = StunResponder::withAttribute(0x0101, request, 0x8022, "abcde");
    const QByteArray mappedAttribute =
        StunResponder::mappedResponse(request, "192.0.2.9", 9).mid(20);
    software.append(QByteArray(3, '\0')); // padding of the 5-byte value
    software.append(mappedAttribute);
    qToBigEndian<quint16>(static_cast<quint16>(software.size() - 20), software.data() + 2);
    const auto stepped = stun::parseBindingResponse(software);
    ASSERT_TRUE(stepped);
    EXPECT_EQ(stepped->address, "192.0.2.9");

    const QByteArray good = StunResponder::xorMappedResponse(request, "203.0.113.7", 1);
    EXPECT_FALSE(stun::parseBindingResponse(good.left(19))); // shorter than a header
    EXPECT_FALSE(stun::parseBindingResponse(good.left(27))); // value cut off
    EXPECT_FALSE(stun::parseBindingResponse(good.left(22))); // attribute header cut off
    QByteArray error = good;
    qToBigEndian<quint16>(0x0111, error.data());
    EXPECT_FALSE(stun::parseBindingResponse(error)); // error response
    QByteArray shortLength = good;
    qToBigEndian<quint16>(2, shortLength.data() + 2);
    EXPECT_FALSE(stun::parseBindingResponse(shortLength)); // message length under 4
    QByteArray lyingLength = good;
    qToBigEndian<quint16>(4, lyingLength.data() + 2);     // says the header alone fits
    EXPECT_TRUE(stun::parseBindingResponse(lyingLength)); // the value is in the datagram
    EXPECT_FALSE(stun::parseBindingResponse(QByteArray(20, '\0')));
}

class HeartbeatServiceTest : public ::testing::Test {
protected:
    HeartbeatService& service() {
        if (!m_service) {
            m_service = std::make_unique<HeartbeatService>(&m_api);
            m_service->setIpEchoUrl(QUrl(m_echo.url() + "/ip"));
        }
        return *m_service;
    }

    QString detect(StunResponder& responder) {
        service().setStunServer("127.0.0.1", responder.port());
        QSignalSpy detected(&service(), &HeartbeatService::natTypeDetected);
        service().detectNatType();
        if (!detected.wait(5000)) {
            return "(none)";
        }
        return detected.at(0).at(0).toString();
    }

    test::HttpRecorder m_echo;
    ApiClient m_api{QUrl(m_echo.url())};
    std::unique_ptr<HeartbeatService> m_service;
};

TEST_F(HeartbeatServiceTest, SameAddressDifferentPortsIsSymmetric) {
    int n = 0;
    StunResponder responder([&n](const QByteArray& request, quint16) {
        return StunResponder::xorMappedResponse(request, "203.0.113.7", 40001 + n++);
    });
    EXPECT_EQ(detect(responder), "SymmetricNAT");
    EXPECT_EQ(responder.requestsSeen(), 2);
}

TEST_F(HeartbeatServiceTest, SameAddressAndPortIsPortRestricted) {
    StunResponder responder([](const QByteArray& request, quint16) {
        return StunResponder::mappedResponse(request, "203.0.113.7", 40001);
    });
    EXPECT_EQ(detect(responder), "PortRestricted");
}

TEST_F(HeartbeatServiceTest, DifferentAddressesArePortRestricted) {
    int n = 0;
    StunResponder responder([&n](const QByteArray& request, quint16) {
        return StunResponder::xorMappedResponse(request, n++ ? "203.0.113.8" : "203.0.113.7", 1);
    });
    EXPECT_EQ(detect(responder), "PortRestricted");
}

// Anyone can send a datagram to the probe's ports: only an answer carrying the transaction ID of
// the request sent from that port counts. A forger racing the server with other addresses and
// ports changes nothing.
TEST_F(HeartbeatServiceTest, AnswersToNoRequestOfOursAreIgnored) {
    QUdpSocket forger;
    ASSERT_TRUE(forger.bind(QHostAddress::LocalHost, 0));
    int n = 0;
    StunResponder responder([&](const QByteArray& request, quint16 senderPort) {
        const QByteArray forged =
            StunResponder::xorMappedResponse(stun::bindingRequest(), "198.51.100.9", 5000 + n++);
        forger.writeDatagram(forged, QHostAddress::LocalHost, senderPort);
        forger.waitForBytesWritten(1000);
        return StunResponder::xorMappedResponse(request, "203.0.113.7", 40001);
    });
    EXPECT_EQ(detect(responder), "PortRestricted") << "the forged answers would say Symmetric";

    // Nothing but forgeries: no answer at all.
    HeartbeatService fresh(&m_api);
    StunResponder forgeries([](const QByteArray&, quint16) {
        return StunResponder::xorMappedResponse(stun::bindingRequest(), "198.51.100.9", 7);
    });
    fresh.setStunServer("127.0.0.1", forgeries.port());
    QSignalSpy detected(&fresh, &HeartbeatService::natTypeDetected);
    fresh.detectNatType();
    ASSERT_TRUE(detected.wait(5000));
    EXPECT_EQ(detected.at(0).at(0).toString(), "Unknown");
}

TEST_F(HeartbeatServiceTest, MappedAddressEqualToTheLocalAddressIsOpen) {
    const QString local = HeartbeatService::localIpv4Address();
    if (local.isEmpty()) {
        GTEST_SKIP() << "this machine has no IPv4 address besides 127.0.0.1";
    }
    StunResponder responder([&local](const QByteArray& request, quint16 port) {
        return StunResponder::xorMappedResponse(request, local, port);
    });
    EXPECT_EQ(detect(responder), "Open");
}

TEST_F(HeartbeatServiceTest, SilenceOrOneAnswerOrErrorsEndAsUnknown) {
    test::LogCapture log;
    StunResponder silent([](const QByteArray&, quint16) { return QByteArray(); });
    EXPECT_EQ(detect(silent), "Unknown");
    EXPECT_TRUE(log.has(spdlog::level::info, "STUN NAT detection timed out"));

    m_service.reset(); // the type is decided once per run; a new run for the next case
    int n = 0;
    StunResponder oneAnswer([&n](const QByteArray& request, quint16) {
        return n++ == 0 ? StunResponder::xorMappedResponse(request, "203.0.113.7", 1)
                        : QByteArray();
    });
    EXPECT_EQ(detect(oneAnswer), "Unknown");

    m_service.reset();
    StunResponder errors([](const QByteArray& request, quint16) {
        QByteArray reply = StunResponder::xorMappedResponse(request, "203.0.113.7", 1);
        qToBigEndian<quint16>(0x0111, reply.data());
        return reply;
    });
    EXPECT_EQ(detect(errors), "Unknown");
}

TEST_F(HeartbeatServiceTest, TheTypeIsDecidedOncePerRun) {
    int n = 0;
    StunResponder symmetric([&n](const QByteArray& request, quint16) {
        return StunResponder::xorMappedResponse(request, "203.0.113.7", 40001 + n++);
    });
    ASSERT_EQ(detect(symmetric), "SymmetricNAT");
    StunResponder restricted([](const QByteArray& request, quint16) {
        return StunResponder::xorMappedResponse(request, "203.0.113.7", 1);
    });
    service().setStunServer("127.0.0.1", restricted.port());
    service().detectNatType();
    ASSERT_TRUE(QTest::qWaitFor([&] { return restricted.requestsSeen() == 2; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(service().natType(), "SymmetricNAT");
}

TEST_F(HeartbeatServiceTest, StartSendsAHeartbeatAtOnceThenAddsWhatItLearns) {
    // For the echo's path: the heartbeat may reach the same recorder first.
    m_echo.enqueueReplyFor("/ip", 200, "  198.51.100.77\n");
    StunResponder responder([](const QByteArray& request, quint16) {
        return StunResponder::xorMappedResponse(request, "203.0.113.7", 1);
    });
    service().setStunServer("127.0.0.1", responder.port());
    QSignalSpy publicIp(&service(), &HeartbeatService::publicIpDetected);
    QSignalSpy nat(&service(), &HeartbeatService::natTypeDetected);
    service().start(200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return publicIp.count() == 1 && nat.count() == 1; }, 5000));
    EXPECT_EQ(service().publicIp(), "198.51.100.77");

    const auto heartbeats = [&] {
        std::vector<QByteArray> bodies;
        for (const auto& request : m_echo.requests()) {
            if (request.path == "/clients/heartbeat") {
                bodies.push_back(request.body);
            }
        }
        return bodies;
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return heartbeats().size() >= 2; }, 5000));
    EXPECT_FALSE(heartbeats().front().contains("public_ip"));
    EXPECT_FALSE(heartbeats().front().contains("nat_type"));
    EXPECT_TRUE(heartbeats().back().contains(R"("nat_type":"PortRestricted")"));
    EXPECT_TRUE(heartbeats().back().contains(R"("public_ip":"198.51.100.77")"));
    service().stop();
}

TEST_F(HeartbeatServiceTest, AFailedEchoKeepsThePreviousAddressAndLogsNothing) {
    m_echo.enqueueReplyFor("/ip", 500, "oops");
    test::LogCapture log;
    service().fetchPublicIp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_echo.requests().empty(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(service().publicIp(), "");
    EXPECT_TRUE(log.lines().empty());
}

} // namespace
} // namespace nimbral
