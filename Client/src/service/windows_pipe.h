#pragma once

#include <string>

#include <windows.h>

namespace nimbral::windows {

// The service's end of "\\.\pipe\NimbralService": one duplex byte-stream instance at a time,
// open to the local system account and one user (the interactive user of the agent's session)
// and to nobody else, whose connection wait is overlapped so that the service thread only polls
// it. Reads take exactly what a peek reports and so never block; a write blocks until
// the pipe has taken the whole message. Not thread-safe: the service thread drives it.
class PipeServer {
public:
    static constexpr DWORD kBufferSize = 65536;

    // allowedUserSid: the one user (a SID string) besides the system account who may connect.
    PipeServer(std::wstring name, std::wstring allowedUserSid);
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // Creates the instance and starts waiting for an agent. False (logged) when no pipe could be
    // made; an agent that connected at once is reported by the next poll.
    bool listen();

    enum class Event { None, AgentConnected, AgentDisconnected };
    // One poll: completes a pending connection, then appends every byte the agent has sent to
    // `received`. A broken pipe disconnects the agent and listens again.
    Event poll(std::string& received);
    // One whole message; false (and the agent disconnected) when the pipe broke.
    bool send(const std::string& bytes);
    // Drops the agent, if any, and listens again at once.
    void disconnectAgent();
    void close();

    bool hasPipe() const { return m_pipe != INVALID_HANDLE_VALUE; }
    HANDLE handle() const { return m_pipe; }
    bool agentConnected() const { return m_connected; }

private:
    std::wstring m_name;
    std::wstring m_allowedUserSid;
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
    HANDLE m_connectEvent = nullptr;
    OVERLAPPED m_overlapped{};
    bool m_connected = false;
    bool m_pending = false;
    bool m_connectedAtListen = false;
};

// The agent's end: the pipe opened as an existing file. Same read and write rules.
class PipeClient {
public:
    PipeClient() = default;
    ~PipeClient();
    PipeClient(const PipeClient&) = delete;
    PipeClient& operator=(const PipeClient&) = delete;

    bool open(const std::wstring& name);
    bool isOpen() const { return m_pipe != INVALID_HANDLE_VALUE; }
    // Appends what the service has sent so far; false (and closed) when the pipe broke.
    bool readAvailable(std::string& received);
    bool send(const std::string& bytes);
    void close();

private:
    HANDLE m_pipe = INVALID_HANDLE_VALUE;
};

// Whether the service's pipe exists and takes a connection now: opened and closed at once, no
// data exchanged (the client's start-up probe).
bool pipeAnswers(const std::wstring& name);

} // namespace nimbral::windows
