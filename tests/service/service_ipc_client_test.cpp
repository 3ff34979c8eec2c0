#include "service/service_ipc_client.h"

#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "qstring_printer.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using nlohmann::json;

// A stand-in service: a local socket that sends what the test says and records what it gets.
class FakeService {
public:
    explicit FakeService(const QString& path) {
        QLocalServer::removeServer(path);
        listening = server.listen(path);
        QObject::connect(&server, &QLocalServer::newConnection, [this] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QLocalSocket::readyRead, [this] {
                const QByteArray bytes = peer->readAll();
                for (auto& message : reader.append(bytes.constData(), bytes.size()).messages) {
                    received.push_back(std::move(message));
                }
            });
        });
    }
    void send(const json& message) {
        sendRaw(QByteArray::fromStdString(encodeIpcMessage(message)));
    }
    void sendRaw(const QByteArray& bytes) {
        ASSERT_NE(peer, nullptr);
        peer->write(bytes);
        peer->flush();
    }

    QLocalServer server;
    QLocalSocket* peer = nullptr;
    IpcMessageReader reader{IpcMessageReader::kServiceLimit};
    std::vector<json> received;
    bool listening = false;
};

class ServiceIpcClientTest : public ::testing::Test {
protected:
    ServiceIpcClientTest()
        : service(folder.filePath("NimbralService")) {
        agent.setFrameBufferName(frameName);
    }
    void SetUp() override {
        ASSERT_TRUE(service.listening);
        ASSERT_TRUE(agent.connectToService(folder.filePath("NimbralService")));
        ASSERT_WAIT(service.peer != nullptr, 3000);
    }
    void TearDown() override { shm_unlink(frameName.c_str()); }

    QTemporaryDir folder;
    FakeService service;
    ServiceIpcClient agent;
    std::string frameName = "/nimbral-test-agent-" + std::to_string(getpid());
};

TEST_F(ServiceIpcClientTest, StateIsMirroredAndOnlyChangesAreSignalled) {
    QSignalSpy states(&agent, &ServiceIpcClient::stateChanged);
    QSignalSpy codes(&agent, &ServiceIpcClient::pairingCodeChanged);
    QSignalSpy identities(&agent, &ServiceIpcClient::authenticated);
    const json state = {{"type", "STATE"},           {"session_state", "Connecting"},
                        {"role", "Master"},          {"client_id", "123456789"},
                        {"session_password", "pw1"}, {"pairing_code", "111222"}};
    service.send(state);
    ASSERT_WAIT(states.count() == 1, 3000);
    EXPECT_EQ(agent.state(), SessionState::Connecting);
    EXPECT_EQ(agent.role(), ServiceIpcClient::Role::Master);
    EXPECT_EQ(agent.clientId(), "123456789");
    EXPECT_TRUE(agent.isAuthenticated());
    EXPECT_EQ(agent.sessionPassword(), "pw1");
    EXPECT_EQ(codes.count(), 1);
    EXPECT_EQ(identities.count(), 1);

    // The same state again: nothing to tell.
    service.send(state);
    json changed = state;
    changed["pairing_code"] = "333444";
    service.send(changed);
    ASSERT_WAIT(codes.count() == 2, 3000);
    EXPECT_EQ(states.count(), 1);
    EXPECT_EQ(identities.count(), 1);
    EXPECT_EQ(agent.pairingCode(), "333444");

    service.send({{"type", "STATE"}, {"session_state", "Sideways"}, {"role", "Boss"}});
    ASSERT_WAIT(states.count() == 2, 3000);
    EXPECT_EQ(agent.state(), SessionState::Idle) << "an unknown name counts as Idle";
    EXPECT_EQ(agent.role(), ServiceIpcClient::Role::None);
}

TEST_F(ServiceIpcClientTest, AuthenticationChatStatsAndErrorsBecomeSignals) {
    QSignalSpy ok(&agent, &ServiceIpcClient::authenticated);
    QSignalSpy failed(&agent, &ServiceIpcClient::authenticationFailed);
    QSignalSpy chat(&agent, &ServiceIpcClient::chatMessageReceived);
    QSignalSpy stats(&agent, &ServiceIpcClient::statsUpdated);
    QSignalSpy errors(&agent, &ServiceIpcClient::sessionError);
    service.send({{"type", "AUTH_STATUS"}, {"success", false}});
    service.send({{"type", "AUTH_STATUS"},
                  {"success", true},
                  {"client_id", "987654321"},
                  {"session_password", "Pw-12345"}});
    service.send({{"type", "CHAT_MSG"},
                  {"from", "123456789"},
                  {"text", "hello"},
                  {"timestamp", "2026-12-07T09:05:00.000Z"}});
    service.send({{"type", "CHAT_MSG"}, {"text", "no time"}});
    service.send({{"type", "STATS"}, {"fps", 23.5}, {"total_bytes_sent", 4096}});
    service.send({{"type", "ERROR"}, {"message", "Missing target_id"}});
    service.send({{"type", "ERROR"}});
    ASSERT_WAIT(errors.count() == 2, 3000);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), "Unknown authentication error");
    ASSERT_EQ(ok.count(), 1);
    EXPECT_EQ(agent.clientId(), "987654321");
    ASSERT_EQ(chat.count(), 2);
    EXPECT_EQ(chat.at(0).at(0).toString(), "123456789");
    EXPECT_EQ(chat.at(0).at(2).toDateTime(), QDateTime(QDate(2026, 12, 7), QTime(9, 5), Qt::UTC));
    EXPECT_TRUE(chat.at(1).at(2).toDateTime().isValid()) << "now, when the time is missing";
    ASSERT_EQ(stats.count(), 1);
    const auto figures = stats.at(0).at(0).value<ConnectionStats>();
    EXPECT_DOUBLE_EQ(figures.fps, 23.5);
    EXPECT_EQ(figures.totalBytesSent, 4096);
    EXPECT_EQ(figures.droppedFrames, 0);
    EXPECT_EQ(errors.at(1).at(0).toString(), "Unknown error");
}

TEST_F(ServiceIpcClientTest, FramesAreReadFromTheSectionOnlyWhenNewer) {
    SharedFrameBuffer section;
    ASSERT_TRUE(section.create(frameName, 4096));
    std::vector<std::uint8_t> pixels(4 * 3 + 4 * 2, 0x55);
    ASSERT_TRUE(section.writeFrame(4, 3, 4, 4, pixels.data(), pixels.size()));
    QSignalSpy frames(&agent, &ServiceIpcClient::frameDecoded);
    const json notice = {{"type", "FRAME"}, {"frame_id", 1},  {"width", 4},   {"height", 3},
                         {"y_stride", 4},   {"uv_stride", 4}, {"offset", 32}, {"timestamp_ms", 77}};
    service.send(notice);
    ASSERT_WAIT(frames.count() == 1, 3000);
    const auto frame = frames.at(0).at(0).value<std::shared_ptr<DecodedFrame>>();
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width, 4);
    EXPECT_EQ(frame->height, 3);
    EXPECT_EQ(frame->uvPlane.size(), 8u) << "two chroma rows for three luma rows";
    EXPECT_EQ(frame->timestamp, 77);

    // The same notice again, and an older one: dropped without a look at the section.
    section.close();
    shm_unlink(frameName.c_str());
    service.send(notice);
    json older = notice;
    older["frame_id"] = 0;
    service.send(older);
    // A marker: once it is seen, everything before it was handled.
    service.send({{"type", "STATE"}, {"pairing_code", "marker"}});
    ASSERT_WAIT(agent.pairingCode() == "marker", 3000);
    EXPECT_EQ(frames.count(), 1);
    EXPECT_EQ(agent.lastFrameId(), 1u);
}

TEST_F(ServiceIpcClientTest, CommandsGoOutInTheFraming) {
    agent.connectToPartner("123456789", "Secret-1");
    agent.sendChatMessage("hi");
    InputEvent key;
    key.type = 5;
    key.keyCode = 0x41;
    agent.sendInputEvent(key);
    agent.setClipboardSharing(false);
    agent.endSession();
    ASSERT_WAIT(service.received.size() == 5, 3000);
    EXPECT_EQ(service.received[0],
              (json{{"type", "CONNECT"}, {"target_id", "123456789"}, {"password", "Secret-1"}}));
    EXPECT_EQ(service.received[1]["text"], "hi");
    EXPECT_EQ(service.received[2]["event"]["vk_code"], 0x41);
    EXPECT_EQ(service.received[3]["enabled"], false);
    EXPECT_EQ(service.received[4], (json{{"type", "DISCONNECT"}, {"reason", "user_disconnect"}}));
}

TEST_F(ServiceIpcClientTest, AnOversizedMessageDisconnectsOnceAndResetsTheMirror) {
    service.send({{"type", "STATE"}, {"session_state", "Connected"}, {"role", "Target"}});
    ASSERT_WAIT(agent.state() == SessionState::Connected, 3000);
    QSignalSpy gone(&agent, &ServiceIpcClient::disconnected);
    const std::uint32_t length = IpcMessageReader::kAgentLimit + 1;
    QByteArray header;
    for (int shift = 0; shift < 32; shift += 8) {
        header.append(static_cast<char>((length >> shift) & 0xFF));
    }
    service.sendRaw(header);
    ASSERT_WAIT(gone.count() == 1, 3000);
    QTest::qWait(100);
    EXPECT_EQ(gone.count(), 1) << "once";
    EXPECT_FALSE(agent.isConnected());
    EXPECT_EQ(agent.state(), SessionState::Idle);
    EXPECT_EQ(agent.role(), ServiceIpcClient::Role::None);
    EXPECT_FALSE(agent.isAuthenticated());
}

TEST(ServiceIpcClientAlone, WithoutAServiceThereIsNothingToConnectTo) {
    QTemporaryDir folder;
    ServiceIpcClient agent;
    QSignalSpy connected(&agent, &ServiceIpcClient::connected);
    EXPECT_FALSE(agent.connectToService(folder.filePath("nobody-here"), 500));
    EXPECT_EQ(connected.count(), 0);
    agent.requestState(); // nothing to send it to; must not crash
}

} // namespace
} // namespace nimbral
