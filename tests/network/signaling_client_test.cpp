#include "network/signaling_client.h"

#include <QSignalSpy>
#include <QTest>
#include <QWebSocketServer>

#include <gtest/gtest.h>

#include "log_capture.h"
#include "network/api_client.h"
#include "server_harness.h"

namespace nimbral {
namespace {

using nlohmann::json;

TEST(SignalingUrl, FollowsTheServersSchemeHostAndPort) {
    EXPECT_EQ(
        SignalingClient::signalingUrl(QUrl("https://nimbral.example.com:443/x?y"), "123456789"),
        QUrl("wss://nimbral.example.com:443/ws/clients/123456789"));
    EXPECT_EQ(SignalingClient::signalingUrl(QUrl("http://127.0.0.1:8080"), "123456789"),
              QUrl("ws://127.0.0.1:8080/ws/clients/123456789"));
    EXPECT_EQ(SignalingClient::signalingUrl(QUrl("ftp://h:21"), "1").scheme(), "ws");
}

// A device of the real server, logged in through the real REST client.
struct LoggedInDevice {
    explicit LoggedInDevice(const QString& baseUrl)
        : api(QUrl(baseUrl)) {
        QSignalSpy registered(&api, &ApiClient::autoRegisterSuccess);
        api.autoRegister("pc", "1.32", "");
        ok = registered.wait(5000);
    }
    ApiClient api;
    bool ok = false;
};

class SignalingClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.output().toStdString();
        device = std::make_unique<LoggedInDevice>(server.baseUrl());
        ASSERT_TRUE(device->ok);
    }

    bool connectAndAuth(SignalingClient& client) {
        QSignalSpy connected(&client, &SignalingClient::connected);
        client.connectToServer(QUrl(server.baseUrl()), device->api.clientId(), device->api.token());
        return connected.wait(5000);
    }

    test::ServerProcess server;
    std::unique_ptr<LoggedInDevice> device;
};

TEST_F(SignalingClientTest, AuthOkRaisesConnectedAndAuthFailEndsReconnection) {
    SignalingClient client;
    test::LogCapture log;
    ASSERT_TRUE(connectAndAuth(client));
    EXPECT_TRUE(client.isConnected());
    EXPECT_TRUE(log.has(spdlog::level::info, "Signaling WebSocket connected, sending auth"));
    EXPECT_TRUE(log.has(spdlog::level::info, "Signaling auth confirmed"));

    SignalingClient refused;
    QSignalSpy error(&refused, &SignalingClient::connectionError);
    QSignalSpy gaveUp(&refused, &SignalingClient::gaveUp);
    QSignalSpy disconnected(&refused, &SignalingClient::disconnected);
    refused.connectToServer(QUrl(server.baseUrl()), device->api.clientId(), "bad-token");
    ASSERT_TRUE(disconnected.wait(5000));
    EXPECT_EQ(error.count(), 1);
    EXPECT_EQ(error.at(0).at(0).toString(), "Authentication rejected by server");
    EXPECT_FALSE(refused.reconnectPending());
    EXPECT_EQ(gaveUp.count(), 1);
    EXPECT_TRUE(
        log.has(spdlog::level::err, "Signaling auth rejected by server — not reconnecting"));
}

TEST_F(SignalingClientTest, SendingWhileDisconnectedDropsTheMessage) {
    SignalingClient client;
    test::LogCapture log;
    client.sendMessage({{"type", "PING"}});
    EXPECT_TRUE(log.has(spdlog::level::warn, "Cannot send message: not connected"));
}

TEST_F(SignalingClientTest, BackOffDoublesToThirtySecondsAndStopsAfterTenAttempts) {
    SignalingClient client;
    ASSERT_TRUE(connectAndAuth(client));
    QSignalSpy gaveUp(&client, &SignalingClient::gaveUp);
    QSignalSpy disconnected(&client, &SignalingClient::disconnected);
    server.stop();
    ASSERT_TRUE(disconnected.wait(5000));

    const int expected[] = {1000, 2000, 4000, 8000, 16000, 30000, 30000, 30000, 30000, 30000};
    for (int attempt = 0; attempt < 10; ++attempt) {
        ASSERT_TRUE(client.reconnectPending()) << attempt;
        EXPECT_EQ(client.reconnectDelayMs(), expected[attempt]) << attempt;
        disconnected.clear();
        client.attemptReconnect(); // the timer's work, without its wait
        ASSERT_TRUE(disconnected.wait(5000)) << attempt;
    }
    EXPECT_FALSE(client.reconnectPending());
    EXPECT_EQ(client.reconnectAttempts(), 10);
    EXPECT_EQ(gaveUp.count(), 1);
}

TEST_F(SignalingClientTest, AuthOkAfterReconnectingResetsTheBackOff) {
    SignalingClient client;
    ASSERT_TRUE(connectAndAuth(client));
    QSignalSpy disconnected(&client, &SignalingClient::disconnected);
    QSignalSpy connected(&client, &SignalingClient::connected);
    server.stop();
    ASSERT_TRUE(disconnected.wait(5000));
    disconnected.clear();
    client.attemptReconnect();
    ASSERT_TRUE(disconnected.wait(5000));
    disconnected.clear();
    client.attemptReconnect();
    ASSERT_TRUE(disconnected.wait(5000));
    EXPECT_EQ(client.reconnectDelayMs(), 4000);

    // Back on the same address; the old token is gone with the restart, so log in again.
    ASSERT_TRUE(server.startOnSamePorts()) << server.output().toStdString();
    ApiClient api{QUrl(server.baseUrl())};
    QSignalSpy loggedIn(&api, &ApiClient::autoRegisterSuccess);
    api.autoRegister("pc2", "1.32", "");
    ASSERT_TRUE(loggedIn.wait(5000));
    client.connectToServer(QUrl(server.baseUrl()), api.clientId(), api.token());
    ASSERT_TRUE(connected.wait(5000));
    EXPECT_EQ(client.reconnectAttempts(), 0);

    disconnected.clear();
    server.stop();
    ASSERT_TRUE(disconnected.wait(5000));
    EXPECT_EQ(client.reconnectDelayMs(), 1000);
}

TEST_F(SignalingClientTest, DisconnectFromServerNeverReconnects) {
    SignalingClient client;
    ASSERT_TRUE(connectAndAuth(client));
    QSignalSpy disconnected(&client, &SignalingClient::disconnected);
    QSignalSpy gaveUp(&client, &SignalingClient::gaveUp);
    client.disconnectFromServer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return disconnected.count() == 1; }, 5000));
    EXPECT_FALSE(client.reconnectPending());
    EXPECT_EQ(gaveUp.count(), 0);
}

// A scripted server for what the real one never sends.
class ScriptedSignalingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server, &QWebSocketServer::newConnection, [this] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QWebSocket::textMessageReceived,
                             [this](const QString& text) { received << text; });
        });
        QSignalSpy connected(&client, &SignalingClient::disconnected);
        client.connectToServer(QUrl(QString("http://127.0.0.1:%1").arg(server.serverPort())),
                               "123456789", "tok");
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return peer != nullptr && !received.isEmpty(); }, 5000));
    }

    void TearDown() override { delete peer; }

    void say(const QString& text) { peer->sendTextMessage(text); }

    QWebSocketServer server{"scripted", QWebSocketServer::NonSecureMode};
    QWebSocket* peer = nullptr; // handed over by the server, ours to delete
    QStringList received;
    SignalingClient client;
};

TEST_F(ScriptedSignalingTest, SendsAuthFirstAndDispatchesTheCatalogue) {
    EXPECT_EQ(received.first(), R"({"token":"tok","type":"AUTH"})");

    test::LogCapture log;
    QSignalSpy any(&client, &SignalingClient::messageReceived);
    QSignalSpy request(&client, &SignalingClient::sessionHandshakeRequest);
    QSignalSpy accept(&client, &SignalingClient::sessionAutoAccept);
    QSignalSpy ack(&client, &SignalingClient::sessionHandshakeAck);
    QSignalSpy offer(&client, &SignalingClient::iceOffer);
    QSignalSpy answer(&client, &SignalingClient::iceAnswer);
    QSignalSpy candidate(&client, &SignalingClient::iceCandidate);
    QSignalSpy exchangeRequest(&client, &SignalingClient::sessionExchangeRequest);
    QSignalSpy confirmation(&client, &SignalingClient::exchangeConfirmation);
    QSignalSpy approved(&client, &SignalingClient::sessionApproved);
    QSignalSpy closed(&client, &SignalingClient::sessionClosed);

    say(R"({"type":"SESSION_HANDSHAKE_REQUEST","session_id":"s1","master_client_id":"m"})");
    say(R"({"type":"SESSION_AUTO_ACCEPT","session_id":"s2","master_client_id":"m","master_ecdh_public_key":"K","relay_token":"R"})");
    say(R"({"type":"SESSION_HANDSHAKE_ACK","session_id":"s3","state":"handshaking","target_ecdh_public_key":"T"})");
    say(R"({"type":"ICE_OFFER","session_id":"s","from_client_id":"f","sdp":"o"})");
    say(R"({"type":"ICE_ANSWER","session_id":"s","from_client_id":"f","sdp":"a"})");
    say(R"({"type":"ICE_CANDIDATE","session_id":"s","from_client_id":"f","candidate":"c","mid":"0"})");
    say(R"({"type":"SESSION_PAKE_REQUEST","session_id":"s5","master_client_id":"m","master_ecdh_public_key":"K","relay_token":"R","pake_share_password":"P","pake_share_code":"C"})");
    say(R"({"type":"SESSION_HANDSHAKE_ACK","session_id":"s6","target_ecdh_public_key":"T","pake_share_code":"S","pake_confirm_code":"V","device_key":"D","device_signature":"G","other":"o"})");
    say(R"({"type":"PAKE_CONFIRM","session_id":"s5","from_client_id":"m","secret":"code","confirmation":"X","device_key":"D","device_signature":"G"})");
    say(R"({"type":"PAKE_APPROVED","session_id":"s5","from_client_id":"t"})");
    say(R"({"type":"SESSION_CLOSED","session_id":"s5","reason":"declined"})");
    say(R"({"type":"PAKE_CONFIRM","session_id":"s5","confirmation":{"X":1}})");
    say(R"({"type":"SOMETHING_ELSE","x":1})");
    say(R"({"type":"ice_offer","sdp":"case matters"})");
    say(R"({"type":7})");
    say("not json at all");
    say("42");
    say(R"(["SESSION_AUTO_ACCEPT"])");
    // A field of another type is no empty string: the message is unreadable as a whole.
    say(R"({"type":"SESSION_HANDSHAKE_REQUEST","session_id":5,"master_client_id":"m"})");
    say(R"({"type":"SESSION_AUTO_ACCEPT","session_id":"s9","master_client_id":["m"]})");
    say(R"({"type":"ICE_CANDIDATE","session_id":"s","candidate":{"c":1},"mid":"0"})");
    say(R"({"type":"SESSION_HANDSHAKE_REQUEST","session_id":"s4","purpose":null})");
    ASSERT_TRUE(QTest::qWaitFor([&] { return any.count() == 14; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(any.count(), 14); // the non-JSON frame and the wrongly typed ones raised nothing

    ASSERT_EQ(request.count(), 2);
    EXPECT_EQ(request.at(0), (QVariantList{"s1", "m", ""})); // missing purpose reads as empty
    EXPECT_EQ(request.at(1), (QVariantList{"s4", "", ""}));  // and so does a null one
    EXPECT_TRUE(log.has(spdlog::level::warn, "Failed to parse signaling message: field 'type' is "
                                             "not a string"));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "Failed to parse signaling message: message is not a JSON object"));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "Failed to parse signaling message: field 'session_id' of "
                        "SESSION_HANDSHAKE_REQUEST is not a string"));
    EXPECT_TRUE(log.has(spdlog::level::warn,
                        "Failed to parse signaling message: field 'master_client_id' of "
                        "SESSION_AUTO_ACCEPT is not a string"));
    EXPECT_TRUE(log.has(spdlog::level::warn, "Failed to parse signaling message: field "
                                             "'candidate' of ICE_CANDIDATE is not a string"));
    ASSERT_EQ(accept.count(), 1);
    EXPECT_EQ(accept.at(0), (QVariantList{"s2", "m", "K", "R"}));
    ASSERT_EQ(ack.count(), 2);
    EXPECT_EQ(ack.at(0).mid(0, 3), (QVariantList{"s3", "handshaking", "T"}));
    EXPECT_EQ(ack.at(0).at(3).value<nlohmann::json>(), nlohmann::json::object());
    EXPECT_EQ(ack.at(1).mid(0, 3), (QVariantList{"s6", "", "T"}));
    EXPECT_EQ(ack.at(1).at(3).value<nlohmann::json>(), (nlohmann::json{{"pake_share_code", "S"},
                                                                       {"pake_confirm_code", "V"},
                                                                       {"device_key", "D"},
                                                                       {"device_signature", "G"}}));
    ASSERT_EQ(exchangeRequest.count(), 1);
    EXPECT_EQ(exchangeRequest.at(0), (QVariantList{"s5", "m", "K", "R", "P", "C"}));
    ASSERT_EQ(confirmation.count(), 1) << "the confirmation that is no string raised nothing";
    EXPECT_EQ(confirmation.at(0).mid(0, 4), (QVariantList{"s5", "m", "code", "X"}));
    EXPECT_EQ(confirmation.at(0).at(4).value<nlohmann::json>(),
              (nlohmann::json{{"device_key", "D"}, {"device_signature", "G"}}));
    EXPECT_EQ(approved.at(0), (QVariantList{"s5", "t"}));
    EXPECT_EQ(closed.at(0), (QVariantList{"s5", "declined"}));
    EXPECT_EQ(offer.count(), 1);
    EXPECT_EQ(offer.at(0), (QVariantList{"s", "f", "o"}));
    EXPECT_EQ(answer.at(0), (QVariantList{"s", "f", "a"}));
    EXPECT_EQ(candidate.at(0), (QVariantList{"s", "f", "c", "0"}));
    EXPECT_TRUE(client.isConnected());
}

} // namespace
} // namespace nimbral
