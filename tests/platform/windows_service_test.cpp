#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/ostream_sink.h>
#include <spdlog/spdlog.h>
#include <windows.h>

#include <wtsapi32.h>

#include "platform/windows_service.h"
#include "windows_test_support.h"

namespace nimbral::platform::windows {
namespace {

// What a command printed on one of its streams.
struct Captured {
    std::FILE* file = std::tmpfile();
    ~Captured() { std::fclose(file); }
    std::string text() const {
        std::fflush(file);
        std::rewind(file);
        std::string result;
        for (int c; (c = std::fgetc(file)) != EOF;) {
            result.push_back(static_cast<char>(c));
        }
        return result;
    }
};

// The service program started from a console: the control manager turns it down.
NIMBRAL_CHILD_ROLE(serviceFromConsole) {
    ServiceIdentity identity;
    identity.name = L"NimbralTestServiceConsole";
    DWORD error = 0;
    ServiceHooks hooks;
    hooks.run = [](const std::function<void()>&) {
    };
    const DispatchResult result = runServiceDispatcher(identity, hooks, error);
    if (result == DispatchResult::NotStartedByManager && error == 1063) {
        return 7; // console mode
    }
    return 8;
}

// The service program as the control manager starts it ("<name> <log file>"): the core runs
// until the stop control asks it to quit; every step goes to the log file.
NIMBRAL_CHILD_ROLE(serviceHost) {
    const auto& arguments = test::childArguments();
    if (arguments.size() != 2) {
        return 97;
    }
    auto logger = spdlog::basic_logger_mt("service", arguments[1]);
    logger->flush_on(spdlog::level::trace);
    spdlog::set_default_logger(logger);
    ServiceIdentity identity;
    identity.name.assign(arguments[0].begin(), arguments[0].end());
    HANDLE quit = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ServiceHooks hooks;
    hooks.run = [quit](const std::function<void()>& running) {
        spdlog::info("core up");
        running();
        const bool asked = ::WaitForSingleObject(quit, 60000) == WAIT_OBJECT_0;
        spdlog::info(asked ? "core down" : "core timed out");
    };
    hooks.requestQuit = [quit] {
        ::SetEvent(quit);
    };
    DWORD error = 0;
    const DispatchResult result = runServiceDispatcher(identity, hooks, error);
    spdlog::info("dispatcher returned: {}",
                 result == DispatchResult::RanAsService ? "ran as service" : "failed");
    ::CloseHandle(quit);
    return 0;
}

std::string fileText(const std::wstring& path) {
    std::string text;
    if (std::FILE* file = ::_wfopen(path.c_str(), L"rb")) {
        for (int c; (c = std::fgetc(file)) != EOF;) {
            text.push_back(static_cast<char>(c));
        }
        std::fclose(file);
    }
    return text;
}

// Polls the file until `complete` holds for its text; the last text read either way.
std::string waitForFileText(const std::wstring& path,
                            const std::function<bool(const std::string&)>& complete) {
    std::string text = fileText(path);
    for (int attempt = 0; attempt < 100 && !complete(text); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        text = fileText(path);
    }
    return text;
}

// What the stand-in agent noted, once both of its lines are written.
std::string agentRecord(const std::wstring& marker) {
    return waitForFileText(marker, [](const std::string& text) {
        return std::count(text.begin(), text.end(), '\n') >= 2;
    });
}

// Polls until the service reaches `state`; the last status seen either way.
SERVICE_STATUS waitForServiceState(SC_HANDLE service, DWORD state) {
    SERVICE_STATUS status{};
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (::QueryServiceStatus(service, &status) && status.dwCurrentState == state) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return status;
}

TEST(WindowsServiceStatus, ReportsFollowTheServiceLife) {
    ServiceStatusRecord record;
    EXPECT_FALSE(record.again().has_value()) << "nothing reported yet";
    const SERVICE_STATUS starting = record.startPending();
    EXPECT_EQ(starting.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
    EXPECT_EQ(starting.dwControlsAccepted, 0u);
    EXPECT_EQ(starting.dwCheckPoint, 1u);
    EXPECT_GT(starting.dwWaitHint, 0u) << "the control manager waits while it is pending";
    EXPECT_EQ(starting.dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    const auto againStarting = record.again();
    ASSERT_TRUE(againStarting.has_value());
    EXPECT_EQ(againStarting->dwControlsAccepted, 0u) << "no controls while starting";
    EXPECT_EQ(againStarting->dwCheckPoint, 2u);

    const DWORD up = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_SESSIONCHANGE;
    const SERVICE_STATUS running = record.running();
    EXPECT_EQ(running.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(running.dwControlsAccepted, up);
    EXPECT_EQ(running.dwCheckPoint, 0u);
    EXPECT_EQ(running.dwWaitHint, 0u);
    const auto againRunning = record.again();
    ASSERT_TRUE(againRunning.has_value());
    EXPECT_EQ(againRunning->dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(againRunning->dwCheckPoint, 0u);

    const SERVICE_STATUS stopping = record.stopPending();
    EXPECT_EQ(stopping.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
    EXPECT_EQ(stopping.dwCheckPoint, 3u) << "one process-wide counter";
    EXPECT_GT(stopping.dwWaitHint, 0u);
    EXPECT_FALSE(record.again().has_value()) << "not re-reported while stopping";
    const SERVICE_STATUS stopped = record.stopped();
    EXPECT_EQ(stopped.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped.dwWin32ExitCode, 0u);
    EXPECT_FALSE(record.again().has_value());
}

// The control manager's record of a service (a QUERY_SERVICE_CONFIGW and its strings); empty
// when it cannot be read.
std::vector<char> serviceConfig(SC_HANDLE service) {
    DWORD needed = 0;
    ::QueryServiceConfigW(service, nullptr, 0, &needed);
    std::vector<char> buffer(needed);
    if (needed == 0 ||
        !::QueryServiceConfigW(service, reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data()),
                               needed, &needed)) {
        buffer.clear();
    }
    return buffer;
}

TEST(WindowsService, InstallsAndUninstallsWithItsRegistrationAndTexts) {
    ServiceIdentity identity;
    const std::string name = "NimbralTestService" + std::to_string(::GetCurrentProcessId());
    identity.name.assign(name.begin(), name.end());
    identity.displayName = identity.name + L" display";
    const std::wstring binary =
        L"\"" + test::testProgramPath() + L"\" --child serviceHost " + identity.name;

    {
        Captured out, err;
        ASSERT_EQ(installService(identity, out.file, err.file, binary), 0) << err.text();
        EXPECT_EQ(out.text(), "Service '" + name + "' installed successfully.\n");
        EXPECT_EQ(err.text(), "");
    }
    {
        Captured out, err;
        EXPECT_EQ(installService(identity, out.file, err.file, binary), 0);
        EXPECT_EQ(err.text(), "Service already exists.\n");
        EXPECT_EQ(out.text(), "");
    }

    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = ::OpenServiceW(manager, identity.name.c_str(), SERVICE_ALL_ACCESS);
    ASSERT_NE(service, nullptr);
    const std::vector<char> configBuffer = serviceConfig(service);
    ASSERT_FALSE(configBuffer.empty());
    const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(configBuffer.data());
    EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(std::wstring(config->lpBinaryPathName), binary);
    EXPECT_EQ(std::wstring(config->lpDisplayName), identity.displayName);
    EXPECT_EQ(std::wstring(config->lpServiceStartName), L"LocalSystem");
    if (test::runningUnderWine()) {
        // Wine stores the list in the service's key but reports none.
        const std::wstring key = L"SYSTEM\\CurrentControlSet\\Services\\" + identity.name;
        wchar_t dependencies[64] = {};
        DWORD size = sizeof(dependencies);
        EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"DependOnService",
                                 RRF_RT_REG_MULTI_SZ, nullptr, dependencies, &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::wstring(dependencies), L"Tcpip");
        EXPECT_EQ(size, sizeof(L"Tcpip\0")) << "one entry";
    } else {
        EXPECT_EQ(std::wstring(config->lpDependencies), L"Tcpip");
    }

    DWORD needed = 0;
    ::QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, nullptr, 0, &needed);
    std::vector<BYTE> descriptionBuffer(needed);
    ASSERT_TRUE(::QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION,
                                       descriptionBuffer.data(), needed, &needed));
    EXPECT_EQ(std::wstring(
                  reinterpret_cast<SERVICE_DESCRIPTIONW*>(descriptionBuffer.data())->lpDescription),
              identity.description);
    ::QueryServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, nullptr, 0, &needed);
    if (::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        std::vector<BYTE> actionsBuffer(needed);
        ASSERT_TRUE(::QueryServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS,
                                           actionsBuffer.data(), needed, &needed));
        const auto* actions = reinterpret_cast<SERVICE_FAILURE_ACTIONSW*>(actionsBuffer.data());
        EXPECT_EQ(actions->dwResetPeriod, 86400u);
        ASSERT_EQ(actions->cActions, 3u);
        EXPECT_EQ(actions->lpsaActions[0].Type, SC_ACTION_RESTART);
        EXPECT_EQ(actions->lpsaActions[0].Delay, 5000u);
        EXPECT_EQ(actions->lpsaActions[1].Type, SC_ACTION_RESTART);
        EXPECT_EQ(actions->lpsaActions[1].Delay, 30000u);
        EXPECT_EQ(actions->lpsaActions[2].Type, SC_ACTION_NONE);
    } else {
        EXPECT_TRUE(test::runningUnderWine()) << "wine cannot report failure actions";
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_LEVEL));
    }
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);

    {
        Captured out, err;
        EXPECT_EQ(uninstallService(identity, out.file, err.file), 0) << err.text();
        EXPECT_EQ(out.text(), "Service '" + name + "' uninstalled successfully.\n");
    }
    Captured out, err;
    EXPECT_EQ(uninstallService(identity, out.file, err.file), 0);
    EXPECT_EQ(err.text(), "Service does not exist.\n");
    EXPECT_EQ(out.text(), "");
}

// Registered without quotes, "C:\Program Files\Nimbral\NimbralService.exe" would be run as
// "C:\Program" with arguments by the control manager: a program planted there would run as the
// local system account. The default registration quotes the path.
TEST(WindowsService, TheRegisteredPathIsQuoted) {
    EXPECT_EQ(serviceCommandLine(L"C:\\Program Files\\Nimbral\\NimbralService.exe"),
              L"\"C:\\Program Files\\Nimbral\\NimbralService.exe\"");
    ServiceIdentity identity;
    const std::string name = "NimbralQuotedService" + std::to_string(::GetCurrentProcessId());
    identity.name.assign(name.begin(), name.end());
    {
        Captured out, err;
        ASSERT_EQ(installService(identity, out.file, err.file), 0) << err.text();
    }
    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = ::OpenServiceW(manager, identity.name.c_str(), SERVICE_ALL_ACCESS);
    ASSERT_NE(service, nullptr);
    const std::vector<char> buffer = serviceConfig(service);
    ASSERT_FALSE(buffer.empty());
    const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buffer.data());
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    EXPECT_EQ(std::wstring(config->lpBinaryPathName), L"\"" + std::wstring(own) + L"\"");
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    Captured out, err;
    EXPECT_EQ(uninstallService(identity, out.file, err.file), 0) << err.text();
}

TEST(WindowsService, TheControlManagerStartsRunsAndStopsIt) {
    ServiceIdentity identity;
    const std::string name = "NimbralTestServiceRun" + std::to_string(::GetCurrentProcessId());
    identity.name.assign(name.begin(), name.end());
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring log = std::wstring(temp) + identity.name + L".log";
    ::DeleteFileW(log.c_str());
    const std::wstring binary = L"\"" + test::testProgramPath() + L"\" --child serviceHost " +
                                identity.name + L" \"" + log + L"\"";
    {
        Captured out, err;
        ASSERT_EQ(installService(identity, out.file, err.file, binary), 0) << err.text();
    }

    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = ::OpenServiceW(manager, identity.name.c_str(), SERVICE_ALL_ACCESS);
    ASSERT_NE(service, nullptr);
    ASSERT_TRUE(::StartServiceW(service, 0, nullptr)) << "error " << ::GetLastError();

    const SERVICE_STATUS running = waitForServiceState(service, SERVICE_RUNNING);
    EXPECT_EQ(running.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(running.dwControlsAccepted,
              static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN |
                                 SERVICE_ACCEPT_SESSIONCHANGE));
    EXPECT_NE(fileText(log).find("core up"), std::string::npos) << "the service main ran";

    // Any other control is answered and the running state reported again.
    SERVICE_STATUS answered{};
    EXPECT_TRUE(::ControlService(service, SERVICE_CONTROL_INTERROGATE, &answered))
        << "error " << ::GetLastError();
    EXPECT_EQ(answered.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));

    SERVICE_STATUS stopping{};
    EXPECT_TRUE(::ControlService(service, SERVICE_CONTROL_STOP, &stopping))
        << "error " << ::GetLastError();
    const SERVICE_STATUS stopped = waitForServiceState(service, SERVICE_STOPPED);
    EXPECT_EQ(stopped.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped.dwWin32ExitCode, 0u);
    // The process ends after the status.
    const std::string text = waitForFileText(log, [](const std::string& written) {
        return written.find("dispatcher returned") != std::string::npos;
    });
    const auto up = text.find("core up");
    const auto requested = text.find("Service stop/shutdown requested");
    const auto down = text.find("core down");
    const auto returned = text.find("dispatcher returned: ran as service");
    EXPECT_NE(returned, std::string::npos) << text;
    EXPECT_TRUE(up < requested && requested < down && down < returned) << text;

    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);
    Captured out, err;
    EXPECT_EQ(uninstallService(identity, out.file, err.file), 0) << err.text();
    EXPECT_EQ(out.text(), "Service '" + name + "' uninstalled successfully.\n");
    ::DeleteFileW(log.c_str());
}

// Log lines of the test's own thread, restoring the previous default logger afterwards.
class CapturedLog {
public:
    CapturedLog()
        : m_previous(spdlog::default_logger()) {
        auto logger = std::make_shared<spdlog::logger>(
            "captured", std::make_shared<spdlog::sinks::ostream_sink_st>(m_lines));
        logger->set_pattern("%l %v");
        logger->set_level(spdlog::level::trace);
        spdlog::set_default_logger(std::move(logger));
    }
    ~CapturedLog() { spdlog::set_default_logger(m_previous); }
    // Lines as written, without the system's carriage returns.
    std::string text() const {
        std::string lines = m_lines.str();
        std::erase(lines, '\r');
        return lines;
    }

private:
    std::ostringstream m_lines;
    std::shared_ptr<spdlog::logger> m_previous;
};

TEST(WindowsService, TheHiddenWindowLaunchesTheAgentAtEveryLogon) {
    const CapturedLog log;
    std::vector<DWORD> launched;
    const SessionWindow window([&launched](DWORD session) { launched.push_back(session); });
    ASSERT_NE(window.handle(), nullptr);
    EXPECT_EQ(::FindWindowExW(HWND_MESSAGE, nullptr, L"NimbralServiceMsg", nullptr),
              window.handle())
        << "a message-only window of its own class";
    wchar_t title[8] = {L'x'};
    EXPECT_EQ(::GetWindowTextW(window.handle(), title, 8), 0);
    EXPECT_TRUE(window.receivesSessionChanges());

    ::SendMessageW(window.handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOGON, 3);
    ::SendMessageW(window.handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOGOFF, 3);
    ::SendMessageW(window.handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 4);
    ::PostMessageW(window.handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOGON, 5);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::DispatchMessageW(&message);
    }
    EXPECT_EQ(launched, (std::vector<DWORD>{3, 5}));
    EXPECT_EQ(log.text(), "info WM_WTSSESSION_CHANGE: logon session 3\n"
                          "info WM_WTSSESSION_CHANGE: logoff session 3\n"
                          "info WM_WTSSESSION_CHANGE: logon session 5\n");
}

TEST(WindowsService, TheServiceLogLivesInTheCommonDataFolder) {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring folder =
        std::wstring(temp) + L"nimbral-log-" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\Nimbral\\service.log";
    const auto previous = spdlog::default_logger();

    installServiceLogger(folder);
    EXPECT_EQ(spdlog::default_logger()->name(), "nimbral");
    spdlog::debug("below the level");
    spdlog::info("kept until a warning");
    EXPECT_EQ(fileText(file).find("kept until a warning"), std::string::npos) << "not flushed yet";
    spdlog::warn("flushes");
    const std::string text = fileText(file);
    EXPECT_NE(text.find("kept until a warning"), std::string::npos) << text;
    EXPECT_NE(text.find("flushes"), std::string::npos);
    EXPECT_EQ(text.find("below the level"), std::string::npos);
    spdlog::set_default_logger(previous);

    {
        // A folder that is a file: the log cannot be opened, and the logger there says why.
        const CapturedLog log;
        const std::wstring blocked = folder + L"\\blocked";
        std::FILE* plain = ::_wfopen(blocked.c_str(), L"w");
        ASSERT_NE(plain, nullptr);
        std::fclose(plain);
        installServiceLogger(blocked);
        EXPECT_EQ(spdlog::default_logger()->name(), "captured");
        EXPECT_EQ(log.text().rfind("warning Logging initialization failed: ", 0), 0u) << log.text();
        ::DeleteFileW(blocked.c_str());
    }
    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW((folder + L"\\Nimbral").c_str());
    ::RemoveDirectoryW(folder.c_str());
}

// The agent is the client program beside the service's own: here a stand-in that notes how it
// was started.
TEST(WindowsService, TheAgentStartsInTheActiveSessionFromTheServicesDirectory) {
    std::wstring directory = test::testProgramPath();
    directory.resize(directory.find_last_of(L"\\/"));
    const std::wstring marker = directory + L"\\agent-started.txt";
    ::DeleteFileW(marker.c_str());
    const CapturedLog log;
    const DWORD session = ::WTSGetActiveConsoleSessionId();
    const bool launched = launchAgent(session);
    if (!launched && !test::runningUnderWine()) {
        // Outside the local system account there is no user token to take.
        EXPECT_NE(log.text().find("WTSQueryUserToken failed for session"), std::string::npos)
            << log.text();
        GTEST_SKIP() << "needs the local system account";
    }
    ASSERT_TRUE(launched) << log.text();
    EXPECT_EQ(log.text().rfind("info Launched agent (PID ", 0), 0u) << log.text();
    EXPECT_NE(log.text().find(") in session " + std::to_string(session) + "\n"), std::string::npos)
        << log.text();
    std::string started = agentRecord(marker);
    EXPECT_EQ(started.substr(0, started.find('\n')), "arguments 0");
    std::string expectedDirectory(directory.begin(), directory.end());
    EXPECT_NE(started.find("directory " + expectedDirectory), std::string::npos) << started;
    ::DeleteFileW(marker.c_str());

    // The service's first look: every active session gets its agent.
    WTS_SESSION_INFOW* sessions = nullptr;
    DWORD count = 0;
    ASSERT_TRUE(::WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count));
    const bool listed = std::any_of(sessions, sessions + count, [session](const auto& entry) {
        return entry.SessionId == session && entry.State == WTSActive;
    });
    ::WTSFreeMemory(sessions);
    const CapturedLog enumerated;
    launchAgentsInActiveSessions();
    if (!listed) {
        EXPECT_TRUE(test::runningUnderWine()) << "wine lists no sessions";
        EXPECT_EQ(enumerated.text(), "");
        return;
    }
    EXPECT_NE(enumerated.text().find("info Found active user session " + std::to_string(session) +
                                     ", launching agent\n"),
              std::string::npos)
        << enumerated.text();
    started = agentRecord(marker);
    EXPECT_EQ(started.substr(0, started.find('\n')), "arguments 0");
    ::DeleteFileW(marker.c_str());
}

TEST(WindowsService, FromAConsoleTheControlManagerRefusesAndConsoleModeFollows) {
    EXPECT_EQ(test::runChild("serviceFromConsole", 60000), 7);
}

} // namespace
} // namespace nimbral::platform::windows
