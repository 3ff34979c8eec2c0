#pragma once

#include <memory>

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "device_stack.h"
#include "session/chat_service.h"
#include "wait_until.h"

namespace nimbral::test {

// Two devices online at one real server, the Target accepting password sessions by itself.
inline constexpr const char* kPassword = "Valid-Pass1";

class SessionPairTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_server = new ServerProcess;
        ASSERT_TRUE(s_server->start()) << s_server->output().toStdString();
    }
    static void TearDownTestSuite() {
        delete s_server;
        s_server = nullptr;
    }

    void SetUp() override { makeDevices(); }

    void makeDevices(int p2pTimeoutMs = 3000, bool blockP2P = false) {
        bringDevicesOnline(p2pTimeoutMs, blockP2P);
        // The Target accepts password sessions by itself, as the main window does.
        QObject::connect(&target->signaling, &nimbral::SignalingClient::sessionAutoAccept,
                         &target->session, &SessionManager::acceptSession);
    }

    void bringDevicesOnline(int p2pTimeoutMs = 3000, bool blockP2P = false) {
        master.reset();
        target.reset();
        master = std::make_unique<DeviceStack>(*s_server, QString(), p2pTimeoutMs);
        target = std::make_unique<DeviceStack>(*s_server, kPassword, p2pTimeoutMs);
        master->blockP2P = blockP2P;
        target->blockP2P = blockP2P;
        ASSERT_TRUE(target->bringOnline());
        ASSERT_TRUE(master->bringOnline());
    }

    // Fresh devices that can only meet through the relay node at `port` (a test's own).
    void makeDevicesBehindRelay(quint16 port) {
        makeDevices(300, /*blockP2P=*/true);
        master->session.setRelayEndpoint(QStringLiteral("127.0.0.1"), port);
        target->session.setRelayEndpoint(QStringLiteral("127.0.0.1"), port);
    }

    // The Target's user confirms every pairing-code request: a verified one, and one the server
    // checked (which hands no key over).
    void confirmRequestsAtTheTarget() {
        QObject::connect(&target->session, &SessionManager::approvalRequested, &target->session,
                         &SessionManager::approveSession);
        QObject::connect(&target->signaling, &nimbral::SignalingClient::sessionHandshakeRequest,
                         &target->session,
                         [this](const QString& sessionId, const QString& masterId, const QString&) {
                             target->session.acceptSession(sessionId, masterId, QString());
                         });
    }

    // The Target logs in again announcing only what a version before verified sessions knew.
    void makeTargetAnOlderVersion() {
        target->api.setCapabilities({"relay_token"});
        ASSERT_TRUE(target->bringOnline());
    }

    // Master initiates with the password; both ends reach Connected.
    void connectPair() {
        master->session.initiateSession(target->clientId(), kPassword);
        ASSERT_WAIT(master->session.state() == SessionState::Connected &&
                        target->session.state() == SessionState::Connected,
                    15000);
    }

    // Sends a chat line Target -> Master and waits for it: everything the Target sent on the
    // ordered control channel before it has arrived by then.
    void barrier(const QString& text = QStringLiteral("barrier")) {
        QSignalSpy arrived(master->session.chatService(), &ChatService::messageReceived);
        target->session.chatService()->sendMessage(text);
        ASSERT_TRUE(arrived.wait(5000));
    }

    static inline ServerProcess* s_server = nullptr;
    std::unique_ptr<DeviceStack> master;
    std::unique_ptr<DeviceStack> target;
};

} // namespace nimbral::test
