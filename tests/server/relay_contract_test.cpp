#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QtEndian>

#include <gtest/gtest.h>

#include "server_harness.h"

namespace nimbral::test {
namespace {

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(QRandomGenerator::global()->bounded(256));
    }
    return bytes;
}

class RelayContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.output().toStdString();
        rest = std::make_unique<RestClient>(server.baseUrl());
        sessionId = newSession();
        ASSERT_FALSE(sessionId.isEmpty());
    }

    QString newSession() {
        Device master = registerDevice(*rest);
        Device target = registerDevice(*rest);
        if (!goOnline(master, server.baseUrl(), "m", "100000") ||
            !goOnline(target, server.baseUrl(), "relay-pass", "200000")) {
            return {};
        }
        const HttpReply created =
            rest->post("/sessions/create",
                       json{{"master_client_id", master.clientId.toStdString()},
                            {"target_client_id", target.clientId.toStdString()},
                            {"session_password", "relay-pass"}},
                       master.token);
        m_devices.push_back(std::move(master));
        m_devices.push_back(std::move(target));
        return created.status == 200 ? QString::fromStdString(created.body["session_id"])
                                     : QString();
    }

    int relayConnections() {
        return rest->send("GET", "/health", {}, {}).body.value("relay_connections", -1);
    }

    const Device& masterOf(int session = 0) const { return m_devices.at(2 * session); }

    std::unique_ptr<RelayClient> join(const QString& session) {
        auto client = std::make_unique<RelayClient>();
        EXPECT_TRUE(client->connectTo(server.relayPort()));
        client->write(joinFrame(session));
        return client;
    }

    ServerProcess server;
    std::unique_ptr<RestClient> rest;
    QString sessionId;

private:
    std::vector<Device> m_devices;
};

TEST_F(RelayContractTest, PairedPeersExchangeFramesByteForByteBothWays) {
    auto a = join(sessionId);
    auto b = join(sessionId);
    const QByteArray control = relayFrame(0, randomBytes(300));
    const QByteArray video = relayFrame(1, randomBytes(1024 * 1024));
    const QByteArray empty = relayFrame(1, {});

    a->write(control + video + empty);
    const auto atB = b->readExactly(control.size() + video.size() + empty.size(), 10000);
    ASSERT_TRUE(atB);
    EXPECT_EQ(*atB, control + video + empty);

    const QByteArray reply = relayFrame(0, "ack") + relayFrame(1, randomBytes(70000));
    b->write(reply);
    const auto atA = a->readExactly(reply.size());
    ASSERT_TRUE(atA);
    EXPECT_EQ(*atA, reply);
    // The join itself is never relayed.
    EXPECT_TRUE(a->quietFor(100));
    EXPECT_TRUE(b->quietFor(0));
}

TEST_F(RelayContractTest, BytesSentBeforeThePartnerJoinsAreDeliveredOnPairing) {
    auto a = join(sessionId);
    const QByteArray early = relayFrame(0, "early-1") + relayFrame(1, randomBytes(50000));
    a->write(early);
    ASSERT_TRUE(a->quietFor(200));
    auto b = join(sessionId);
    const auto received = b->readExactly(early.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, early);
}

TEST_F(RelayContractTest, APeerThatDropsIsPairedAgainWhenItRejoins) {
    auto a = join(sessionId);
    auto b = join(sessionId);
    a->write(relayFrame(0, "before"));
    ASSERT_TRUE(b->readExactly(5 + 6));

    b->socket().abort();
    // Rejoining before the relay has seen the drop would make a third joiner.
    ASSERT_TRUE(waitUntil([this] { return relayConnections() == 1; }, 5000));
    b = join(sessionId);
    const QByteArray after = relayFrame(0, "after the drop");
    a->write(after);
    const auto received = b->readExactly(after.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, after);
    b->write(relayFrame(1, "back"));
    EXPECT_TRUE(a->readExactly(5 + 4));
}

// A receiver that leaves in the middle of a frame: its successor starts on the sender's next
// frame, never on the tail of the one that was cut.
TEST_F(RelayContractTest, AReceiverThatLeavesMidFrameIsSucceededOnAFrameBoundary) {
    auto a = join(sessionId);
    auto b = join(sessionId);
    const QByteArray cut = relayFrame(1, randomBytes(100));
    a->write(cut.left(15));
    ASSERT_TRUE(b->readExactly(15));

    b->socket().abort();
    ASSERT_TRUE(waitUntil([this] { return relayConnections() == 1; }, 5000));
    const QByteArray next = relayFrame(0, "the next frame") + relayFrame(1, randomBytes(3000));
    a->write(cut.mid(15) + next);
    ASSERT_TRUE(a->quietFor(200));
    b = join(sessionId);
    const auto received = b->readExactly(next.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(received->toHex(), next.toHex());
    EXPECT_TRUE(b->quietFor(100));
}

// A sender that leaves in the middle of a frame leaves its partner with half a frame no one can
// finish: the partner is closed (and reconnects) rather than handed a corrupted stream.
TEST_F(RelayContractTest, ASenderThatLeavesMidFrameTakesItsPartnerWithIt) {
    auto a = join(sessionId);
    auto b = join(sessionId);
    const QByteArray whole = relayFrame(0, "whole");
    const QByteArray cut = relayFrame(1, randomBytes(100));
    a->write(whole + cut.left(40));
    ASSERT_TRUE(b->readExactly(whole.size() + 40));
    a->socket().abort();
    EXPECT_TRUE(b->waitClosed());

    // The session itself goes on: both sides may join again.
    auto a2 = join(sessionId);
    auto b2 = join(sessionId);
    a2->write(whole);
    const auto received = b2->readExactly(whole.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, whole);
}

// A receiver that stalls and then drops while the relay holds the sender back: what the relay had
// already read from the sender is kept, and the new receiver gets whole frames from there on, in
// order, never the remainder of one it cannot parse.
TEST_F(RelayContractTest, ARejoinAfterAStallGetsWholeFramesInOrder) {
    auto a = join(sessionId);
    auto b = join(sessionId);
    b->socket().setReadBufferSize(64 * 1024); // and reads nothing
    ASSERT_TRUE(a->quietFor(100));
    constexpr int kFrames = 40;
    constexpr int kPayload = 1024 * 1024 - 5;
    for (int i = 0; i < kFrames; ++i) {
        a->socket().write(relayFrame(1, QByteArray(kPayload, static_cast<char>(i))));
    }
    waitUntil([] { return false; }, 1500); // the relay fills its buffer to b and stops reading a
    b->socket().abort();
    ASSERT_TRUE(waitUntil([this] { return relayConnections() == 1; }, 5000));
    b = join(sessionId);

    QByteArray stream;
    std::vector<int> indices;
    bool intact = true;
    waitUntil(
        [&] {
            stream += b->socket().readAll();
            while (stream.size() >= 5 + kPayload) {
                const auto length = qFromBigEndian<quint32>(stream.constData() + 1);
                const char index = stream.at(5);
                intact = intact && stream.at(0) == 1 && length == kPayload &&
                         stream.mid(5, kPayload) == QByteArray(kPayload, index);
                indices.push_back(static_cast<unsigned char>(index));
                stream.remove(0, 5 + kPayload);
            }
            return !intact || (!indices.empty() && indices.back() == kFrames - 1);
        },
        60000);
    ASSERT_FALSE(indices.empty());
    EXPECT_TRUE(intact) << "a frame arrived cut or mixed";
    EXPECT_EQ(indices.back(), kFrames - 1);
    for (size_t i = 1; i < indices.size(); ++i) {
        EXPECT_EQ(indices[i], indices[i - 1] + 1) << "frames lost after the rejoin";
    }
    EXPECT_TRUE(b->quietFor(100) && stream.isEmpty());
}

TEST_F(RelayContractTest, BadFirstFramesAndAThirdJoinerAreClosedAloneTheOthersGoOn) {
    auto a = join(sessionId);
    auto b = join(sessionId);

    const QByteArray oversized = QByteArray::fromHex("0001000001") + QByteArray("x");
    const QByteArray bad[] = {
        relayFrame(2, "{\"session_id\":\"x\",\"type\":\"relay_join\"}"), // channel above 1
        oversized,                                                       // 16 MiB + 1 announced
        relayFrame(1, "{\"session_id\":\"" + sessionId.toUtf8() + "\",\"type\":\"relay_join\"}"),
        relayFrame(0, "not json at all"),
        relayFrame(0, "{\"type\":\"relay_join\"}"),
        relayFrame(0, "{\"type\":\"hello\",\"session_id\":\"" + sessionId.toUtf8() + "\"}"),
        joinFrame("no-such-session"),
        joinFrame(sessionId), // a third joiner
    };
    for (const QByteArray& first : bad) {
        RelayClient intruder;
        ASSERT_TRUE(intruder.connectTo(server.relayPort()));
        intruder.write(first);
        EXPECT_TRUE(intruder.waitClosed()) << first.left(60).toHex().toStdString();
    }

    const QByteArray frame = relayFrame(0, "still paired");
    a->write(frame);
    const auto received = b->readExactly(frame.size());
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, frame);
}

TEST_F(RelayContractTest, ClosingTheSessionEndsItsRelayConnections) {
    auto a = join(sessionId);
    auto b = join(sessionId);
    a->write(relayFrame(0, "x"));
    ASSERT_TRUE(b->readExactly(6));
    const HttpReply closed = rest->patch("/sessions/" + sessionId + "/close",
                                         json{{"transferred_bytes", 6}}, masterOf().token);
    ASSERT_EQ(closed.status, 200);
    EXPECT_TRUE(a->waitClosed());
    EXPECT_TRUE(b->waitClosed());

    RelayClient late;
    ASSERT_TRUE(late.connectTo(server.relayPort()));
    late.write(joinFrame(sessionId));
    EXPECT_TRUE(late.waitClosed());
}

// A viewer that stops reading must not make the relay buffer the sender's stream.
TEST_F(RelayContractTest, ASlowReaderHoldsTheSenderBackAndNothingIsLost) {
    auto sender = join(sessionId);
    auto reader = join(sessionId);
    reader->socket().setReadBufferSize(64 * 1024); // and the test reads nothing for now
    ASSERT_TRUE(sender->quietFor(100));
    const qint64 rssBefore = server.residentKiB();

    constexpr qint64 kTotal = 96LL * 1024 * 1024;
    // Whole frames: the relay follows the frame headers of what it passes on.
    const QByteArray chunk = relayFrame(1, randomBytes(1024 * 1024 - 5));
    QCryptographicHash sent(QCryptographicHash::Sha256);
    qint64 written = 0;
    // Offer everything; the kernel and the relay take what they can, the rest waits here.
    while (written < kTotal) {
        sender->socket().write(chunk);
        sent.addData(chunk);
        written += chunk.size();
    }
    waitUntil([] { return false; }, 1500);
    const qint64 rssStalled = server.residentKiB();
    EXPECT_GT(sender->socket().bytesToWrite(), 32LL * 1024 * 1024)
        << "the sender was not held back";
    EXPECT_LT(rssStalled - rssBefore, 40 * 1024)
        << "relay grew from " << rssBefore << " KiB to " << rssStalled << " KiB";

    reader->socket().setReadBufferSize(0);
    QCryptographicHash received(QCryptographicHash::Sha256);
    qint64 receivedBytes = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            const QByteArray data = reader->socket().readAll();
            received.addData(data);
            receivedBytes += data.size();
            return receivedBytes >= kTotal;
        },
        60000))
        << receivedBytes << " of " << kTotal;
    EXPECT_EQ(receivedBytes, kTotal);
    EXPECT_EQ(received.result(), sent.result());
}

} // namespace
} // namespace nimbral::test
