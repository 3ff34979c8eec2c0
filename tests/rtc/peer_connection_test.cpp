#include "rtc/rtc.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "test_bytes.h"
#include "turn_server.h"

#include "rtc/sdp.h"

namespace {

using rtc_test::pattern;

using namespace std::chrono_literals;

// Signaling between two peers of one process: callbacks (on the layer's thread) queue what they
// produce; the test thread delivers it, so no call re-enters the layer from its own callbacks.
class Signaling {
public:
    using Step = std::function<void()>;
    void push(Step step) {
        const std::lock_guard lock(m_mutex);
        m_steps.push_back(std::move(step));
        m_changed.notify_all();
    }
    // Delivers queued steps until the condition holds or the time runs out.
    bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            Step step;
            {
                std::unique_lock lock(m_mutex);
                if (m_steps.empty()) {
                    if (m_changed.wait_until(
                            lock, std::min(deadline, std::chrono::steady_clock::now() + 10ms)) ==
                            std::cv_status::timeout &&
                        std::chrono::steady_clock::now() >= deadline) {
                        return done();
                    }
                    continue;
                }
                step = std::move(m_steps.front());
                m_steps.pop_front();
            }
            step();
        }
        return true;
    }
    std::size_t pending() {
        const std::lock_guard lock(m_mutex);
        return m_steps.size();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Step> m_steps;
};

struct Received {
    std::mutex mutex;
    std::vector<rtc::binary> binaries;
    std::vector<std::string> texts;
    std::atomic<bool> open{false};
    std::atomic<bool> closed{false};

    void attach(const std::shared_ptr<rtc::DataChannel>& channel) {
        channel->onOpen([this] { open = true; });
        channel->onClosed([this] { closed = true; });
        channel->onMessage(
            [this](rtc::binary data) {
                const std::lock_guard lock(mutex);
                binaries.push_back(std::move(data));
            },
            [this](std::string text) {
                const std::lock_guard lock(mutex);
                texts.push_back(std::move(text));
            });
    }
    std::size_t count() {
        const std::lock_guard lock(mutex);
        return binaries.size();
    }
};

rtc::Configuration loopbackConfig() {
    rtc::Configuration config;
    config.bindAddress = "127.0.0.1";
    return config;
}

// Two peers: the offerer makes "control" (reliable) and "video" (unordered, no retransmission).
struct PeerPair {
    // `relayOnly` forwards relayed candidates only, so the pair must connect through TURN.
    explicit PeerPair(bool tamperFingerprint = false, bool candidatesFirst = false,
                      const rtc::Configuration& config = loopbackConfig(), bool relayOnly = false)
        : offerer(std::make_unique<rtc::PeerConnection>(config))
        , answerer(std::make_unique<rtc::PeerConnection>(config)) {
        offerer->onLocalDescription([this, tamperFingerprint, candidatesFirst](rtc::Description d) {
            std::string sdp = d;
            if (tamperFingerprint) {
                const auto at = sdp.find("a=fingerprint:sha-256 ") + 22;
                sdp[at] = sdp[at] == 'A' ? 'B' : 'A';
            }
            auto deliver = [this, sdp] {
                answerer->setRemoteDescription(rtc::Description(sdp, "offer"));
            };
            if (candidatesFirst) {
                const std::lock_guard lock(heldMutex);
                heldOffer = deliver;
            } else {
                signaling.push(deliver);
            }
        });
        offerer->onLocalCandidate([this, relayOnly](rtc::Candidate c) {
            if (relayOnly && !isRelayed(c)) {
                return;
            }
            signaling.push([this, c] { answerer->addRemoteCandidate(c); });
        });
        answerer->onLocalDescription([this](rtc::Description d) {
            signaling.push([this, d] { offerer->setRemoteDescription(d); });
        });
        answerer->onLocalCandidate([this, relayOnly](rtc::Candidate c) {
            if (relayOnly && !isRelayed(c)) {
                return;
            }
            signaling.push([this, c] { offerer->addRemoteCandidate(c); });
        });
        answerer->onDataChannel([this](std::shared_ptr<rtc::DataChannel> channel) {
            const std::lock_guard lock(channelsMutex);
            if (channel->label() == "control") {
                answererControl = channel;
                atAnswererControl.attach(channel);
            } else if (channel->label() == "video") {
                answererVideo = channel;
                atAnswererVideo.attach(channel);
            }
        });
        offererControl = offerer->createDataChannel("control");
        rtc::DataChannelInit video;
        video.reliability.unordered = true;
        video.reliability.maxRetransmits = 0;
        offererVideo = offerer->createDataChannel("video", video);
        atOffererControl.attach(offererControl);
        atOffererVideo.attach(offererVideo);
    }

    static bool isRelayed(const rtc::Candidate& candidate) {
        return std::string(candidate).find(" typ relay") != std::string::npos;
    }

    bool connect(std::chrono::milliseconds timeout = 10s) {
        return signaling.pumpUntil(
            [this] {
                return atOffererControl.open && atOffererVideo.open && atAnswererControl.open &&
                       atAnswererVideo.open;
            },
            timeout);
    }

    Signaling signaling;
    std::unique_ptr<rtc::PeerConnection> offerer;
    std::unique_ptr<rtc::PeerConnection> answerer;
    std::shared_ptr<rtc::DataChannel> offererControl;
    std::shared_ptr<rtc::DataChannel> offererVideo;
    std::mutex channelsMutex;
    std::shared_ptr<rtc::DataChannel> answererControl;
    std::shared_ptr<rtc::DataChannel> answererVideo;
    Received atOffererControl;
    Received atOffererVideo;
    Received atAnswererControl;
    Received atAnswererVideo;
    std::mutex heldMutex;
    Signaling::Step heldOffer;
};

TEST(RtcSdp, BuildsAndParsesADataOnlySession) {
    rtc::detail::SessionDescription local;
    local.iceUfrag = "abcd";
    local.icePwd = "0123456789abcdefghijkl";
    local.fingerprint = "AA:BB";
    local.setup = "actpass";
    local.maxMessageSize = 16842752;
    const std::string sdp = rtc::detail::buildSdp(42, local);
    EXPECT_NE(sdp.find("m=application 9 UDP/DTLS/SCTP webrtc-datachannel\r\n"), std::string::npos);
    EXPECT_NE(sdp.find("a=group:BUNDLE 0\r\n"), std::string::npos);
    EXPECT_NE(sdp.find("a=ice-options:trickle\r\n"), std::string::npos);
    const auto parsed = rtc::detail::parseSdp(
        sdp + "a=candidate:1 1 UDP 2 127.0.0.1 5000 typ host\r\na=end-of-candidates\r\n");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->iceUfrag, "abcd");
    EXPECT_EQ(parsed->fingerprint, "AA:BB");
    EXPECT_EQ(parsed->setup, "actpass");
    EXPECT_EQ(parsed->maxMessageSize, 16842752u);
    ASSERT_EQ(parsed->candidates.size(), 1u);
    EXPECT_EQ(parsed->candidates[0], "candidate:1 1 UDP 2 127.0.0.1 5000 typ host");
    EXPECT_TRUE(parsed->endOfCandidates);

    // Without max-message-size a peer means 65536; without credentials it is no description.
    std::string bare = sdp;
    bare.erase(bare.find("a=max-message-size:"));
    EXPECT_EQ(rtc::detail::parseSdp(bare)->maxMessageSize, 65536u);
    EXPECT_FALSE(
        rtc::detail::parseSdp("v=0\r\nm=application 9 UDP/DTLS/SCTP webrtc-datachannel\r\n"));
}

TEST(RtcIceServer, ParsesStunAndTurnUrls) {
    const rtc::IceServer stun("stun:stun.example.org:19302");
    EXPECT_EQ(stun.type, rtc::IceServer::Type::Stun);
    EXPECT_EQ(stun.hostname, "stun.example.org");
    EXPECT_EQ(stun.port, 19302);
    const rtc::IceServer turn("turns:user:secret@turn.example.org:5349");
    EXPECT_EQ(turn.type, rtc::IceServer::Type::Turn);
    EXPECT_EQ(turn.relayType, rtc::IceServer::RelayType::TurnTls);
    EXPECT_EQ(turn.username, "user");
    EXPECT_EQ(turn.password, "secret");
    EXPECT_EQ(turn.port, 5349);
    EXPECT_THROW(rtc::IceServer("http://x"), std::invalid_argument);
}

TEST(RtcPeerConnection, TwoPeersOpenBothChannelsAndExchangeBothWays) {
    PeerPair pair;
    ASSERT_TRUE(pair.connect()) << "channels did not open";
    EXPECT_EQ(pair.offerer->state(), rtc::PeerConnection::State::Connected);
    EXPECT_EQ(pair.answerer->state(), rtc::PeerConnection::State::Connected);
    EXPECT_TRUE(pair.answererVideo->reliability().unordered);
    ASSERT_TRUE(pair.answererVideo->reliability().maxRetransmits.has_value());
    EXPECT_EQ(*pair.answererVideo->reliability().maxRetransmits, 0u);
    EXPECT_FALSE(pair.answererControl->reliability().unordered);

    ASSERT_TRUE(pair.offererControl->send(pattern(1000, 1)));
    ASSERT_TRUE(pair.offererVideo->send(pattern(50000, 2)));
    ASSERT_TRUE(pair.answererControl->send(pattern(10, 3)));
    ASSERT_TRUE(pair.answererVideo->send(rtc::binary{}));
    ASSERT_TRUE(pair.offererControl->send(std::string("text stays text")));
    ASSERT_TRUE(pair.signaling.pumpUntil(
        [&] {
            return pair.atAnswererControl.count() == 1 && pair.atAnswererVideo.count() == 1 &&
                   pair.atOffererControl.count() == 1 && pair.atOffererVideo.count() == 1;
        },
        5s));
    EXPECT_EQ(pair.atAnswererControl.binaries[0], pattern(1000, 1));
    EXPECT_EQ(pair.atAnswererVideo.binaries[0], pattern(50000, 2));
    EXPECT_EQ(pair.atOffererControl.binaries[0], pattern(10, 3));
    EXPECT_TRUE(pair.atOffererVideo.binaries[0].empty());
    ASSERT_TRUE(
        pair.signaling.pumpUntil([&] { return pair.atAnswererControl.texts.size() == 1; }, 5s));
    EXPECT_EQ(pair.atAnswererControl.texts[0], "text stays text");
}

TEST(RtcPeerConnection, TheLargestMessageCrossesWhole) {
    PeerPair pair;
    ASSERT_TRUE(pair.connect());
    const std::size_t largest = 16 * 1024 * 1024 + 64 * 1024;
    EXPECT_EQ(pair.offererControl->maxMessageSize(), largest);
    const rtc::binary big = pattern(largest, 9);
    ASSERT_TRUE(pair.offererControl->send(big));
    ASSERT_TRUE(pair.signaling.pumpUntil([&] { return pair.atAnswererControl.count() == 1; }, 20s));
    EXPECT_TRUE(pair.atAnswererControl.binaries[0] == big);
    EXPECT_THROW(pair.offererControl->send(pattern(largest + 1, 0)), std::invalid_argument);
}

TEST(RtcPeerConnection, CandidatesBeforeTheOfferAreKeptUntilItComes) {
    PeerPair pair(false, /*candidatesFirst=*/true);
    // Let the candidates through first, then the held offer.
    pair.signaling.pumpUntil([] { return false; }, 300ms);
    Signaling::Step offer;
    {
        const std::lock_guard lock(pair.heldMutex);
        offer = pair.heldOffer;
    }
    ASSERT_TRUE(offer);
    offer();
    EXPECT_TRUE(pair.connect());
}

TEST(RtcPeerConnection, APeerWhoseCertificateDoesNotMatchIsRefused) {
    PeerPair pair(/*tamperFingerprint=*/true);
    EXPECT_FALSE(pair.connect(3s));
    EXPECT_FALSE(pair.atOffererControl.open);
    // The side that checked the certificate gives the connection up.
    EXPECT_EQ(pair.answerer->state(), rtc::PeerConnection::State::Failed);
}

TEST(RtcPeerConnection, ClosingFromInsideTheFailureItReportsIsSafe) {
    // The handshake fails inside DTLS, whose report closes the whole stack under it.
    PeerPair pair(/*tamperFingerprint=*/true);
    std::atomic<bool> closedInside{false};
    pair.answerer->onStateChange([&](rtc::PeerConnection::State state) {
        if (state == rtc::PeerConnection::State::Failed) {
            pair.answerer->close();
            closedInside = true;
        }
    });
    ASSERT_TRUE(pair.signaling.pumpUntil([&] { return closedInside.load(); }, 5s));
    EXPECT_EQ(pair.answerer->state(), rtc::PeerConnection::State::Closed);
}

TEST(RtcPeerConnection, ASecondRemoteDescriptionIsRefusedAndTheLinkCarriesOn) {
    PeerPair pair;
    ASSERT_TRUE(pair.connect());
    const auto answer = pair.answerer->localDescription();
    ASSERT_TRUE(answer);
    EXPECT_THROW(pair.offerer->setRemoteDescription(*answer), std::logic_error);
    ASSERT_TRUE(pair.offererControl->send(pattern(300, 4)));
    ASSERT_TRUE(pair.signaling.pumpUntil([&] { return pair.atAnswererControl.count() == 1; }, 5s));
    EXPECT_EQ(pair.atAnswererControl.binaries[0], pattern(300, 4));
}

TEST(RtcPeerConnection, AStunNameThatDoesNotResolveDelaysNothing) {
    // ".invalid" never resolves; host candidates alone must carry the connection at once.
    rtc::Configuration config = loopbackConfig();
    config.iceServers.emplace_back("stun:stun.invalid:3478");
    const auto start = std::chrono::steady_clock::now();
    PeerPair pair(false, false, config);
    ASSERT_TRUE(pair.connect(1s)) << "channels did not open within a second";
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    ASSERT_TRUE(pair.offererControl->send(pattern(100, 7)));
    EXPECT_TRUE(pair.signaling.pumpUntil([&] { return pair.atAnswererControl.count() == 1; }, 2s));
}

// Both peers see only each other's relayed candidates, so every byte passes through coturn.
class RtcThroughTurn : public ::testing::TestWithParam<rtc::IceServer::RelayType> {
protected:
    void SetUp() override {
        if (rtc_test::TurnServer::program().empty()) {
            GTEST_SKIP() << "coturn (turnserver) is not installed";
        }
        ASSERT_TRUE(m_turn.ready()) << "coturn did not start";
    }
    rtc::Configuration configFor(const std::string& host) const {
        rtc::Configuration config = loopbackConfig();
        config.iceServers.emplace_back(host, m_turn.port(), rtc_test::TurnServer::kUser,
                                       rtc_test::TurnServer::kPassword, GetParam());
        return config;
    }
    void expectExchangeThroughRelay(const rtc::Configuration& config) {
        PeerPair pair(false, false, config, /*relayOnly=*/true);
        ASSERT_TRUE(pair.connect(10s)) << "no connection through the relay";
        ASSERT_TRUE(pair.offererControl->send(pattern(70000, 3)));
        ASSERT_TRUE(pair.answererControl->send(pattern(1200, 4)));
        ASSERT_TRUE(pair.signaling.pumpUntil(
            [&] {
                return pair.atAnswererControl.count() == 1 && pair.atOffererControl.count() == 1;
            },
            5s));
        const std::lock_guard lock(pair.atAnswererControl.mutex);
        EXPECT_EQ(pair.atAnswererControl.binaries[0], pattern(70000, 3));
    }
    rtc_test::TurnServer m_turn;
};

TEST_P(RtcThroughTurn, ConnectsByNumericAddress) {
    expectExchangeThroughRelay(configFor("127.0.0.1"));
}

TEST_P(RtcThroughTurn, ConnectsByHostName) {
    // The name is looked up while host candidates already trickle.
    expectExchangeThroughRelay(configFor("localhost"));
}

TEST_P(RtcThroughTurn, WrongPasswordGivesNoRelayAndNoConnection) {
    rtc::Configuration config = loopbackConfig();
    config.iceServers.emplace_back("127.0.0.1", m_turn.port(), rtc_test::TurnServer::kUser,
                                   "not-the-password", GetParam());
    PeerPair pair(false, false, config, /*relayOnly=*/true);
    EXPECT_FALSE(pair.connect(2s));
}

INSTANTIATE_TEST_SUITE_P(Transports, RtcThroughTurn,
                         ::testing::Values(rtc::IceServer::RelayType::TurnUdp,
                                           rtc::IceServer::RelayType::TurnTcp),
                         [](const auto& info) {
                             return info.param == rtc::IceServer::RelayType::TurnUdp
                                        ? std::string("Udp")
                                        : std::string("Tcp");
                         });

TEST(RtcPeerConnection, ClosingAChannelClosesItOnBothSides) {
    PeerPair pair;
    ASSERT_TRUE(pair.connect());
    pair.offererControl->close();
    ASSERT_TRUE(pair.signaling.pumpUntil(
        [&] { return pair.atOffererControl.closed && pair.atAnswererControl.closed; }, 5s));
    EXPECT_FALSE(pair.offererControl->send(pattern(10, 0)));
    // The other channel goes on.
    ASSERT_TRUE(pair.offererVideo->send(pattern(10, 5)));
    EXPECT_TRUE(pair.signaling.pumpUntil([&] { return pair.atAnswererVideo.count() == 1; }, 5s));
}

// A peer may open the channels it likes, but not without end: past the cap its opens are ignored
// and cost the other side nothing.
TEST(RtcPeerConnection, APeerOpeningChannelsWithoutEndIsCapped) {
    PeerPair pair;
    ASSERT_TRUE(pair.connect());
    std::atomic<int> extra{0};
    pair.answerer->onDataChannel([&extra](std::shared_ptr<rtc::DataChannel> channel) {
        if (channel->label().rfind("extra-", 0) == 0) {
            ++extra;
        }
    });
    std::vector<std::shared_ptr<rtc::DataChannel>> opened;
    for (int i = 0; i < 100; ++i) {
        opened.push_back(pair.offerer->createDataChannel("extra-" + std::to_string(i)));
    }
    // The two the pair opened plus 62 more make the cap of 64.
    ASSERT_TRUE(pair.signaling.pumpUntil([&] { return extra.load() >= 62; }, 10s));
    pair.signaling.pumpUntil([] { return false; }, 500ms);
    EXPECT_EQ(extra.load(), 62);
    // The first two still carry messages.
    ASSERT_TRUE(pair.offererControl->send(pattern(10, 1)));
    EXPECT_TRUE(pair.signaling.pumpUntil([&] { return pair.atAnswererControl.count() == 1; }, 5s));
}

TEST(RtcPeerConnection, ClosingStopsCallbacksAndManyConnectionsComeAndGo) {
    for (int round = 0; round < 10; ++round) {
        PeerPair pair;
        ASSERT_TRUE(pair.connect()) << "round " << round;
        pair.answerer->close();
        pair.offerer->close();
        EXPECT_EQ(pair.offerer->state(), rtc::PeerConnection::State::Closed);
        EXPECT_FALSE(pair.offererControl->isOpen());
    }
}

} // namespace
