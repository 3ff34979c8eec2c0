// Strangers on the server's ports: oversized requests, connection hoarding, registration floods
// and a signaling peer that never reads. The real server program, over loopback, with a second
// source address (127.0.0.2) standing in for everybody else.

#include <QElapsedTimer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include "sanitizers.h"
#include "server_harness.h"

namespace nimbral::test {
namespace {

TEST(HostileClients, ABodyAnnouncedAboveTheLimitIsRefusedBeforeItIsSent) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    const quint16 port = portOf(server.baseUrl());

    // Only the headers go out; the answer comes without waiting for the body. A body of a few
    // MiB is read away before the close (so ordinary clients see the answer), a larger one is
    // not waited for at all.
    RawConnection announced;
    ASSERT_TRUE(announced.open(port));
    announced.send("POST /auth/auto-register HTTP/1.1\r\nHost: x\r\n"
                   "Content-Type: application/json\r\nContent-Length: 2097152\r\n\r\n");
    const auto [status, body] = announced.response();
    EXPECT_EQ(status, 413);
    EXPECT_EQ(body, R"({"detail":"Request body too large"})");
    EXPECT_FALSE(announced.closedByServer(200));
    announced.send(QByteArray(2097152, 'x'));
    EXPECT_TRUE(announced.closedByServer());

    RawConnection huge;
    ASSERT_TRUE(huge.open(port));
    huge.send(
        "POST /auth/auto-register HTTP/1.1\r\nHost: x\r\nContent-Length: 68719476736\r\n\r\n");
    EXPECT_EQ(huge.response().first, 413);
    EXPECT_TRUE(huge.closedByServer());

    // A chunked body is counted as it comes: the chunk that passes 64 KiB is refused.
    RawConnection chunked;
    ASSERT_TRUE(chunked.open(port));
    chunked.send("POST /auth/auto-register HTTP/1.1\r\nHost: x\r\n"
                 "Transfer-Encoding: chunked\r\n\r\n8000\r\n" +
                 QByteArray(32 * 1024, ' ') + "\r\n");
    ASSERT_TRUE(chunked.socket().waitForBytesWritten(3000) || chunked.socket().bytesToWrite() == 0);
    chunked.send("8001\r\n");
    EXPECT_EQ(chunked.response().first, 413);
    EXPECT_TRUE(chunked.closedByServer());

    // Smuggling-shaped framing is refused too; ordinary requests still work.
    RawConnection both;
    ASSERT_TRUE(both.open(port));
    both.send("POST /auth/auto-login HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n"
              "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n");
    EXPECT_EQ(both.response().first, 400);

    RawConnection fine;
    ASSERT_TRUE(fine.open(port));
    fine.send(healthRequest());
    EXPECT_EQ(fine.response().first, 200);
    fine.send(healthRequest()); // and again on the same connection
    EXPECT_EQ(fine.response().first, 200);
}

TEST(HostileClients, TheConnectionAfterTheCapFromOneAddressIsRefusedOthersAreServed) {
    ServerProcess server({"--max-connections-per-address", "4"});
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    const quint16 port = portOf(server.baseUrl());

    // Idle connections on both ports count against the one address.
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 4; ++i) {
        held.push_back(std::make_unique<RawConnection>());
        ASSERT_TRUE(held.back()->open(i < 3 ? port : server.relayPort()));
    }
    held.front()->send(healthRequest());
    ASSERT_EQ(held.front()->response().first, 200); // admitted and served

    RawConnection extra;
    ASSERT_TRUE(extra.open(port));
    EXPECT_TRUE(extra.closedByServer());
    RawConnection extraRelay;
    ASSERT_TRUE(extraRelay.open(server.relayPort()));
    EXPECT_TRUE(extraRelay.closedByServer()) << server.output().toStdString();

    RawConnection other;
    ASSERT_TRUE(other.open(port, kElsewhere));
    other.send(healthRequest());
    EXPECT_EQ(other.response().first, 200);

    // A slot given back is free again.
    held.pop_back();
    ASSERT_TRUE(waitUntil(
        [&] {
            RawConnection attempt;
            if (!attempt.open(port)) {
                return false;
            }
            attempt.send(healthRequest());
            return attempt.response(500).first == 200;
        },
        5000));
    EXPECT_TRUE(waitUntil(
        [&] { return server.output().contains("refusing connections from 127.0.0.1"); }, 3000));
}

TEST(HostileClients, SilentHttpConnectionsAreClosedBusyOnesKept) {
    ServerProcess server({"--http-idle-timeout", "1"});
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    const quint16 port = portOf(server.baseUrl());
    RawConnection silent;
    ASSERT_TRUE(silent.open(port));
    RawConnection busy;
    ASSERT_TRUE(busy.open(port));
    QElapsedTimer clock;
    clock.start();
    // The busy one asks every 400 ms on the same connection, for longer than the time-out.
    while (clock.elapsed() < 2500) {
        busy.send(healthRequest());
        ASSERT_EQ(busy.response().first, 200) << clock.elapsed();
        waitUntil([] { return false; }, 400);
    }
    EXPECT_TRUE(silent.closedByServer(100));
    EXPECT_EQ(busy.socket().state(), QAbstractSocket::ConnectedState);
}

TEST(HostileClients, ARegistrationFloodFromOneAddressIsLimited) {
    ServerProcess server({"--registrations-per-minute", "5"});
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    const json body = {{"client_name", "flood"}, {"agent_version", "1"}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rest.post("/auth/auto-register", body).status, 200) << i;
    }
    const HttpReply refused = rest.post("/auth/auto-register", body);
    EXPECT_EQ(refused.status, 429);
    EXPECT_EQ(refused.body["detail"], "Too many registrations from this address, try again later");

    RawConnection other;
    ASSERT_TRUE(other.open(portOf(server.baseUrl()), kElsewhere));
    const QByteArray payload = QByteArray::fromStdString(body.dump());
    other.send("POST /auth/auto-register HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n"
               "Content-Length: " +
               QByteArray::number(payload.size()) + "\r\n\r\n" + payload);
    EXPECT_EQ(other.response().first, 200);
}

TEST(HostileClients, TextAClientSentCannotForgeALogLine) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    const HttpReply refused = rest.post(
        "/auth/auto-login",
        json{{"client_id", "123\n[2026-01-01 00:00:00.000] [info] RestApi: all is well \x1b[2J"},
             {"device_secret", "x"}});
    EXPECT_EQ(refused.status, 401);
    ASSERT_TRUE(waitUntil([&] { return server.output().contains("login refused for 123"); }, 3000));
    EXPECT_TRUE(server.output().contains(
        "login refused for 123\\x0a[2026-01-01 00:00:00.000] [info] RestApi: all is well "
        "\\x1b[2J"));
    EXPECT_FALSE(server.output().contains("\n[2026-01-01 00:00:00.000]"));
    EXPECT_FALSE(server.output().contains("\x1b"));
}

TEST(HostileClients, ALoginRevokesTheDevicesEarlierToken) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    const Device device = registerDevice(rest);
    const HttpReply login =
        rest.post("/auth/auto-login", json{{"client_id", device.clientId.toStdString()},
                                           {"device_secret", device.secret.toStdString()}});
    ASSERT_EQ(login.status, 200);
    const QString fresh = QString::fromStdString(login.body["token"]);
    const json heartbeat = {{"client_id", device.clientId.toStdString()}};
    EXPECT_EQ(rest.post("/clients/heartbeat", heartbeat, device.token).status, 401);
    EXPECT_EQ(rest.post("/clients/heartbeat", heartbeat, fresh).status, 200);
}

// WebSocket client frames by hand: a peer that can be made to stop reading.
QByteArray maskedTextFrame(const QByteArray& payload) {
    QByteArray frame;
    frame.append('\x81');
    if (payload.size() < 126) {
        frame.append(static_cast<char>(0x80 | payload.size()));
    } else {
        frame.append('\xfe');
        frame.append(static_cast<char>(payload.size() >> 8));
        frame.append(static_cast<char>(payload.size() & 0xff));
    }
    const char mask[4] = {0x11, 0x22, 0x33, 0x44};
    frame.append(mask, 4);
    for (qsizetype i = 0; i < payload.size(); ++i) {
        frame.append(static_cast<char>(payload[i] ^ mask[i % 4]));
    }
    return frame;
}

TEST(HostileClients, APeerThatNeverReadsDoesNotGrowTheServer) {
    ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient rest(server.baseUrl());
    Device master = registerDevice(rest);
    ASSERT_TRUE(goOnline(master, server.baseUrl(), "m-pass", "111111"));
    const Device target = registerDevice(rest);

    RawConnection sink;
    sink.socket().setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    ASSERT_TRUE(sink.open(portOf(server.baseUrl())));
    sink.send("GET /ws/clients/" + target.clientId.toLatin1() +
              " HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
              "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
    ASSERT_TRUE(waitUntil([&] { return sink.socket().bytesAvailable() > 0; }, 5000));
    ASSERT_TRUE(sink.socket().readAll().startsWith("HTTP/1.1 101"));
    sink.send(maskedTextFrame(QByteArray::fromStdString(
        json{{"type", "AUTH"}, {"token", target.token.toStdString()}}.dump())));
    sink.send(maskedTextFrame(R"({"type":"SET_PASSWORD","password":"t-pass"})"));
    ASSERT_TRUE(waitUntil(
        [&] { return rest.send("GET", "/health", {}, {}).body.value("online", 0) == 2; }, 5000));
    sink.socket().setReadBufferSize(1); // from here on the sink reads nothing

    const HttpReply created = rest.post("/sessions/create",
                                        json{{"master_client_id", master.clientId.toStdString()},
                                             {"target_client_id", target.clientId.toStdString()},
                                             {"session_password", "t-pass"}},
                                        master.token);
    ASSERT_EQ(created.status, 200);
    const std::string sessionId = created.body["session_id"];

    waitUntil([] { return false; }, 300);
    const qint64 before = server.residentKiB();
    const json candidate = {{"type", "ICE_CANDIDATE"},
                            {"session_id", sessionId},
                            {"target_client_id", target.clientId.toStdString()},
                            {"candidate", std::string(60 * 1024, 'c')}};
    const QString text = QString::fromStdString(candidate.dump());
    // 60 MiB offered over six seconds: the burst, then the steady rate, both far above what
    // the limits let through to a receiver that takes nothing.
    for (int second = 0; second < 6; ++second) {
        for (int i = 0; i < 170; ++i) {
            master.signaling->sendText(text);
        }
        waitUntil([] { return false; }, 1000);
    }
    const qint64 after = server.residentKiB();
    if (!kAddressSanitizer) {
        EXPECT_LT(after - before, 16 * 1024)
            << "server grew from " << before << " to " << after << " KiB";
    }
    const auto dropped = master.signaling->next("ERROR", 2000);
    ASSERT_TRUE(dropped);
    EXPECT_NE((*dropped)["detail"].get<std::string>().find("ICE message dropped"),
              std::string::npos);
    // The sender is still served.
    master.signaling->send({{"type", "PING"}});
    EXPECT_TRUE(master.signaling->next("PONG"));
}

} // namespace
} // namespace nimbral::test
