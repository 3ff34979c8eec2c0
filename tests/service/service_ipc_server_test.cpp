#include "service/service_ipc_server.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <thread>

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/signaling_client.h"
#include "service/agent_screen.h"
#include "service/agent_screen_sharer.h"
#include "service/service_ipc_client.h"
#include "wait_until.h"

namespace nimbral {
namespace {

using nlohmann::json;

// An agent as the client program will be one: a local socket speaking the framing.
class TestAgent {
public:
    explicit TestAgent(const QString& endpoint) {
        socket.connectToServer(endpoint);
        connected = socket.waitForConnected(3000);
        QObject::connect(&socket, &QLocalSocket::readyRead, [this] {
            const QByteArray bytes = socket.readAll();
            auto result = reader.append(bytes.constData(), bytes.size());
            for (auto& message : result.messages) {
                received.push_back(std::move(message));
            }
        });
    }

    void send(const json& message) {
        sendRaw(QByteArray::fromStdString(encodeIpcMessage(message)));
    }
    void sendRaw(const QByteArray& bytes) {
        socket.write(bytes);
        socket.flush();
    }
    // The next message of this type, taken out with everything before it.
    std::optional<json> next(
        const std::string& type, int timeoutMs = 5000,
        const std::function<bool(const json&)>& wanted = [](const json&) { return true; }) {
        std::optional<json> found;
        (void)QTest::qWaitFor(
            [&] {
                while (!received.empty()) {
                    json message = std::move(received.front());
                    received.pop_front();
                    if (message.value("type", "") == type && wanted(message)) {
                        found = std::move(message);
                        return true;
                    }
                }
                return false;
            },
            timeoutMs);
        return found;
    }
    bool closedByPeer(int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; },
                               timeoutMs);
    }

    QLocalSocket socket;
    IpcMessageReader reader{IpcMessageReader::kAgentLimit};
    std::deque<json> received;
    bool connected = false;
};

class ServiceIpcServerTest : public ::testing::Test {
protected:
    ServiceIpcServerTest()
        : settings(folder.filePath("settings.ini"))
        , api(QUrl("http://127.0.0.1:9"))
        , heartbeat(&api)
        , auth(&api, &signaling, &heartbeat, &settings)
        , session(api, signaling)
        , server(auth, session, settings) {
        server.setEndpoint(folder.filePath("run/NimbralService"));
        server.setFrameBufferName("/nimbral-test-ipc-" + std::to_string(getpid()));
    }
    void SetUp() override { ASSERT_TRUE(server.start()); }

    QTemporaryDir folder;
    SettingsController settings;
    ApiClient api;
    SignalingClient signaling;
    HeartbeatService heartbeat;
    AuthController auth;
    SessionManager session;
    ServiceIpcServer server;
};

TEST_F(ServiceIpcServerTest, AnAgentIsGreetedWithItsAuthenticationAndTheState) {
    QSignalSpy connectedSpy(&server, &ServiceIpcServer::agentConnected);
    TestAgent agent(server.endpoint());
    ASSERT_TRUE(agent.connected);
    const auto auth = agent.next("AUTH_STATUS");
    ASSERT_TRUE(auth.has_value());
    EXPECT_EQ((*auth)["success"], false);
    const auto state = agent.next("STATE");
    ASSERT_TRUE(state.has_value());
    for (const char* member :
         {"authenticated", "client_id", "session_password", "pairing_code", "session_state",
          "session_id", "remote_client_id", "transport_method", "session_role", "role",
          "clipboard_sharing", "display_mode", "capture_monitor"}) {
        EXPECT_TRUE(state->contains(member)) << member;
    }
    EXPECT_EQ((*state)["session_state"], "Idle");
    EXPECT_EQ((*state)["session_role"], "none");
    EXPECT_EQ((*state)["role"], "None");
    EXPECT_EQ(connectedSpy.count(), 1);

    // The socket's folder is the service's; the socket itself is for every local account, the
    // peer check decides who is served.
    struct stat info {};
    ASSERT_EQ(stat(folder.filePath("run").toUtf8().constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST_F(ServiceIpcServerTest, CommandsInOneReadSplitAcrossReadsAndAfterBrokenJson) {
    TestAgent agent(server.endpoint());
    ASSERT_TRUE(agent.next("STATE"));
    QSignalSpy commands(&server, &ServiceIpcServer::commandReceived);

    // Two in one write: both handled, in order.
    agent.sendRaw(QByteArray::fromStdString(encodeIpcMessage({{"type", "GET_STATE"}}) +
                                            encodeIpcMessage({{"type", "FOO"}})));
    ASSERT_TRUE(agent.next("STATE"));
    const auto error = agent.next("ERROR");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ((*error)["message"], "Unknown command: FOO");

    // One split over three writes.
    const QByteArray split =
        QByteArray::fromStdString(encodeIpcMessage({{"type", "SET_DISPLAY_MODE"}, {"mode", 0}}));
    settings.setDisplayMode(1);
    agent.sendRaw(split.left(2));
    QTest::qWait(50);
    agent.sendRaw(split.mid(2, 5));
    QTest::qWait(50);
    EXPECT_EQ(settings.displayMode(), 1) << "nothing before the message is whole";
    agent.sendRaw(split.mid(7));
    ASSERT_WAIT(settings.displayMode() == 0, 3000);

    // Broken JSON is skipped; the next message still counts.
    QByteArray broken("{\"type\":\"GET_");
    QByteArray frame;
    frame.append(char(broken.size())).append('\0').append('\0').append('\0').append(broken);
    agent.sendRaw(frame + QByteArray::fromStdString(encodeIpcMessage({{"type", "GET_STATE"}})));
    ASSERT_TRUE(agent.next("STATE"));
    // No "type", or not an object: logged and skipped.
    agent.send({{"kind", "GET_STATE"}});
    agent.send(json::array({1, 2}));
    agent.send({{"type", "GET_STATE"}});
    ASSERT_TRUE(agent.next("STATE"));
    EXPECT_EQ(commands.count(), 5) << "GET_STATE, FOO, SET_DISPLAY_MODE, GET_STATE, GET_STATE: "
                                      "not the broken and typeless ones";
}

TEST_F(ServiceIpcServerTest, MissingMembersTakeTheirDefaults) {
    TestAgent agent(server.endpoint());
    ASSERT_TRUE(agent.next("STATE"));

    agent.send({{"type", "CONNECT"}});
    auto error = agent.next("ERROR");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ((*error)["message"], "Missing target_id");
    agent.send({{"type", "CONNECT"}, {"target_id", 123456789}});
    error = agent.next("ERROR");
    ASSERT_TRUE(error.has_value()) << "a number is not an ID text";
    EXPECT_EQ(session.state(), SessionState::Idle);

    settings.setClipboardSharing(false);
    agent.send({{"type", "SET_CLIPBOARD_SHARING"}});
    ASSERT_WAIT(settings.clipboardSharing(), 3000);
    EXPECT_TRUE(session.clipboardSharingEnabled());

    agent.send({{"type", "SET_MONITOR"}, {"monitor_index", 2}});
    ASSERT_WAIT(settings.monitorIndex() == 2, 3000);
    EXPECT_EQ(session.monitorIndex(), 2u);
    agent.send({{"type", "SET_MONITOR"}, {"monitor_index", "1"}});
    ASSERT_WAIT(settings.monitorIndex() == 0, 3000) << "a text is no index: the default";

    // The password policy holds for the agent too.
    const QString before = auth.sessionPassword();
    for (const auto& [password, refusal] : std::vector<std::pair<std::string, std::string>>{
             {"", "Password must be at least 8 characters."},
             {"weakpass1", "Password must contain at least one uppercase letter."}}) {
        agent.send({{"type", "SET_PASSWORD"}, {"password", password}});
        error = agent.next("ERROR");
        ASSERT_TRUE(error.has_value()) << password;
        EXPECT_EQ((*error)["message"], refusal);
        EXPECT_EQ(auth.sessionPassword(), before);
    }
    agent.send({{"type", "SET_PASSWORD"}, {"password", "Agent-Pass7"}});
    ASSERT_WAIT(auth.sessionPassword() == "Agent-Pass7", 3000);

    // A session starts, and the agent hears of it.
    agent.send({{"type", "CONNECT"}, {"target_id", "123456789"}, {"password", "pw"}});
    ASSERT_WAIT(session.state() != SessionState::Idle, 3000);
    const auto state = agent.next(
        "STATE", 5000, [](const json& message) { return message["session_state"] != "Idle"; });
    ASSERT_TRUE(state.has_value());
    EXPECT_EQ((*state)["role"], "Master");
    EXPECT_EQ((*state)["session_role"], "master");
    EXPECT_EQ((*state)["remote_client_id"], "123456789");
    agent.send({{"type", "DISCONNECT"}});
    ASSERT_WAIT(session.state() == SessionState::Idle || session.state() == SessionState::Failed,
                5000);
}

TEST_F(ServiceIpcServerTest, AMessageAboveTheLimitEndsTheAgentAndTheServerListensAgain) {
    QSignalSpy gone(&server, &ServiceIpcServer::agentDisconnected);
    {
        TestAgent agent(server.endpoint());
        ASSERT_TRUE(agent.next("STATE"));
        const std::uint32_t length = IpcMessageReader::kServiceLimit + 1;
        QByteArray header;
        for (int shift = 0; shift < 32; shift += 8) {
            header.append(static_cast<char>((length >> shift) & 0xFF));
        }
        agent.sendRaw(header);
        EXPECT_TRUE(agent.closedByPeer());
        ASSERT_WAIT(gone.count() == 1, 3000);
    }
    TestAgent next(server.endpoint());
    ASSERT_TRUE(next.connected);
    EXPECT_TRUE(next.next("STATE").has_value()) << "a new agent is served";
}

TEST_F(ServiceIpcServerTest, TheStartUpProbeCountsAsAnAgentAndASecondAgentIsTurnedAway) {
    QSignalSpy arrived(&server, &ServiceIpcServer::agentConnected);
    QSignalSpy gone(&server, &ServiceIpcServer::agentDisconnected);
    {
        QLocalSocket probe;
        probe.connectToServer(server.endpoint());
        ASSERT_TRUE(probe.waitForConnected(3000));
        probe.abort();
    }
    ASSERT_WAIT(arrived.count() == 1 && gone.count() == 1, 3000);
    EXPECT_FALSE(server.isAgentConnected());

    TestAgent agent(server.endpoint());
    ASSERT_TRUE(agent.next("STATE"));
    TestAgent second(server.endpoint());
    EXPECT_TRUE(second.closedByPeer()) << "the line is taken";
    EXPECT_TRUE(server.isAgentConnected());
    agent.send({{"type", "GET_STATE"}});
    EXPECT_TRUE(agent.next("STATE").has_value()) << "the first agent is still served";
}

TEST_F(ServiceIpcServerTest, AUserWithoutASessionHereIsRefused) {
    std::vector<platform::LocalUserId> asked;
    server.setPeerCheck([&asked](platform::LocalUserId user) {
        asked.push_back(user);
        return false;
    });
    QSignalSpy refused(&server, &ServiceIpcServer::agentRefused);
    TestAgent agent(server.endpoint());
    EXPECT_TRUE(agent.closedByPeer());
    ASSERT_WAIT(refused.count() == 1, 3000);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], getuid()) << "the kernel's word for who connected";
    EXPECT_TRUE(agent.received.empty()) << "not a byte of state for a stranger";
    EXPECT_FALSE(server.isAgentConnected());
}

// The user in front changes: the agent of the one who left is dropped, not left to drive.
TEST_F(ServiceIpcServerTest, AnAgentThatNoLongerOwnsTheDesktopIsDropped) {
    bool ownsDesktop = true;
    server.setPeerCheck([&ownsDesktop](platform::LocalUserId) { return ownsDesktop; });
    TestAgent agent(server.endpoint());
    ASSERT_TRUE(agent.next("STATE"));
    server.recheckAgent();
    EXPECT_TRUE(server.isAgentConnected()) << "still the owner";
    ownsDesktop = false;
    server.recheckAgent();
    EXPECT_TRUE(agent.closedByPeer());
    EXPECT_FALSE(server.isAgentConnected());
}

// Each agent gets a section of its own: one that held a mapping of an earlier one sees none of
// the frames shown to the next agent.
TEST_F(ServiceIpcServerTest, AFormerAgentsMappingReceivesNoLaterFrame) {
    const std::string name = "/nimbral-test-ipc-" + std::to_string(getpid());
    auto frame = std::make_shared<DecodedFrame>();
    frame->width = 4;
    frame->height = 2;
    frame->yStride = 4;
    frame->uvStride = 4;
    frame->yPlane.assign(8, 0x11);
    frame->uvPlane.assign(4, 0x22);
    SharedFrameBuffer former;
    {
        TestAgent agent(server.endpoint());
        ASSERT_TRUE(agent.next("STATE"));
        emit session.frameDecoded(frame);
        ASSERT_TRUE(agent.next("FRAME"));
        ASSERT_TRUE(former.openForReading(name));
        SharedFrameBuffer::Frame read;
        ASSERT_EQ(former.readFrame(0, read), SharedFrameBuffer::ReadStatus::Ok);
        EXPECT_EQ(read.yPlane, frame->yPlane);
    }
    ASSERT_WAIT(!server.isAgentConnected(), 3000);

    TestAgent next(server.endpoint());
    ASSERT_TRUE(next.next("STATE"));
    frame->yPlane.assign(8, 0x77);
    emit session.frameDecoded(frame);
    ASSERT_TRUE(next.next("FRAME"));
    SharedFrameBuffer::Frame read;
    EXPECT_EQ(former.readFrame(1, read), SharedFrameBuffer::ReadStatus::NoNewFrame)
        << "the former mapping stays at the frame it saw: its section was replaced on leaving";
    SharedFrameBuffer current;
    ASSERT_TRUE(current.openForReading(name));
    ASSERT_EQ(current.readFrame(0, read), SharedFrameBuffer::ReadStatus::Ok);
    EXPECT_EQ(read.yPlane, frame->yPlane);
}

TEST_F(ServiceIpcServerTest, FramesGoToTheSharedBufferAndANoticeToTheAgent) {
    TestAgent agent(server.endpoint());
    ASSERT_TRUE(agent.next("STATE"));
    auto frame = std::make_shared<DecodedFrame>();
    frame->width = 5;
    frame->height = 3;
    frame->yStride = 5;
    frame->uvStride = 6;
    frame->timestamp = 1234;
    frame->yPlane.assign(15, 0x11);
    frame->uvPlane.assign(12, 0x22);
    frame->uvPlane.back() = 0x33; // in the last chroma row, which an odd height must keep
    emit session.frameDecoded(frame);
    const auto notice = agent.next("FRAME");
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ((*notice)["frame_id"], 1);
    EXPECT_EQ((*notice)["width"], 5);
    EXPECT_EQ((*notice)["height"], 3);
    EXPECT_EQ((*notice)["y_stride"], 5);
    EXPECT_EQ((*notice)["uv_stride"], 6);
    EXPECT_EQ((*notice)["offset"], 32);
    EXPECT_EQ((*notice)["timestamp_ms"], 1234);

    SharedFrameBuffer reader;
    ASSERT_TRUE(reader.openForReading("/nimbral-test-ipc-" + std::to_string(getpid())));
    SharedFrameBuffer::Frame read;
    ASSERT_EQ(reader.readFrame(0, read), SharedFrameBuffer::ReadStatus::Ok);
    EXPECT_EQ(read.yPlane, frame->yPlane);
    EXPECT_EQ(read.uvPlane, frame->uvPlane);

    // Short planes are padded, never over-read.
    auto shortFrame = std::make_shared<DecodedFrame>(*frame);
    shortFrame->uvPlane.resize(3);
    emit session.frameDecoded(shortFrame);
    ASSERT_TRUE(agent.next("FRAME"));
    ASSERT_EQ(reader.readFrame(1, read), SharedFrameBuffer::ReadStatus::Ok);
    EXPECT_EQ(read.uvPlane.size(), 12u);
    EXPECT_EQ(read.uvPlane[3], 0);
}

TEST(ServiceIpcInput, EventsSurviveTheTripAndAbsentMembersTakeTheirDefaults) {
    InputEvent event;
    event.type = 5;
    event.timestamp = 99;
    event.x = 0.25;
    event.y = 0.75;
    event.button = 3;
    event.wheelDelta = -240;
    event.keyCode = 0x41;
    event.scanCode = 0xE01D;
    event.extended = true;
    const InputEvent back = inputEventFromJson(inputEventToJson(event));
    EXPECT_EQ(back.type, 5);
    EXPECT_EQ(back.timestamp, 99u);
    EXPECT_DOUBLE_EQ(back.x, 0.25);
    EXPECT_DOUBLE_EQ(back.y, 0.75);
    EXPECT_EQ(back.button, 3);
    EXPECT_EQ(back.wheelDelta, -240);
    EXPECT_EQ(back.keyCode, 0x41u);
    EXPECT_EQ(back.scanCode, 0xE01Du);
    EXPECT_TRUE(back.extended);

    const InputEvent empty = inputEventFromJson(json::object());
    EXPECT_EQ(empty.type, 0);
    EXPECT_EQ(empty.button, 1) << "the left button when none is named";
    EXPECT_FALSE(empty.extended);
}

// The desktop the agent records: one 64x48 monitor whose colour the test changes; a picture
// comes only after a change, as from a damage-driven backend.
struct FakeDesk {
    std::atomic<std::uint32_t> colour{0x000000};
    std::atomic<int> backends{0};
    std::vector<InputEvent> injected;
};

class FakeDeskCapture final : public IScreenCaptureBackend {
public:
    explicit FakeDeskCapture(FakeDesk& desk)
        : m_desk(desk) {}
    bool initialize(std::int32_t index) override { return m_ready = index == 0; }
    void shutdown() override { m_ready = false; }
    std::unique_ptr<CapturedFrame> captureFrame() override {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::uint32_t colour = m_desk.colour;
        if (!m_ready || colour == m_shown) {
            return nullptr;
        }
        m_shown = colour;
        auto frame = std::make_unique<CapturedFrame>();
        frame->width = 64;
        frame->height = 48;
        frame->stride = 256;
        for (int i = 0; i < 64 * 48; ++i) {
            frame->data.insert(frame->data.end(), {std::uint8_t(colour), std::uint8_t(colour >> 8),
                                                   std::uint8_t(colour >> 16), 255});
        }
        return frame;
    }
    std::vector<MonitorInfo> enumerateMonitors() override {
        MonitorInfo monitor;
        monitor.name = "FAKE-1";
        monitor.width = 64;
        monitor.height = 48;
        monitor.isPrimary = true;
        return {monitor};
    }
    MonitorInfo currentMonitor() override { return enumerateMonitors()[0]; }
    bool isInitialized() const override { return m_ready; }

private:
    FakeDesk& m_desk;
    std::uint32_t m_shown = 0xFFFFFFFF;
    bool m_ready = false;
};

class FakeDeskInput final : public IInputBackend {
public:
    explicit FakeDeskInput(FakeDesk& desk)
        : m_desk(desk) {}
    bool initialize() override { return true; }
    void shutdown() override {}
    bool injectEvent(const InputEvent& event) override {
        m_desk.injected.push_back(event);
        return true;
    }
    void setMonitor(int) override {}

private:
    FakeDesk& m_desk;
};

std::unique_ptr<CapturedFrame> pictureOf(IScreenCaptureBackend& backend, std::uint32_t colour) {
    std::unique_ptr<CapturedFrame> found;
    (void)QTest::qWaitFor(
        [&] {
            std::unique_ptr<CapturedFrame> frame = backend.captureFrame();
            if (frame && frame->data.size() >= 4 &&
                static_cast<std::uint32_t>(frame->data[0] | frame->data[1] << 8 |
                                           frame->data[2] << 16) == colour) {
                found = std::move(frame);
            }
            return found != nullptr;
        },
        5000);
    return found;
}

TEST_F(ServiceIpcServerTest, TheAgentRecordsItsDesktopForTheServiceAndInjectsItsInput) {
    AgentScreen screen(server);
    FakeDesk desk;
    ServiceIpcClient client;
    AgentScreenSharer sharer(
        client, [&desk] { return std::make_unique<FakeDeskCapture>(desk); },
        [&desk] { return std::make_unique<FakeDeskInput>(desk); });
    ASSERT_TRUE(client.connectToService(server.endpoint()));
    ASSERT_WAIT(screen.offer().has_value(), 5000);
    const AgentScreenOffer offer = *screen.offer();
    ASSERT_EQ(offer.monitors.size(), 1u);
    EXPECT_EQ(offer.monitors[0].name, "FAKE-1");
    EXPECT_EQ(offer.owner, getuid());

    // Pictures only while the service asks, each change once, the first a key frame.
    std::unique_ptr<IScreenCaptureBackend> capture = screen.makeCaptureBackend();
    EXPECT_FALSE(capture->initialize(1)) << "the agent has one monitor";
    ASSERT_TRUE(capture->initialize(0));
    desk.colour = 0x102030;
    std::unique_ptr<CapturedFrame> frame = pictureOf(*capture, 0x102030);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->width, 64);
    EXPECT_EQ(frame->stride, 256);
    EXPECT_TRUE(frame->isKeyframe);
    desk.colour = 0x405060;
    frame = pictureOf(*capture, 0x405060);
    ASSERT_TRUE(frame);
    EXPECT_FALSE(frame->isKeyframe);
    EXPECT_EQ(capture->captureFrame(), nullptr) << "a still desktop gives nothing";
    EXPECT_TRUE(sharer.isRecording());

    // The Master's input reaches the agent's desktop.
    std::unique_ptr<IInputBackend> input = screen.makeInputBackend();
    ASSERT_TRUE(input->initialize());
    InputEvent click;
    click.type = static_cast<std::uint8_t>(InputEventType::MouseButtonPress);
    click.x = 0.5;
    ASSERT_TRUE(input->injectEvent(click));
    ASSERT_WAIT(desk.injected.size() == 1, 5000);
    EXPECT_EQ(desk.injected[0].type, click.type);
    EXPECT_DOUBLE_EQ(desk.injected[0].x, 0.5);

    // The service stops asking: the agent stops recording. The agent goes: so does the offer,
    // and a capture of it counts as lost.
    capture->shutdown();
    ASSERT_WAIT(!sharer.isRecording(), 5000);
    ASSERT_TRUE(capture->initialize(0));
    client.disconnectFromService();
    ASSERT_WAIT(!screen.offer().has_value(), 5000);
    EXPECT_EQ(capture->captureFrame(), nullptr);
    EXPECT_FALSE(capture->isInitialized());
    EXPECT_FALSE(input->injectEvent(click));
}

TEST(AgentScreenOffer, OnlyAWellFormedOfferOfASmallNumberOfMonitorsIsTaken) {
    const platform::LocalPeer agent{1000, 4242};
    const json monitor = {{"name", "Meta-0"}, {"x", 0},        {"y", 0},
                          {"width", 1280},    {"height", 720}, {"primary", true}};
    const std::optional<AgentScreenOffer> offer = AgentScreen::parseOffer(
        {{"type", "SCREEN_OFFER"}, {"descriptor", 7}, {"monitors", {monitor}}}, agent);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->sectionPath, "/proc/4242/fd/7");
    EXPECT_EQ(offer->owner, 1000u);
    EXPECT_EQ(offer->monitors[0].width, 1280);
    EXPECT_TRUE(offer->monitors[0].isPrimary);

    json tooMany = json::array();
    for (std::size_t i = 0; i <= AgentScreen::kMaxMonitors; ++i) {
        tooMany.push_back(monitor);
    }
    const auto with = [&monitor](const char* key, const json& value) {
        json changed = monitor;
        changed[key] = value;
        return json{{"descriptor", 7}, {"monitors", {changed}}};
    };
    const json refused[] = {
        {{"monitors", {monitor}}},
        {{"descriptor", -1}, {"monitors", {monitor}}},
        {{"descriptor", "7"}, {"monitors", {monitor}}},
        {{"descriptor", 7}, {"monitors", json::array()}},
        {{"descriptor", 7}, {"monitors", tooMany}},
        {{"descriptor", 7}, {"monitors", {1}}},
        with("width", 0),
        with("height", kMaxPictureSide + 1),
        with("width", 12.5),
        with("name", 5),
    };
    for (const json& message : refused) {
        EXPECT_FALSE(AgentScreen::parseOffer(message, agent)) << message.dump();
    }
    EXPECT_FALSE(AgentScreen::parseOffer({{"descriptor", 7}, {"monitors", {monitor}}},
                                         platform::LocalPeer{1000, -1}))
        << "an agent whose process is unknown";
}

} // namespace
} // namespace nimbral
