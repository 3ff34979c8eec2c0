#include <cstdio>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

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

TEST(WindowsServiceStatus, ReportsFollowTheServiceLife) {
    ServiceStatusRecord record;
    EXPECT_FALSE(record.again().has_value()) << "nothing reported yet";
    const SERVICE_STATUS starting = record.startPending();
    EXPECT_EQ(starting.dwCurrentState, static_cast<DWORD>(SERVICE_START_PENDING));
    EXPECT_EQ(starting.dwControlsAccepted, 0u);
    EXPECT_EQ(starting.dwCheckPoint, 1u);
    EXPECT_EQ(starting.dwWaitHint, 10000u);
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
    EXPECT_EQ(stopping.dwWaitHint, 5000u);
    EXPECT_FALSE(record.again().has_value()) << "not re-reported while stopping";
    const SERVICE_STATUS stopped = record.stopped();
    EXPECT_EQ(stopped.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(stopped.dwWin32ExitCode, 0u);
    EXPECT_FALSE(record.again().has_value());
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
        if (test::runningUnderWine()) {
            // Wine's CreateServiceW takes a name that exists once more instead of refusing it.
            EXPECT_TRUE(err.text() == "Service already exists.\n" ||
                        out.text() == "Service '" + name + "' installed successfully.\n");
        } else {
            EXPECT_EQ(err.text(), "Service already exists.\n");
            EXPECT_EQ(out.text(), "");
        }
    }

    SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = ::OpenServiceW(manager, identity.name.c_str(), SERVICE_ALL_ACCESS);
    ASSERT_NE(service, nullptr);
    DWORD needed = 0;
    ::QueryServiceConfigW(service, nullptr, 0, &needed);
    std::vector<char> configBuffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(configBuffer.data());
    ASSERT_TRUE(::QueryServiceConfigW(service, config, needed, &needed));
    EXPECT_EQ(config->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(std::wstring(config->lpBinaryPathName), binary);
    EXPECT_EQ(std::wstring(config->lpDisplayName), identity.displayName);
    EXPECT_EQ(std::wstring(config->lpServiceStartName), L"LocalSystem");
    if (!test::runningUnderWine()) { // wine keeps no dependency list to report
        EXPECT_EQ(std::wstring(config->lpDependencies), L"Tcpip");
    }
    ::CloseServiceHandle(service);
    ::CloseServiceHandle(manager);

    // Uninstall until the service is gone: under wine the second install above may have made a
    // second entry of the same name.
    int removed = 0;
    bool gone = false;
    for (int attempt = 0; attempt < 3 && !gone; ++attempt) {
        Captured out, err;
        EXPECT_EQ(uninstallService(identity, out.file, err.file), 0) << err.text();
        gone = err.text() == "Service does not exist.\n";
        if (!gone) {
            EXPECT_EQ(out.text(), "Service '" + name + "' uninstalled successfully.\n");
            ++removed;
        }
    }
    EXPECT_TRUE(gone);
    EXPECT_GE(removed, 1);
    EXPECT_LE(removed, test::runningUnderWine() ? 2 : 1);
}

TEST(WindowsService, FromAConsoleTheControlManagerRefusesAndConsoleModeFollows) {
    EXPECT_EQ(test::runChild("serviceFromConsole", 60000), 7);
}

} // namespace
} // namespace nimbral::platform::windows
