#include "network/api_client.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "http_recorder.h"
#include "log_capture.h"
#include "server_harness.h"

namespace nimbral {
namespace {

using nlohmann::json;
using test::HttpRecorder;

// Bodies are compared as bytes: compact JSON with sorted member names, as the server sees them.
class ApiClientWireTest : public ::testing::Test {
protected:
    void SetUp() override { QCoreApplication::setApplicationVersion("1.32"); }

    // Lets the client log in against the recorder so the authorised calls carry a token.
    void logIn() {
        recorder.enqueueReply(200, R"({"client_id":"123456789","token":"tok-1"})");
        QSignalSpy success(&api, &ApiClient::authSuccess);
        api.autoLogin("123456789", "secret");
        ASSERT_TRUE(success.wait(5000));
    }

    const HttpRecorder::Request& lastRequest() { return recorder.requests().back(); }

    bool waitForRequests(std::size_t count) {
        return QTest::qWaitFor([&] { return recorder.requests().size() >= count; }, 5000);
    }

    HttpRecorder recorder;
    ApiClient api{QUrl(recorder.url() + "/api/v1?x=1")};
};

TEST_F(ApiClientWireTest, LoginAndRegisterBodies) {
    api.autoLogin("123456789", "s3cr3t");
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(lastRequest().method, "POST");
    EXPECT_EQ(lastRequest().path, "/auth/auto-login"); // the base URL's own path is not kept
    EXPECT_EQ(lastRequest().header("Content-Type"), "application/json");
    EXPECT_EQ(lastRequest().header("Authorization"), "");
    EXPECT_EQ(lastRequest().body,
              R"({"capabilities":["relay_token","verified_sessions"],"client_id":"123456789",)"
              R"("device_secret":"s3cr3t"})");

    api.autoRegister("host-ü", "1.32", "");
    ASSERT_TRUE(waitForRequests(2));
    EXPECT_EQ(lastRequest().path, "/auth/auto-register");
    EXPECT_EQ(lastRequest().body,
              QByteArray(R"({"agent_version":"1.32","capabilities":)"
                         R"(["relay_token","verified_sessions"],"client_name":"host-ü"})"));

    api.autoRegister("", "", "");
    ASSERT_TRUE(waitForRequests(3));
    EXPECT_EQ(lastRequest().body, R"({"capabilities":["relay_token","verified_sessions"]})");

    // The proof of a current secret travels only as a pair; a host name is cut to 64 characters.
    api.autoRegister(QString(70, 'h'), "1.32", "abc", "123456789", "");
    ASSERT_TRUE(waitForRequests(4));
    EXPECT_EQ(
        lastRequest().body,
        R"({"agent_version":"1.32","capabilities":["relay_token","verified_sessions"],"client_name":")" +
            QByteArray(64, 'h') + R"(","machine_fingerprint":"abc"})");
    api.autoRegister("pc", "1.32", "abc", "123456789", "s3cr3t");
    ASSERT_TRUE(waitForRequests(5));
    EXPECT_EQ(
        lastRequest().body,
        R"({"agent_version":"1.32","capabilities":["relay_token","verified_sessions"],"client_id":"123456789",)"
        R"("client_name":"pc","device_secret":"s3cr3t","machine_fingerprint":"abc"})");
}

TEST_F(ApiClientWireTest, HeartbeatBeforeLoginHasEmptyIdAndNoToken) {
    api.sendHeartbeat("", "", "");
    ASSERT_TRUE(waitForRequests(1));
    EXPECT_EQ(lastRequest().path, "/clients/heartbeat");
    EXPECT_EQ(lastRequest().header("Authorization"), "");
    EXPECT_EQ(lastRequest().body, R"({"agent_version":"1.32","client_id":""})");
}

TEST_F(ApiClientWireTest, AuthorisedCallsCarryTheTokenAndOnlyNonEmptyOptionalFields) {
    logIn();
    const std::size_t before = recorder.requests().size();

    api.sendHeartbeat("192.168.1.5", "", "Open");
    api.createSession("987654321", "", "remote_desktop", "KEY");
    api.handshakeAck("sess-1", "TKEY", "", "");
    api.completeSession("sess-1", "p2p", "");
    api.completeSession("sess-1", "relay", "relay-7");
    api.closeSession("sess-1", "", 0);
    api.closeSession("sess-1", "user", -5);
    // A password exchange's fields go along as they are, in place of the password.
    api.createSession("987654321", "", "remote_desktop", "KEY",
                      {{"pake_share_password", "P"}, {"pake_share_code", "C"}});
    api.handshakeAck("sess-2", "TKEY", "", "", {{"pake_confirm_code", "c"}});
    ASSERT_TRUE(waitForRequests(before + 9));

    const auto& r = recorder.requests();
    for (std::size_t i = before; i < r.size(); ++i) {
        EXPECT_EQ(r[i].header("Authorization"), "Bearer tok-1") << r[i].path.toStdString();
    }
    // Requests may finish in any order; find each by its body.
    std::vector<std::pair<QByteArray, QByteArray>> seen;
    for (std::size_t i = before; i < r.size(); ++i) {
        seen.emplace_back(r[i].method + " " + r[i].path, r[i].body);
    }
    const std::vector<std::pair<QByteArray, QByteArray>> expected = {
        {"POST /clients/heartbeat",
         R"({"agent_version":"1.32","client_id":"123456789","local_ip":"192.168.1.5","nat_type":"Open"})"},
        {"POST /sessions/create",
         R"({"capabilities":["relay_token","verified_sessions"],"master_client_id":"123456789","master_ecdh_public_key":"KEY","purpose":"remote_desktop","target_client_id":"987654321"})"},
        {"POST /sessions/sess-1/handshake-ack",
         R"({"target_client_id":"123456789","target_ecdh_public_key":"TKEY"})"},
        {"PATCH /sessions/sess-1/complete", R"({"connection_method":"p2p"})"},
        {"PATCH /sessions/sess-1/complete",
         R"({"connection_method":"relay","relay_node_id":"relay-7"})"},
        {"PATCH /sessions/sess-1/close", R"({"transferred_bytes":0})"},
        {"PATCH /sessions/sess-1/close", R"({"reason":"user","transferred_bytes":-5})"},
        {"POST /sessions/create",
         R"({"capabilities":["relay_token","verified_sessions"],"master_client_id":"123456789","master_ecdh_public_key":"KEY","pake_share_code":"C","pake_share_password":"P","purpose":"remote_desktop","target_client_id":"987654321"})"},
        {"POST /sessions/sess-2/handshake-ack",
         R"({"pake_confirm_code":"c","target_client_id":"123456789","target_ecdh_public_key":"TKEY"})"},
    };
    for (const auto& item : expected) {
        EXPECT_NE(std::find(seen.begin(), seen.end(), item), seen.end())
            << item.first.toStdString() << " " << item.second.toStdString();
    }
}

TEST_F(ApiClientWireTest, RepliesBecomeSignalsWithTheirFallbackTexts) {
    QSignalSpy authError(&api, &ApiClient::authError);
    recorder.enqueueReply(401, R"({"detail":"Invalid device credentials"})");
    api.autoLogin("1", "2");
    ASSERT_TRUE(authError.wait(5000));
    EXPECT_EQ(authError.takeFirst().at(0).toString(), "Invalid device credentials");

    recorder.enqueueReply(500, "not json");
    api.autoLogin("1", "2");
    ASSERT_TRUE(authError.wait(5000));
    EXPECT_EQ(authError.takeFirst().at(0).toString(), "Auto-login failed");

    // 200 without a token is a failure too; a non-string detail reads as missing.
    recorder.enqueueReply(200, R"({"client_id":"1","detail":5})");
    api.autoLogin("1", "2");
    ASSERT_TRUE(authError.wait(5000));
    EXPECT_EQ(authError.takeFirst().at(0).toString(), "Auto-login failed");

    recorder.enqueueReply(200, R"({"client_id":"1","token":"t"})");
    api.autoRegister("a", "b", "c");
    ASSERT_TRUE(authError.wait(5000));
    EXPECT_EQ(authError.takeFirst().at(0).toString(), "Auto-registration failed");
    EXPECT_EQ(api.token(), ""); // nothing was stored by the failures

    QSignalSpy requestError(&api, &ApiClient::requestError);
    QSignalSpy created(&api, &ApiClient::sessionCreated);
    recorder.enqueueReply(201, R"({"session_id":"x"})");
    api.createSession("2", "", "", "");
    ASSERT_TRUE(requestError.wait(5000));
    EXPECT_EQ(requestError.at(0).at(0).toString(), "/sessions/create");
    EXPECT_EQ(requestError.at(0).at(1).toInt(), 201);
    EXPECT_EQ(requestError.at(0).at(2).toString(), "Session creation failed");
    EXPECT_EQ(created.count(), 0);

    recorder.enqueueReply(409, R"({"detail":"Target is offline"})");
    api.handshakeAck("s", "", "", "");
    ASSERT_TRUE(requestError.wait(5000));
    EXPECT_EQ(requestError.at(1).at(0).toString(), "/sessions/.../handshake-ack");
    EXPECT_EQ(requestError.at(1).at(2).toString(), "Target is offline");

    recorder.enqueueReply(404, "");
    api.completeSession("s", "p2p", "");
    ASSERT_TRUE(requestError.wait(5000));
    EXPECT_EQ(requestError.at(2).at(0).toString(), "/sessions/.../complete");
    EXPECT_EQ(requestError.at(2).at(2).toString(), "Session complete failed");

    recorder.enqueueReply(403, "[]");
    api.closeSession("s", "", 1);
    ASSERT_TRUE(requestError.wait(5000));
    EXPECT_EQ(requestError.at(3).at(0).toString(), "/sessions/.../close");
    EXPECT_EQ(requestError.at(3).at(2).toString(), "Session close failed");

    QSignalSpy updated(&api, &ApiClient::sessionUpdated);
    recorder.enqueueReply(200, R"({"state":"closed"})");
    api.closeSession("s", "", 1);
    ASSERT_TRUE(updated.wait(5000));
    EXPECT_EQ(updated.at(0).at(0).value<json>()["state"], "closed");
}

TEST_F(ApiClientWireTest, AHungServerEndsInTheOrdinaryFailurePath) {
    recorder.setAnswering(false);
    api.setTransferTimeout(300);
    test::LogCapture log;
    QSignalSpy authError(&api, &ApiClient::authError);
    QSignalSpy requestError(&api, &ApiClient::requestError);
    api.autoLogin("123456789", "secret");
    api.createSession("2", "", "", "");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return authError.count() == 1 && requestError.count() == 1; }, 5000));
    EXPECT_EQ(authError.at(0).at(0).toString(), "Auto-login failed");
    EXPECT_EQ(requestError.at(0).at(1).toInt(), 0);
    EXPECT_TRUE(log.hasPrefix(spdlog::level::err, "Network error on POST " +
                                                      recorder.url().toStdString() +
                                                      "/auth/auto-login: "));
}

TEST(ApiClientDefault, TransferTimeoutIsFifteenSeconds) {
    EXPECT_EQ(ApiClient::kTransferTimeoutMs, 15000);
}

// The same client against the real server.
TEST(ApiClientServer, RegisterLoginHeartbeatAndARefusedSession) {
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    ApiClient api{QUrl(server.baseUrl())};

    QSignalSpy registered(&api, &ApiClient::autoRegisterSuccess);
    api.autoRegister("test-pc", "1.32", test::fingerprintOf("api-client"));
    ASSERT_TRUE(registered.wait(5000));
    const QString clientId = registered.at(0).at(0).toString();
    const QString secret = registered.at(0).at(1).toString();
    EXPECT_EQ(api.clientId(), clientId);
    EXPECT_EQ(api.token(), registered.at(0).at(2).toString());

    QSignalSpy loggedIn(&api, &ApiClient::authSuccess);
    api.autoLogin(clientId, secret);
    ASSERT_TRUE(loggedIn.wait(5000));
    EXPECT_EQ(api.token(), loggedIn.at(0).at(1).toString());

    QSignalSpy heartbeat(&api, &ApiClient::heartbeatSent);
    api.sendHeartbeat("10.1.2.3", "", "Unknown");
    EXPECT_TRUE(heartbeat.wait(5000));

    QSignalSpy requestError(&api, &ApiClient::requestError);
    api.createSession("199999999", "pw", "remote_desktop", "");
    ASSERT_TRUE(requestError.wait(5000));
    EXPECT_EQ(requestError.at(0).at(1).toInt(), 404);
    EXPECT_EQ(requestError.at(0).at(2).toString(), "Target not available");

    QSignalSpy authError(&api, &ApiClient::authError);
    api.autoLogin(clientId, "wrong");
    ASSERT_TRUE(authError.wait(5000));
    EXPECT_EQ(authError.at(0).at(0).toString(), "Invalid device credentials");
}

} // namespace
} // namespace nimbral
