#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "log_capture.h"
#include "service/ipc_framing.h"
#include "service/windows_access.h"
#include "service/windows_pipe.h"
#include "windows_test_support.h"

namespace nimbral {
namespace {

using nlohmann::json;
using test::LogCapture;
using windows::PipeClient;
using windows::PipeServer;

std::wstring pipeName(DWORD server = ::GetCurrentProcessId()) {
    return L"\\\\.\\pipe\\NimbralTest-" + std::to_wstring(server);
}

std::string lengthField(std::uint32_t length) {
    std::string field;
    for (int shift = 0; shift < 32; shift += 8) {
        field.push_back(static_cast<char>((length >> shift) & 0xFF));
    }
    return field;
}

// The agent, in a second process. Exit codes: 0 all went as planned; 1 no pipe; 2 a write
// failed; 3 the service's messages did not arrive whole; 4 the service kept a peer that sent
// too long a message.
NIMBRAL_CHILD_ROLE(pipeAgent) {
    char server[32] = {};
    ::GetEnvironmentVariableA("NIMBRAL_TEST_SERVER", server, sizeof server);
    PipeClient pipe;
    for (int attempt = 0; attempt < 500 && !pipe.open(pipeName(std::stoul(server))); ++attempt) {
        ::Sleep(10);
    }
    if (!pipe.isOpen()) {
        return 1;
    }
    // Two messages in one write, then one message in two writes with a pause between.
    const std::string split = encodeIpcMessage({{"type", "SET_DISPLAY_MODE"}, {"mode", 1}});
    if (!pipe.send(encodeIpcMessage({{"type", "GET_STATE"}}) +
                   encodeIpcMessage({{"type", "CHAT_SEND"}, {"text", "Grüße"}})) ||
        !pipe.send(split.substr(0, 7))) {
        return 2;
    }
    ::Sleep(100);
    if (!pipe.send(split.substr(7))) {
        return 2;
    }
    // The service answers with a small message and one larger than the pipe's buffer.
    IpcMessageReader reader(IpcMessageReader::kAgentLimit);
    std::vector<json> messages;
    const DWORD end = ::GetTickCount() + 10000;
    while (messages.size() < 2 && ::GetTickCount() < end) {
        std::string bytes;
        if (!pipe.readAvailable(bytes)) {
            return 3;
        }
        for (json& message : reader.append(bytes.data(), bytes.size()).messages) {
            messages.push_back(std::move(message));
        }
        ::Sleep(1);
    }
    if (messages.size() != 2 || messages[0].value("type", "") != "STATE" ||
        messages[1].value("text", "").size() != 300000) {
        return 3;
    }
    // One byte over the service's limit: the service must let this agent go.
    if (!pipe.send(lengthField(IpcMessageReader::kServiceLimit + 1) + "{}")) {
        return 2;
    }
    for (const DWORD until = ::GetTickCount() + 5000; ::GetTickCount() < until; ::Sleep(5)) {
        std::string bytes;
        if (!pipe.readAvailable(bytes)) {
            return 0; // the pipe broke: the service disconnected
        }
    }
    return 4;
}

// The service's side of one poll loop: events, and messages through the service's reader.
struct ServiceSide {
    PipeServer server{pipeName(), windows::processUserSid()};
    IpcMessageReader reader{IpcMessageReader::kServiceLimit};
    std::vector<json> messages;
    int connects = 0;
    int disconnects = 0;
    bool refusedTooLarge = false;

    void pollOnce() {
        std::string bytes;
        switch (server.poll(bytes)) {
        case PipeServer::Event::AgentConnected:
            ++connects;
            break;
        case PipeServer::Event::AgentDisconnected:
            ++disconnects;
            break;
        case PipeServer::Event::None:
            break;
        }
        if (bytes.empty()) {
            return;
        }
        IpcMessageReader::Result result = reader.append(bytes.data(), bytes.size());
        for (json& message : result.messages) {
            messages.push_back(std::move(message));
        }
        if (result.tooLarge) {
            refusedTooLarge = true;
            reader.reset();
            server.disconnectAgent();
        }
    }
    bool pollUntil(const std::function<bool()>& done, DWORD milliseconds) {
        for (const DWORD end = ::GetTickCount() + milliseconds; !done(); ::Sleep(5)) {
            if (::GetTickCount() > end) {
                return false;
            }
            pollOnce();
        }
        return true;
    }
};

TEST(WindowsPipe, FramedMessagesBothWaysBetweenTwoProcessesAndTheLimit) {
    LogCapture log;
    ServiceSide service;
    ASSERT_TRUE(service.server.listen());
    ::SetEnvironmentVariableA("NIMBRAL_TEST_SERVER",
                              std::to_string(::GetCurrentProcessId()).c_str());
    HANDLE agent = test::startChild("pipeAgent");
    ASSERT_NE(agent, nullptr);

    ASSERT_TRUE(service.pollUntil([&] { return service.messages.size() >= 3; }, 10000));
    EXPECT_EQ(service.connects, 1);
    EXPECT_TRUE(log.has(spdlog::level::info, "Agent connected to pipe"));
    EXPECT_EQ(service.messages[0], json({{"type", "GET_STATE"}}));
    EXPECT_EQ(service.messages[1], json({{"type", "CHAT_SEND"}, {"text", "Grüße"}}));
    EXPECT_EQ(service.messages[2], json({{"type", "SET_DISPLAY_MODE"}, {"mode", 1}}));
    EXPECT_FALSE(windows::pipeAnswers(pipeName())) << "one instance, and it is taken";

    EXPECT_TRUE(service.server.send(encodeIpcMessage({{"type", "STATE"}})));
    // Larger than the pipe's buffer: the write returns once the agent has read it all.
    EXPECT_TRUE(service.server.send(
        encodeIpcMessage({{"type", "CHAT_MSG"}, {"text", std::string(300000, 'x')}})));

    ASSERT_TRUE(service.pollUntil([&] { return service.refusedTooLarge; }, 10000));
    EXPECT_TRUE(log.has(spdlog::level::info, "Agent disconnected"));
    ASSERT_EQ(::WaitForSingleObject(agent, 10000), WAIT_OBJECT_0);
    DWORD exitCode = 99;
    ::GetExitCodeProcess(agent, &exitCode);
    ::CloseHandle(agent);
    EXPECT_EQ(exitCode, 0u);

    // Listening again: the client's start-up probe connects and leaves at once.
    log.clear();
    EXPECT_TRUE(windows::pipeAnswers(pipeName()));
    ASSERT_TRUE(service.pollUntil([&] { return service.connects == 2; }, 3000));
    ASSERT_TRUE(service.pollUntil([&] { return !service.server.agentConnected(); }, 3000));
    EXPECT_TRUE(log.has(spdlog::level::info, "Agent disconnected (broken pipe)"));
    EXPECT_TRUE(service.server.hasPipe());
}

TEST(WindowsPipe, AMessageToNoAgentGoesNowhereAndASecondServerCannotTakeTheName) {
    LogCapture log;
    PipeServer first(pipeName(), windows::processUserSid());
    ASSERT_TRUE(first.listen());
    EXPECT_FALSE(first.send(encodeIpcMessage({{"type", "STATE"}})));
    std::string bytes;
    EXPECT_EQ(first.poll(bytes), PipeServer::Event::None);
    PipeServer second(pipeName(), windows::processUserSid());
    EXPECT_FALSE(second.listen());
    EXPECT_TRUE(log.hasPrefix(spdlog::level::err, "CreateNamedPipeW failed (error "));
    first.close();
    EXPECT_FALSE(windows::pipeAnswers(pipeName()));
}

} // namespace
} // namespace nimbral
