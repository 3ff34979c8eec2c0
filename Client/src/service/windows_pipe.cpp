#include "service/windows_pipe.h"

#include <algorithm>

#include <spdlog/spdlog.h>

#include "service/windows_access.h"

namespace nimbral::windows {

namespace {

bool brokenPipe(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA ||
           error == ERROR_PIPE_NOT_CONNECTED;
}

// Writes all of `bytes`; the system error of the failure, or ERROR_SUCCESS.
DWORD writeAll(HANDLE pipe, const std::string& bytes, OVERLAPPED* overlapped) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        BOOL ok = ::WriteFile(pipe, bytes.data() + done, chunk, &written, overlapped);
        if (!ok && overlapped != nullptr && ::GetLastError() == ERROR_IO_PENDING) {
            ok = ::GetOverlappedResult(pipe, overlapped, &written, TRUE);
        }
        if (!ok) {
            return ::GetLastError();
        }
        done += written;
    }
    return ERROR_SUCCESS;
}

// Reads exactly what a peek reports; false with the error when the peek or read failed.
bool readPeeked(HANDLE pipe, std::string& received, OVERLAPPED* overlapped, DWORD& error,
                bool& failedInRead) {
    DWORD available = 0;
    failedInRead = false;
    if (!::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
        error = ::GetLastError();
        return false;
    }
    if (available == 0) {
        return true;
    }
    const std::size_t start = received.size();
    received.resize(start + available);
    DWORD read = 0;
    BOOL ok = ::ReadFile(pipe, received.data() + start, available, &read, overlapped);
    if (!ok && overlapped != nullptr && ::GetLastError() == ERROR_IO_PENDING) {
        ok = ::GetOverlappedResult(pipe, overlapped, &read, TRUE);
    }
    if (!ok) {
        error = ::GetLastError();
        received.resize(start);
        failedInRead = true;
        return false;
    }
    received.resize(start + read);
    return true;
}

} // namespace

PipeServer::PipeServer(std::wstring name, std::wstring allowedUserSid)
    : m_name(std::move(name))
    , m_allowedUserSid(std::move(allowedUserSid)) {
}

PipeServer::~PipeServer() {
    close();
}

bool PipeServer::listen() {
    if (m_pipe != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_pipe);
        m_pipe = INVALID_HANDLE_VALUE;
    }
    if (m_connectEvent == nullptr) {
        m_connectEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ::ResetEvent(m_connectEvent);
    m_overlapped = OVERLAPPED{};
    m_overlapped.hEvent = m_connectEvent;
    m_pending = false;
    m_connectedAtListen = false;

    // Any other local account could otherwise connect, read the session password and drive
    // sessions.
    windows::SystemAndUserAccess access(m_allowedUserSid, L"GRGW");
    if (!access.valid()) {
        return false;
    }
    m_pipe = ::CreateNamedPipeW(m_name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, kBufferSize,
                                kBufferSize, 0, access.attributes());
    if (m_pipe == INVALID_HANDLE_VALUE) {
        spdlog::error("CreateNamedPipeW failed (error {})", ::GetLastError());
        return false;
    }
    if (::ConnectNamedPipe(m_pipe, &m_overlapped)) {
        spdlog::info("Agent connected immediately");
        m_connectedAtListen = true;
        return true;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_PENDING) {
        m_pending = true;
    } else if (error == ERROR_PIPE_CONNECTED) {
        spdlog::info("Agent already connected");
        m_connectedAtListen = true;
    } else {
        spdlog::error("ConnectNamedPipe failed (error {})", error);
    }
    return true;
}

PipeServer::Event PipeServer::poll(std::string& received) {
    if (m_pipe == INVALID_HANDLE_VALUE) {
        return Event::None;
    }
    // A connection is reported on its own; its bytes, or its end (a probe that only opened
    // and closed the pipe), come with the next poll.
    if (m_connectedAtListen) {
        m_connectedAtListen = false;
        m_connected = true;
        return Event::AgentConnected;
    }
    if (m_pending) {
        DWORD ignored = 0;
        if (::GetOverlappedResult(m_pipe, &m_overlapped, &ignored, FALSE)) {
            m_pending = false;
            m_connected = true;
            spdlog::info("Agent connected to pipe");
            return Event::AgentConnected;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_INCOMPLETE) {
            spdlog::error("GetOverlappedResult (connect) failed (error {})", error);
            m_pending = false;
            listen();
        }
        return Event::None;
    }
    if (!m_connected) {
        return Event::None;
    }
    DWORD error = ERROR_SUCCESS;
    bool failedInRead = false;
    ::ResetEvent(m_connectEvent);
    if (readPeeked(m_pipe, received, &m_overlapped, error, failedInRead)) {
        return Event::None;
    }
    if (brokenPipe(error)) {
        spdlog::info(failedInRead ? "Agent disconnected during read"
                                  : "Agent disconnected (broken pipe)");
        disconnectAgent();
        return Event::AgentDisconnected;
    }
    if (failedInRead) {
        spdlog::warn("ReadFile failed (error {})", error);
    } else {
        spdlog::warn("PeekNamedPipe failed (error {})", error);
    }
    return Event::None;
}

bool PipeServer::send(const std::string& bytes) {
    if (!m_connected) {
        return false;
    }
    ::ResetEvent(m_connectEvent);
    const DWORD error = writeAll(m_pipe, bytes, &m_overlapped);
    if (error == ERROR_SUCCESS) {
        return true;
    }
    if (brokenPipe(error)) {
        spdlog::info("Agent disconnected during write");
        disconnectAgent();
    } else {
        spdlog::warn("WriteFile to pipe failed (error {})", error);
    }
    return false;
}

void PipeServer::disconnectAgent() {
    if (m_connected) {
        m_connected = false;
        spdlog::info("Agent disconnected");
    }
    if (m_pipe != INVALID_HANDLE_VALUE) {
        ::DisconnectNamedPipe(m_pipe);
    }
    listen();
}

void PipeServer::close() {
    if (m_connected) {
        m_connected = false;
        spdlog::info("Agent disconnected");
    }
    if (m_pipe != INVALID_HANDLE_VALUE) {
        ::DisconnectNamedPipe(m_pipe);
        ::CloseHandle(m_pipe);
        m_pipe = INVALID_HANDLE_VALUE;
    }
    if (m_connectEvent != nullptr) {
        ::CloseHandle(m_connectEvent);
        m_connectEvent = nullptr;
    }
    m_pending = false;
    m_connectedAtListen = false;
}

PipeClient::~PipeClient() {
    close();
}

bool PipeClient::open(const std::wstring& name) {
    close();
    m_pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    return m_pipe != INVALID_HANDLE_VALUE;
}

bool PipeClient::readAvailable(std::string& received) {
    if (m_pipe == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD error = ERROR_SUCCESS;
    bool failedInRead = false;
    if (readPeeked(m_pipe, received, nullptr, error, failedInRead)) {
        return true;
    }
    if (brokenPipe(error)) {
        close();
        return false;
    }
    return true; // another error ends this read; the pipe stays
}

bool PipeClient::send(const std::string& bytes) {
    if (m_pipe == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD error = writeAll(m_pipe, bytes, nullptr);
    if (brokenPipe(error)) {
        close();
    }
    return error == ERROR_SUCCESS;
}

void PipeClient::close() {
    if (m_pipe != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_pipe);
        m_pipe = INVALID_HANDLE_VALUE;
    }
}

bool pipeAnswers(const std::wstring& name) {
    HANDLE pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::CloseHandle(pipe);
    return true;
}

} // namespace nimbral::windows
