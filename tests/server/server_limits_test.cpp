#include <QSignalSpy>

#include <gtest/gtest.h>

#include "wait_until.h"

#include "connection_guard.h"
#include "json_text.h"
#include "rate_limiter.h"
#include "relay_frame_cursor.h"
#include "session_registry.h"

namespace nimbral::server {
namespace {

using Verdict = HttpRequestGuard::Verdict;

Verdict feedAll(HttpRequestGuard& guard, const QByteArray& bytes) {
    return guard.feed(bytes.constData(), bytes.size());
}

// The same stream one byte at a time must reach the same verdict: arrivals split anywhere.
Verdict feedBytewise(qint64 limit, const QByteArray& bytes) {
    HttpRequestGuard guard(limit);
    Verdict verdict = Verdict::Continue;
    for (const char c : bytes) {
        verdict = guard.feed(&c, 1);
        if (verdict != Verdict::Continue) {
            break;
        }
    }
    return verdict;
}

QByteArray post(const QByteArray& headers) {
    return "POST /auth/auto-register HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n";
}

TEST(HttpRequestGuard, RefusesAnAnnouncedBodyAboveTheLimitBeforeAnyOfIt) {
    HttpRequestGuard guard(1000);
    EXPECT_EQ(feedAll(guard, post("Content-Length: 1001\r\n")), Verdict::BodyTooLarge);
    EXPECT_EQ(feedBytewise(1000, post("Content-Length: 1001\r\n")), Verdict::BodyTooLarge);

    // At the limit, and several requests on one connection, are fine.
    HttpRequestGuard keepAlive(1000);
    const QByteArray one = post("Content-Length: 1000\r\n") + QByteArray(1000, 'x');
    EXPECT_EQ(feedAll(keepAlive, one + one + "\r\n" + post("Content-Length: 0\r\n")),
              Verdict::Continue);
    // A body's bytes are not mistaken for headers: one that looks like a request passes.
    const QByteArray lookalike = post("Content-Length: 100\r\n");
    EXPECT_EQ(feedAll(keepAlive,
                      post("Content-Length: " + QByteArray::number(lookalike.size()) + "\r\n") +
                          lookalike),
              Verdict::Continue);
    EXPECT_EQ(feedAll(keepAlive, post("Content-Length: 5000\r\n")), Verdict::BodyTooLarge);
}

TEST(HttpRequestGuard, CountsChunkedBodiesAsTheyArrive) {
    HttpRequestGuard guard(1000);
    const QByteArray start = post("Transfer-Encoding: chunked\r\n");
    EXPECT_EQ(feedAll(guard, start + "1f4\r\n" + QByteArray(500, 'a') + "\r\n"), Verdict::Continue);
    EXPECT_EQ(feedAll(guard, "1F4;ext=1\r\n" + QByteArray(500, 'b') + "\r\n"), Verdict::Continue);
    // The next chunk size line takes the total past the limit: refused before its data.
    EXPECT_EQ(feedAll(guard, "1\r\n"), Verdict::BodyTooLarge);

    const QByteArray complete =
        start + "a\r\n0123456789\r\n0\r\nTrailer: x\r\n\r\n" + post("Content-Length: 2\r\n") + "{}";
    EXPECT_EQ(feedBytewise(1000, complete), Verdict::Continue);
    EXPECT_EQ(feedBytewise(1000, start + "fffffffffffffff\r\n"), Verdict::BodyTooLarge);
}

TEST(HttpRequestGuard, RefusesFramingItCannotFollow) {
    const auto verdictOf = [](const QByteArray& bytes) {
        HttpRequestGuard guard(1000);
        return feedAll(guard, bytes);
    };
    EXPECT_EQ(verdictOf(post("Content-Length: 5\r\nTransfer-Encoding: chunked\r\n")),
              Verdict::Malformed);
    EXPECT_EQ(verdictOf(post("Content-Length: 5\r\nContent-Length: 6\r\n")), Verdict::Malformed);
    EXPECT_EQ(verdictOf(post("Content-Length: -1\r\n")), Verdict::Malformed);
    EXPECT_EQ(verdictOf(post("Content-Length: 99999999999999999999\r\n")), Verdict::Malformed);
    EXPECT_EQ(verdictOf(post("Transfer-Encoding: gzip\r\n")), Verdict::Malformed);
    EXPECT_EQ(verdictOf(post("Transfer-Encoding: chunked\r\n") + "zz\r\n"), Verdict::Malformed);
    EXPECT_EQ(verdictOf(post("Transfer-Encoding: chunked\r\n") + "2\r\nabXY"), Verdict::Malformed);
    EXPECT_EQ(verdictOf(post("Transfer-Encoding: chunked\r\n") + QByteArray(2000, '1')),
              Verdict::Malformed);
    EXPECT_EQ(verdictOf("GET / HTTP/1.1\r\nX: " + QByteArray(70 * 1024, 'h')),
              Verdict::HeadersTooLarge);
    // The same value twice is allowed.
    EXPECT_EQ(verdictOf(post("Content-Length: 2\r\ncontent-length: 2\r\n") + "{}"),
              Verdict::Continue);
}

TEST(HttpRequestGuard, StopsFollowingAtAWebSocketUpgrade) {
    HttpRequestGuard guard(10);
    const QByteArray upgrade = "GET /ws/clients/123456789 HTTP/1.1\r\nHost: x\r\n"
                               "Upgrade: WebSocket\r\nConnection: Upgrade\r\n\r\n";
    EXPECT_EQ(feedAll(guard, upgrade), Verdict::Upgraded);
    // What follows is WebSocket framing, of any size.
    EXPECT_EQ(feedAll(guard, QByteArray(100000, '\x81')), Verdict::Upgraded);

    // Naming the upgrade without asking for it (no "Connection: Upgrade"), or on a POST, is an
    // ordinary request: its framing is still followed, and the REST server answers it.
    for (const QByteArray& half :
         {QByteArray("GET /ws/clients/123456789 HTTP/1.1\r\nUpgrade: websocket\r\n\r\n"),
          QByteArray("GET /ws/clients/123456789 HTTP/1.1\r\nUpgrade: websocket\r\n"
                     "Connection: keep-alive\r\n\r\n"),
          QByteArray("POST /ws/clients/123456789 HTTP/1.1\r\nUpgrade: websocket\r\n"
                     "Connection: Upgrade\r\nContent-Length: 20\r\n\r\n")}) {
        HttpRequestGuard fresh(10);
        EXPECT_NE(feedAll(fresh, half), Verdict::Upgraded) << half.toStdString();
    }
    HttpRequestGuard listed(10);
    EXPECT_EQ(feedAll(listed, "GET / HTTP/1.1\r\nUpgrade: websocket\r\n"
                              "Connection: keep-alive, Upgrade\r\n\r\n"),
              Verdict::Upgraded);
}

TEST(ConnectionLimiter, CapsEachAddressAndTheWhole) {
    ConnectionLimiter limiter(2, 3);
    const QHostAddress a("10.0.0.1");
    const QHostAddress b("10.0.0.2");
    const QHostAddress c("10.0.0.3");
    EXPECT_TRUE(limiter.admit(a));
    EXPECT_TRUE(limiter.admit(QHostAddress("::ffff:10.0.0.1"))); // the same client, dual stack
    EXPECT_FALSE(limiter.admit(a));
    EXPECT_TRUE(limiter.admit(b));
    EXPECT_FALSE(limiter.admit(c)); // the whole server is full
    EXPECT_EQ(limiter.total(), 3);
    EXPECT_EQ(limiter.refusedCount(), 2);

    limiter.release(a);
    EXPECT_TRUE(limiter.admit(c));
    EXPECT_EQ(limiter.countFor(a), 1);
    // Releasing what was never admitted changes nothing.
    limiter.release(QHostAddress("10.9.9.9"));
    EXPECT_EQ(limiter.total(), 3);
}

TEST(RateLimiter, AllowsABurstThenTheRateAndForgetsIdleKeys) {
    qint64 now = 0;
    RateLimiter limiter(60, 3); // one a second after a burst of three
    limiter.setClock([&now] { return now; });
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(limiter.allow("a")) << i;
    }
    EXPECT_FALSE(limiter.allow("a"));
    EXPECT_TRUE(limiter.allow("b"));
    now += 999;
    EXPECT_FALSE(limiter.allow("a"));
    now += 1;
    EXPECT_TRUE(limiter.allow("a"));
    EXPECT_FALSE(limiter.allow("a"));

    // A stream of new keys does not grow the table once the old ones have refilled.
    for (int i = 0; i < 3 * RateLimiter::kSweepThreshold; ++i) {
        now += 1000;
        limiter.allow(QString::number(i));
    }
    EXPECT_LE(limiter.trackedKeys(), 2 * RateLimiter::kSweepThreshold);
}

TEST(RelayFrameCursor, KnowsWhereFramesEndHoweverTheBytesAreSplit) {
    const QByteArray frame = QByteArray::fromHex("0100000003") + "abc";
    const QByteArray empty = QByteArray::fromHex("0000000000");
    const QByteArray stream = frame + empty + frame;
    for (int split = 0; split <= stream.size(); ++split) {
        RelayFrameCursor cursor;
        EXPECT_EQ(cursor.advance(stream.constData(), split), split);
        const bool boundary = split == 0 || split == 8 || split == 13 || split == 21;
        EXPECT_EQ(cursor.atBoundary(), boundary) << split;
        EXPECT_EQ(cursor.advance(stream.constData() + split, stream.size() - split),
                  stream.size() - split);
        EXPECT_TRUE(cursor.atBoundary());
    }

    // Stopping at the next boundary: what a relay skips of a frame nobody will finish reading.
    RelayFrameCursor cursor;
    cursor.advance(stream.constData(), 6);
    EXPECT_EQ(cursor.advance(stream.constData() + 6, stream.size() - 6, true), 2);
    EXPECT_TRUE(cursor.atBoundary());
    EXPECT_EQ(cursor.advance(stream.constData() + 8, stream.size() - 8, true), 5);

    RelayFrameCursor badChannel;
    EXPECT_EQ(badChannel.advance(QByteArray::fromHex("0200000001").constData(), 5), -1);
    RelayFrameCursor tooLong;
    EXPECT_EQ(tooLong.advance(QByteArray::fromHex("0001000001").constData(), 5), -1);
}

TEST(SessionRegistry, AConnectedSessionEndsOnceBothPartiesHaveBeenGoneForTheTimeout) {
    SessionRegistry sessions;
    sessions.setAbandonedTimeout(300);
    bool present = true;
    sessions.setPresenceCheck([&present](const Session&) { return present; });
    QSignalSpy ended(&sessions, &SessionRegistry::sessionEnded);
    Session& session = sessions.create("111111111", "222222222", "", "");
    session.state = SessionState::Connected;
    sessions.markActive(session);
    const QString id = session.id;

    // Present parties keep it however long it runs.
    QTest::qWait(600);
    EXPECT_EQ(ended.count(), 0);
    ASSERT_NE(sessions.find(id), nullptr);

    present = false;
    ASSERT_WAIT(ended.count() == 1, 3000);
    EXPECT_EQ(ended.at(0).at(0).toString(), id);
    EXPECT_EQ(ended.at(0).at(1).toString(), "closed");
    EXPECT_EQ(sessions.find(id), nullptr);
}

TEST(JsonText, PrintableEscapesWhatCouldForgeOrBreakALogLine) {
    EXPECT_EQ(printable("123456789"), "123456789");
    EXPECT_EQ(printable("1\n2024-01-01 [info] forged"), "1\\x0a2024-01-01 [info] forged");
    EXPECT_EQ(printable("\x1b[31mred\\"), "\\x1b[31mred\\x5c");
    EXPECT_EQ(printable("\xc3\xa9"), "\\xc3\\xa9");
    EXPECT_EQ(printable(std::string(100, 'a'), 10), "aaaaaaaaaa...");
}

} // namespace
} // namespace nimbral::server
