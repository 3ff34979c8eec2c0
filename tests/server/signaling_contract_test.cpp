#include <csignal>

#include <QProcess>

#include <gtest/gtest.h>

#include "server_harness.h"

namespace nimbral::test {
namespace {

class SignalingContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.start()) << server.output().toStdString();
        rest = std::make_unique<RestClient>(server.baseUrl());
        device = registerDevice(*rest);
    }

    QUrl urlFor(const QString& clientId) const {
        QUrl url(server.baseUrl());
        url.setScheme("ws");
        url.setPath("/ws/clients/" + clientId);
        return url;
    }

    bool isOnline() { return rest->send("GET", "/health", {}, {}).body.value("online", -1) > 0; }

    ServerProcess server;
    std::unique_ptr<RestClient> rest;
    Device device;
};

TEST_F(SignalingContractTest, ValidTokenIsConfirmedAndOthersAreRefused) {
    SignalingClient good;
    ASSERT_TRUE(good.open(urlFor(device.clientId)));
    good.send({{"type", "AUTH"}, {"token", device.token.toStdString()}});
    EXPECT_TRUE(good.next("AUTH_OK"));
    EXPECT_TRUE(isOnline());

    // Another device's token on this device's path.
    const Device other = registerDevice(*rest);
    SignalingClient wrongOwner;
    ASSERT_TRUE(wrongOwner.open(urlFor(device.clientId)));
    wrongOwner.send({{"type", "AUTH"}, {"token", other.token.toStdString()}});
    EXPECT_TRUE(wrongOwner.next("AUTH_FAIL"));
    EXPECT_TRUE(wrongOwner.waitClosed());

    for (const QString& first :
         {QString("not json"), QString("{\"type\":\"SET_PASSWORD\",\"password\":\"x\"}"),
          QString("{\"type\":\"AUTH\",\"token\":42}"), QString("[]")}) {
        SignalingClient early;
        ASSERT_TRUE(early.open(urlFor(device.clientId)));
        early.sendText(first);
        EXPECT_TRUE(early.next("AUTH_FAIL")) << first.toStdString();
        EXPECT_TRUE(early.waitClosed()) << first.toStdString();
    }
    EXPECT_TRUE(good.isOpen()); // the refusals touched nobody else
}

TEST_F(SignalingContractTest, UnknownPathsAreClosed) {
    for (const QString& path :
         {QString("/ws/clients/12345"), QString("/ws/other"), QString("/ws/clients/012345678")}) {
        QUrl url(server.baseUrl());
        url.setScheme("ws");
        url.setPath(path);
        SignalingClient client;
        if (client.open(url)) {
            EXPECT_TRUE(client.waitClosed()) << path.toStdString();
        }
    }
    EXPECT_TRUE(server.isRunning());
}

TEST_F(SignalingContractTest, BadMessagesAfterAuthAreAnsweredAndTheSocketStays) {
    ASSERT_TRUE(goOnline(device, server.baseUrl(), "pw", "123456"));
    SignalingClient& client = *device.signaling;

    client.sendText("{broken");
    EXPECT_TRUE(client.next("ERROR"));
    client.sendText("[1,2]");
    EXPECT_TRUE(client.next("ERROR"));
    client.send({{"no_type", 1}});
    EXPECT_TRUE(client.next("ERROR"));
    client.send({{"type", "SOMETHING_NEW"}});
    const auto unknown = client.next("ERROR");
    ASSERT_TRUE(unknown);
    EXPECT_NE((*unknown)["detail"].get<std::string>().find("SOMETHING_NEW"), std::string::npos);
    client.send({{"type", "SET_PASSWORD"}, {"password", 5}});
    EXPECT_TRUE(client.next("ERROR"));
    client.sendText(QString(50000, '[') + QString(50000, ']'));
    EXPECT_TRUE(client.next("ERROR"));
    client.socket().sendBinaryMessage("binary");
    EXPECT_TRUE(client.next("ERROR"));

    client.send({{"type", "PING"}});
    EXPECT_TRUE(client.next("PONG"));
    EXPECT_TRUE(client.isOpen());
}

TEST_F(SignalingContractTest, OversizedFrameClosesOnlyThatSocket) {
    ASSERT_TRUE(goOnline(device, server.baseUrl(), "pw", "123456"));
    Device other = registerDevice(*rest);
    ASSERT_TRUE(goOnline(other, server.baseUrl(), "pw2", "654321"));

    device.signaling->sendText(QString(2 * 1024 * 1024, 'x'));
    EXPECT_TRUE(device.signaling->waitClosed());

    other.signaling->send({{"type", "PING"}});
    EXPECT_TRUE(other.signaling->next("PONG"));
}

TEST_F(SignalingContractTest, ANewerSocketReplacesTheOlderOne) {
    ASSERT_TRUE(goOnline(device, server.baseUrl(), "pw", "123456"));
    auto older = std::move(device.signaling);
    ASSERT_TRUE(goOnline(device, server.baseUrl(), "pw", "123456"));
    EXPECT_TRUE(older->waitClosed());
    EXPECT_TRUE(device.signaling->isOpen());
    EXPECT_TRUE(isOnline()); // the old socket's close did not take the device offline

    device.signaling.reset();
    EXPECT_TRUE(waitUntil([this] { return !isOnline(); }, 5000));
}

TEST_F(SignalingContractTest, TheServerComesBackAfterBeingKilled) {
    // A server that is killed mid-flight restarts on the same database and serves again.
    ASSERT_TRUE(goOnline(device, server.baseUrl(), "pw", "123456"));
    ::kill(static_cast<pid_t>(server.pid()), SIGKILL);
    EXPECT_TRUE(device.signaling->waitClosed());
    ASSERT_TRUE(server.start()) << server.output().toStdString();
    RestClient restarted(server.baseUrl());
    const HttpReply login =
        restarted.post("/auth/auto-login", json{{"client_id", device.clientId.toStdString()},
                                                {"device_secret", device.secret.toStdString()}});
    ASSERT_EQ(login.status, 200);
    device.token = QString::fromStdString(login.body["token"]);
    EXPECT_TRUE(goOnline(device, server.baseUrl(), "pw", "123456"));
}

} // namespace
} // namespace nimbral::test
