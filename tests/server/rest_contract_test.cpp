#include <QRegularExpression>

#include <gtest/gtest.h>

#include "server_harness.h"

namespace nimbral::test {
namespace {

class RestContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.output().toStdString();
        rest = std::make_unique<RestClient>(server.baseUrl());
    }

    ServerProcess server;
    std::unique_ptr<RestClient> rest;
};

TEST_F(RestContractTest, RegisterThenLoginWithTheIssuedSecret) {
    const Device device = registerDevice(*rest);
    EXPECT_TRUE(QRegularExpression("^[1-9][0-9]{8}$").match(device.clientId).hasMatch())
        << device.clientId.toStdString();
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{64}$").match(device.secret).hasMatch());
    EXPECT_GE(device.token.size(), 40);

    const HttpReply login =
        rest->post("/auth/auto-login", json{{"client_id", device.clientId.toStdString()},
                                            {"device_secret", device.secret.toStdString()}});
    ASSERT_EQ(login.status, 200);
    EXPECT_EQ(login.body["client_id"], device.clientId.toStdString());
    EXPECT_TRUE(login.body["token"].is_string());
    EXPECT_NE(login.body["token"], device.token.toStdString());

    for (const json& wrong :
         {json{{"client_id", device.clientId.toStdString()}, {"device_secret", "0000"}},
          json{{"client_id", "123456789"}, {"device_secret", device.secret.toStdString()}},
          json{{"client_id", device.clientId.toStdString()}, {"device_secret", ""}},
          json::object()}) {
        const HttpReply refused = rest->post("/auth/auto-login", wrong);
        EXPECT_EQ(refused.status, 401) << wrong.dump();
        EXPECT_EQ(refused.body, (json{{"detail", "Invalid device credentials"}}));
    }
}

// A fingerprint is a hint, never a credential: only proof of the current secret keeps an ID.
TEST_F(RestContractTest, OnlyProofOfTheSecretKeepsAnIdAcrossRegistrations) {
    const QString machine = fingerprintOf("machine-a");
    const Device first = registerDevice(*rest, machine);
    const Device clone = registerDevice(*rest, machine); // a machine cloned from one image
    const Device anonymous1 = registerDevice(*rest);
    const Device anonymous2 = registerDevice(*rest);
    EXPECT_NE(clone.clientId, first.clientId);
    EXPECT_NE(anonymous1.clientId, anonymous2.clientId);

    const auto login = [this](const QString& id, const QString& secret) {
        return rest
            ->post("/auth/auto-login",
                   json{{"client_id", id.toStdString()}, {"device_secret", secret.toStdString()}})
            .status;
    };
    EXPECT_EQ(login(first.clientId, first.secret), 200);
    EXPECT_EQ(login(clone.clientId, clone.secret), 200);

    // With its current secret a device registers again under its ID, with a new secret.
    const auto reregister = [this, &machine](const QString& id, const QString& secret) {
        return rest->post("/auth/auto-register",
                          json{{"client_name", "reinstalled"},
                               {"machine_fingerprint", machine.toStdString()},
                               {"client_id", id.toStdString()},
                               {"device_secret", secret.toStdString()}});
    };
    const HttpReply renewed = reregister(first.clientId, first.secret);
    ASSERT_EQ(renewed.status, 200);
    EXPECT_EQ(renewed.body["client_id"], first.clientId.toStdString());
    const QString newSecret = QString::fromStdString(renewed.body["device_secret"]);
    EXPECT_NE(newSecret, first.secret);
    EXPECT_EQ(login(first.clientId, first.secret), 401); // replaced by its owner
    EXPECT_EQ(login(first.clientId, newSecret), 200);
    // A wrong proof is no proof: a new ID, and the owner keeps its own.
    const HttpReply guessed = reregister(first.clientId, QString(64, 'a'));
    ASSERT_EQ(guessed.status, 200);
    EXPECT_NE(guessed.body["client_id"], first.clientId.toStdString());
    EXPECT_EQ(login(first.clientId, newSecret), 200);
}

TEST_F(RestContractTest, DevicesSurviveARestartButTokensDoNot) {
    const Device device = registerDevice(*rest, fingerprintOf("machine-restart"));
    ASSERT_FALSE(device.clientId.isEmpty());
    ASSERT_TRUE(server.restart()) << server.output().toStdString();
    RestClient restarted(server.baseUrl());

    EXPECT_EQ(restarted
                  .post("/auth/auto-login", json{{"client_id", device.clientId.toStdString()},
                                                 {"device_secret", device.secret.toStdString()}})
                  .status,
              200);
    const HttpReply stale = restarted.post(
        "/clients/heartbeat", json{{"client_id", device.clientId.toStdString()}}, device.token);
    EXPECT_EQ(stale.status, 401);
    EXPECT_EQ(stale.body, (json{{"detail", "Not authenticated"}}));
    EXPECT_NE(registerDevice(restarted, fingerprintOf("machine-restart")).clientId,
              device.clientId);
}

TEST_F(RestContractTest, AuthorisedCallsNeedTheDevicesOwnToken) {
    const Device device = registerDevice(*rest);
    const Device other = registerDevice(*rest);
    const json heartbeat = {{"client_id", device.clientId.toStdString()},
                            {"local_ip", "192.0.2.10"},
                            {"public_ip", "198.51.100.7"},
                            {"nat_type", "FULL_CONE"},
                            {"agent_version", "1.32"}};

    EXPECT_EQ(rest->post("/clients/heartbeat", heartbeat).status, 401);
    EXPECT_EQ(rest->post("/clients/heartbeat", heartbeat, "not-a-token").status, 401);
    EXPECT_EQ(rest->send("POST", "/clients/heartbeat", QByteArray::fromStdString(heartbeat.dump()),
                         QString())
                  .body,
              (json{{"detail", "Not authenticated"}}));
    const HttpReply foreign = rest->post("/clients/heartbeat", heartbeat, other.token);
    EXPECT_EQ(foreign.status, 403);
    EXPECT_TRUE(foreign.body["detail"].is_string());

    const HttpReply ok = rest->post("/clients/heartbeat", heartbeat, device.token);
    EXPECT_EQ(ok.status, 200);
    EXPECT_TRUE(ok.body.is_object());
}

TEST_F(RestContractTest, BadRequestsGetADetailAndTheServerGoesOn) {
    const Device device = registerDevice(*rest);
    struct Case {
        QByteArray verb;
        QString path;
        QByteArray body;
        int status;
    };
    const Case cases[] = {
        {"POST", "/auth/auto-login", "{not json", 400},
        {"POST", "/auth/auto-login", "", 400},
        {"POST", "/auth/auto-login", "[1,2,3]", 400},
        {"POST", "/auth/auto-login", "\"text\"", 400},
        {"POST", "/auth/auto-login", "{\"client_id\":5,\"device_secret\":\"x\"}", 422},
        {"POST", "/auth/auto-register", "{\"machine_fingerprint\":{\"a\":1}}", 422},
        {"POST", "/auth/auto-login", QByteArray(2000, '[') + QByteArray(2000, ']'), 400},
        {"POST", "/auth/auto-login", "{\"pad\":\"" + QByteArray(64 * 1024 + 10, 'x') + "\"}", 413},
        {"POST", "/no/such/path", "{}", 404},
        {"GET", "/auth/auto-login", "", 405},
        {"PATCH", "/sessions/create", "{}", 405},
        {"DELETE", "/clients/heartbeat", "{}", 405},
        {"POST", "/sessions/abc/complete", "{}", 405},
    };
    for (const Case& c : cases) {
        const HttpReply reply = rest->send(c.verb, c.path, c.body, device.token);
        EXPECT_EQ(reply.status, c.status) << c.verb.toStdString() << " " << c.path.toStdString()
                                          << " " << c.body.left(40).toStdString();
        EXPECT_TRUE(reply.body.is_object() && reply.body["detail"].is_string())
            << reply.raw.left(200).toStdString();
    }
    EXPECT_EQ(rest->post("/sessions/create", json{{"master_client_id", 7}}, device.token).status,
              422);
    EXPECT_TRUE(server.isRunning());
    EXPECT_EQ(rest->send("GET", "/health", {}, {}).status, 200);
}

} // namespace
} // namespace nimbral::test
