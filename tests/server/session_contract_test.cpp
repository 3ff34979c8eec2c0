#include <gtest/gtest.h>

#include "server_harness.h"

namespace nimbral::test {
namespace {

const QString kPassword = "Secret-Pass1";
const QString kPairingCode = "482915";

class SessionContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.output().toStdString();
        rest = std::make_unique<RestClient>(server.baseUrl());
        master = registerDevice(*rest);
        target = registerDevice(*rest, {}, {"verified_sessions"});
        ASSERT_TRUE(goOnline(master, server.baseUrl(), "master-pass", "111111"));
        ASSERT_TRUE(goOnline(target, server.baseUrl(), kPassword, kPairingCode));
    }

    HttpReply create(const QString& password, const QString& targetId = {}) {
        return rest->post("/sessions/create",
                          json{{"master_client_id", master.clientId.toStdString()},
                               {"target_client_id",
                                (targetId.isEmpty() ? target.clientId : targetId).toStdString()},
                               {"session_password", password.toStdString()},
                               {"purpose", "remote_desktop"},
                               {"master_ecdh_public_key", kMasterKey}},
                          master.token);
    }

    ServerProcess server;
    std::unique_ptr<RestClient> rest;
    Device master;
    Device target;
};

TEST_F(SessionContractTest, SessionPasswordIsAcceptedOnTheTargetsBehalf) {
    const HttpReply created = create(kPassword);
    ASSERT_EQ(created.status, 200) << created.raw.toStdString();
    const std::string sessionId = created.body["session_id"];
    EXPECT_FALSE(sessionId.empty());
    EXPECT_EQ(created.body["state"], "pending");
    EXPECT_EQ(created.body["master_client_id"], master.clientId.toStdString());
    EXPECT_EQ(created.body["target_client_id"], target.clientId.toStdString());

    const auto accept = target.signaling->next("SESSION_AUTO_ACCEPT");
    ASSERT_TRUE(accept);
    EXPECT_EQ((*accept)["session_id"], sessionId);
    EXPECT_EQ((*accept)["master_client_id"], master.clientId.toStdString());
    EXPECT_EQ((*accept)["master_ecdh_public_key"], kMasterKey);
}

TEST_F(SessionContractTest, PairingCodeAsksTheTargetsUser) {
    const HttpReply created = create(kPairingCode);
    ASSERT_EQ(created.status, 200);
    const auto request = target.signaling->next();
    ASSERT_TRUE(request);
    EXPECT_EQ((*request)["type"], "SESSION_HANDSHAKE_REQUEST");
    EXPECT_EQ((*request)["session_id"], created.body["session_id"]);
    EXPECT_EQ((*request)["master_client_id"], master.clientId.toStdString());
    EXPECT_EQ((*request)["purpose"], "remote_desktop");
    EXPECT_FALSE(request->contains("master_ecdh_public_key"));
}

TEST_F(SessionContractTest, RefusalsSayWhy) {
    const HttpReply unknown = create(kPassword, "199999999");
    EXPECT_EQ(unknown.status, 404);
    EXPECT_EQ(unknown.body, (json{{"detail", "Target not available"}}));

    const Device offline = registerDevice(*rest);
    const HttpReply away = create(kPassword, offline.clientId);
    EXPECT_EQ(away.status, 409);
    EXPECT_EQ(away.body, (json{{"detail", "Target is offline"}}));

    for (const QString& wrong : {QString("wrong"), QString(""), QString("master-pass")}) {
        const HttpReply refused = create(wrong);
        EXPECT_EQ(refused.status, 403);
        EXPECT_EQ(refused.body, (json{{"detail", "Invalid session password"}}));
    }
    EXPECT_TRUE(target.signaling->quietFor(200)) << "a refused session reached the target";

    // The master must be the caller itself.
    const HttpReply spoofed = rest->post("/sessions/create",
                                         json{{"master_client_id", target.clientId.toStdString()},
                                              {"target_client_id", target.clientId.toStdString()},
                                              {"session_password", kPassword.toStdString()}},
                                         master.token);
    EXPECT_EQ(spoofed.status, 403);
}

// A stranger's guesses slow and then stop the stranger, never the owner: the guessing is counted
// per Master and Target, and per Master (and address) across Targets.
TEST_F(SessionContractTest, AStrangersGuessesDoNotLockTheOwnerOut) {
    Device stranger = registerDevice(*rest);
    ASSERT_TRUE(goOnline(stranger, server.baseUrl(), "Stranger-Pass1", "333333"));
    const auto guess = [&](const QString& password) {
        return rest->post("/sessions/create",
                          json{{"master_client_id", stranger.clientId.toStdString()},
                               {"target_client_id", target.clientId.toStdString()},
                               {"session_password", password.toStdString()}},
                          stranger.token);
    };
    for (int i = 0; i < 3; ++i) {
        const HttpReply wrong = guess("guess" + QString::number(i));
        ASSERT_EQ(wrong.status, 403);
        EXPECT_EQ(wrong.body, (json{{"detail", "Invalid session password"}}));
    }
    // From now on the stranger waits, whatever it sends: the right password included.
    for (const QString& password : {QString("guess9"), kPassword}) {
        const HttpReply held = guess(password);
        EXPECT_EQ(held.status, 403);
        const std::string detail = held.body.value("detail", "");
        EXPECT_NE(detail.find("Too many wrong password attempts for this partner"),
                  std::string::npos)
            << detail;
    }
    EXPECT_TRUE(target.signaling->quietFor(200));

    // The owner's Master, with the right password, gets in at once.
    const HttpReply owner = create(kPassword);
    EXPECT_EQ(owner.status, 200) << owner.raw.toStdString();
    EXPECT_TRUE(target.signaling->next("SESSION_AUTO_ACCEPT"));
    // Its wrong guesses at one partner do not hold it back from another whose password it has.
    Device other = registerDevice(*rest);
    ASSERT_TRUE(goOnline(other, server.baseUrl(), "Other-Pass2", "222222"));
    EXPECT_EQ(rest->post("/sessions/create",
                         json{{"master_client_id", stranger.clientId.toStdString()},
                              {"target_client_id", other.clientId.toStdString()},
                              {"session_password", "Other-Pass2"}},
                         stranger.token)
                  .status,
              200);
}

TEST_F(SessionContractTest, HandshakeCompleteAndCloseWalkTheStates) {
    const HttpReply created = create(kPairingCode);
    ASSERT_EQ(created.status, 200);
    const QString sessionId = QString::fromStdString(created.body["session_id"]);
    const QString base = "/sessions/" + sessionId;

    const HttpReply byMaster = rest->post(
        base + "/handshake-ack", json{{"target_ecdh_public_key", kTargetKey}}, master.token);
    EXPECT_EQ(byMaster.status, 403);

    // Completing skips no step: not before the handshake, and not twice.
    const HttpReply early =
        rest->patch(base + "/complete", json{{"connection_method", "p2p"}}, master.token);
    EXPECT_EQ(early.status, 409);
    EXPECT_EQ(early.body["state"], "pending");

    const HttpReply ack = rest->post(base + "/handshake-ack",
                                     json{{"target_client_id", target.clientId.toStdString()},
                                          {"target_ecdh_public_key", kTargetKey},
                                          {"target_nat_type", "FULL_CONE"}},
                                     target.token);
    ASSERT_EQ(ack.status, 200) << ack.raw.toStdString();
    EXPECT_EQ(ack.body["state"], "handshaking");
    // The user-confirmed path learns the Master's key from this reply.
    EXPECT_EQ(ack.body["master_ecdh_public_key"], kMasterKey);

    const auto ackMessage = master.signaling->next("SESSION_HANDSHAKE_ACK");
    ASSERT_TRUE(ackMessage);
    EXPECT_EQ((*ackMessage)["session_id"], sessionId.toStdString());
    EXPECT_EQ((*ackMessage)["state"], "handshaking");
    EXPECT_EQ((*ackMessage)["target_ecdh_public_key"], kTargetKey);

    const HttpReply outsider = rest->patch(base + "/complete", json{{"connection_method", "p2p"}},
                                           registerDevice(*rest).token);
    EXPECT_EQ(outsider.status, 403);

    const HttpReply complete =
        rest->patch(base + "/complete", json{{"connection_method", "relay"}}, master.token);
    ASSERT_EQ(complete.status, 200);
    EXPECT_EQ(complete.body["state"], "connected");
    EXPECT_EQ(
        rest->patch(base + "/complete", json{{"connection_method", "p2p"}}, master.token).status,
        409);

    const HttpReply badClose =
        rest->patch(base + "/close", json{{"transferred_bytes", "many"}}, master.token);
    EXPECT_EQ(badClose.status, 422);

    const HttpReply close = rest->patch(
        base + "/close", json{{"transferred_bytes", 123456}, {"reason", "user"}}, master.token);
    ASSERT_EQ(close.status, 200);
    EXPECT_EQ(close.body["state"], "closed");
    const auto closed = target.signaling->next("SESSION_CLOSED");
    ASSERT_TRUE(closed);
    EXPECT_EQ((*closed)["session_id"], sessionId.toStdString());

    // Closed sessions are forgotten.
    EXPECT_EQ(
        rest->patch(base + "/complete", json{{"connection_method", "p2p"}}, master.token).status,
        404);
    EXPECT_EQ(rest->post(base + "/handshake-ack", json::object(), target.token).status, 404);
}

TEST_F(SessionContractTest, IceMessagesTravelOnlyBetweenTheTwoParties) {
    const HttpReply created = create(kPassword);
    ASSERT_EQ(created.status, 200);
    const std::string sessionId = created.body["session_id"];
    ASSERT_TRUE(target.signaling->next("SESSION_AUTO_ACCEPT"));

    const json offer = {{"type", "ICE_OFFER"},
                        {"session_id", sessionId},
                        {"target_client_id", target.clientId.toStdString()},
                        {"sdp", "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\n"},
                        {"extra", {{"kept", true}}}};
    master.signaling->send(offer);
    const auto delivered = target.signaling->next("ICE_OFFER");
    ASSERT_TRUE(delivered);
    json expected = offer;
    expected["from_client_id"] = master.clientId.toStdString();
    EXPECT_EQ(*delivered, expected);

    const json candidate = {{"type", "ICE_CANDIDATE"},
                            {"session_id", sessionId},
                            {"target_client_id", master.clientId.toStdString()},
                            {"candidate", "candidate:1 1 UDP 1 127.0.0.1 5000 typ host"},
                            {"mid", "0"}};
    target.signaling->send(candidate);
    const auto back = master.signaling->next("ICE_CANDIDATE");
    ASSERT_TRUE(back);
    EXPECT_EQ((*back)["from_client_id"], target.clientId.toStdString());
    EXPECT_EQ((*back)["candidate"], candidate["candidate"]);
    EXPECT_EQ((*back)["mid"], "0");

    // An outsider cannot inject into the session, and a party cannot aim outside it.
    Device outsider = registerDevice(*rest);
    ASSERT_TRUE(goOnline(outsider, server.baseUrl(), "x-pass", "333333"));
    json injected = offer;
    outsider.signaling->send(injected);
    EXPECT_TRUE(outsider.signaling->next("ERROR"));
    json aimedOut = offer;
    aimedOut["target_client_id"] = outsider.clientId.toStdString();
    master.signaling->send(aimedOut);
    EXPECT_TRUE(master.signaling->next("ERROR"));
    json unknownSession = offer;
    unknownSession["session_id"] = "no-such-session";
    master.signaling->send(unknownSession);
    EXPECT_TRUE(master.signaling->next("ERROR"));
    EXPECT_TRUE(target.signaling->quietFor(200));
    EXPECT_TRUE(outsider.signaling->quietFor(0));
}

// The devices' own password exchange: the server compares nothing, passes each message on as it
// came, and only between the session's two parties.
TEST_F(SessionContractTest, ThePasswordExchangeIsPassedOnAndNothingIsCompared) {
    const std::string share(88, 'A');
    const auto request = [&](const Device& from, const Device& to, const json& extra) {
        json body{{"master_client_id", from.clientId.toStdString()},
                  {"target_client_id", to.clientId.toStdString()},
                  {"purpose", "remote_desktop"},
                  {"master_ecdh_public_key", kMasterKey}};
        body.update(extra);
        return rest->post("/sessions/create", body, from.token);
    };
    struct Refusal {
        json extra;
        int status;
        const char* detail;
    };
    for (const Refusal& refusal : {
             Refusal{{{"pake_share_password", share},
                      {"session_password", kPassword.toStdString()}},
                     400,
                     "Send either session_password or the password exchange's shares"},
             Refusal{{{"pake_share_password", "not base64!"}},
                     400,
                     "Field 'pake_share_password' is not base64 of at most 128 characters"},
             Refusal{{{"pake_share_code", std::string(132, 'A')}},
                     400,
                     "Field 'pake_share_code' is not base64 of at most 128 characters"},
         }) {
        const HttpReply refused = request(master, target, refusal.extra);
        EXPECT_EQ(refused.status, refusal.status) << refusal.extra.dump();
        EXPECT_EQ(refused.body.value("detail", ""), refusal.detail);
    }
    // The fixture's Master never announced the exchange: it cannot be asked through it.
    const json shares{{"pake_share_password", share}, {"pake_share_code", std::string(88, 'a')}};
    const HttpReply old = request(target, master, shares);
    EXPECT_EQ(old.status, 409);
    EXPECT_EQ(old.body.value("detail", ""), "Target does not support verified sessions");
    EXPECT_TRUE(target.signaling->quietFor(100));

    const HttpReply created = request(master, target, shares);
    ASSERT_EQ(created.status, 200) << created.raw.toStdString();
    const std::string sessionId = created.body["session_id"];
    const auto asked = target.signaling->next("SESSION_PAKE_REQUEST");
    ASSERT_TRUE(asked);
    EXPECT_EQ((*asked)["session_id"], sessionId);
    EXPECT_EQ((*asked)["master_client_id"], master.clientId.toStdString());
    EXPECT_EQ((*asked)["master_ecdh_public_key"], kMasterKey);
    EXPECT_EQ((*asked)["pake_share_password"], share);
    EXPECT_EQ((*asked)["pake_share_code"], shares["pake_share_code"]);

    const json answer{{"pake_share_password", std::string(88, 'B')},
                      {"pake_confirm_password", std::string(44, 'C')},
                      {"pake_share_code", std::string(88, 'D')},
                      {"pake_confirm_code", std::string(44, 'E')},
                      {"device_key", std::string(44, 'F')},
                      {"device_signature", std::string(88, 'G')}};
    json ackBody{{"target_ecdh_public_key", kTargetKey}};
    ackBody.update(answer);
    ASSERT_EQ(rest->post("/sessions/" + QString::fromStdString(sessionId) + "/handshake-ack",
                         ackBody, target.token)
                  .status,
              200);
    const auto acked = master.signaling->next("SESSION_HANDSHAKE_ACK");
    ASSERT_TRUE(acked);
    for (const auto& [name, value] : answer.items()) {
        EXPECT_EQ((*acked)[name], value) << name;
    }

    const json confirm{{"type", "PAKE_CONFIRM"},
                       {"session_id", sessionId},
                       {"target_client_id", target.clientId.toStdString()},
                       {"secret", "password"},
                       {"confirmation", std::string(44, 'H')}};
    master.signaling->send(confirm);
    const auto confirmed = target.signaling->next("PAKE_CONFIRM");
    ASSERT_TRUE(confirmed);
    EXPECT_EQ((*confirmed)["confirmation"], confirm["confirmation"]);
    EXPECT_EQ((*confirmed)["from_client_id"], master.clientId.toStdString());
    Device outsider = registerDevice(*rest);
    ASSERT_TRUE(goOnline(outsider, server.baseUrl(), "x-pass", "333333"));
    outsider.signaling->send(confirm);
    EXPECT_TRUE(outsider.signaling->next("ERROR"));
    EXPECT_TRUE(target.signaling->quietFor(200));
}

} // namespace
} // namespace nimbral::test
