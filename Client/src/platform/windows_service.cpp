#include "platform/windows_service.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include <shlobj.h>
#include <userenv.h>
#include <wtsapi32.h>

#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/spdlog.h>

namespace nimbral::platform::windows {

namespace {

constexpr wchar_t kSessionWindowClass[] = L"NimbralServiceMsg";
constexpr std::size_t kLogFileBytes = 5242880;
constexpr std::size_t kLogFiles = 3;

constexpr DWORD kAcceptedWhileUp =
    SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN | SERVICE_ACCEPT_SESSIONCHANGE;

std::optional<std::wstring> ownExecutablePath() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::nullopt;
    }
    return std::wstring(path, length);
}

std::string narrow(const std::wstring& text, UINT codePage = CP_UTF8) {
    const int bytes = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                            nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          bytes, nullptr, nullptr);
    return result;
}

// Closes a service control handle when it goes out of scope.
struct ScHandle {
    SC_HANDLE handle = nullptr;
    ~ScHandle() {
        if (handle != nullptr) {
            ::CloseServiceHandle(handle);
        }
    }
};

} // namespace

std::wstring serviceCommandLine(const std::wstring& executable) {
    return L"\"" + executable + L"\"";
}

int installService(const ServiceIdentity& identity, std::FILE* out, std::FILE* err,
                   std::optional<std::wstring> binaryPath) {
    if (!binaryPath) {
        const std::optional<std::wstring> own = ownExecutablePath();
        if (!own) {
            std::fprintf(err, "GetModuleFileName failed (error %lu)\n", ::GetLastError());
            return 1;
        }
        binaryPath = serviceCommandLine(*own);
    }
    const ScHandle manager{::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE)};
    if (manager.handle == nullptr) {
        std::fprintf(err, "OpenSCManager failed (error %lu). Run as Administrator.\n",
                     ::GetLastError());
        return 1;
    }
    // The dependency list ends with two zeros.
    static constexpr wchar_t kDependencies[] = L"Tcpip\0";
    const ScHandle service{::CreateServiceW(
        manager.handle, identity.name.c_str(), identity.displayName.c_str(), SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, binaryPath->c_str(),
        nullptr, nullptr, kDependencies, nullptr, nullptr)};
    if (service.handle == nullptr) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SERVICE_EXISTS) {
            std::fprintf(err, "Service already exists.\n");
            return 0;
        }
        std::fprintf(err, "CreateService failed (error %lu)\n", error);
        return 1;
    }
    std::wstring description = identity.description;
    SERVICE_DESCRIPTIONW describe{description.data()};
    ::ChangeServiceConfig2W(service.handle, SERVICE_CONFIG_DESCRIPTION, &describe);
    SC_ACTION actions[] = {
        {SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 30000}, {SC_ACTION_NONE, 0}};
    SERVICE_FAILURE_ACTIONSW failure{};
    failure.dwResetPeriod = 86400;
    failure.cActions = static_cast<DWORD>(std::size(actions));
    failure.lpsaActions = actions;
    ::ChangeServiceConfig2W(service.handle, SERVICE_CONFIG_FAILURE_ACTIONS, &failure);
    std::fprintf(out, "Service '%ls' installed successfully.\n", identity.name.c_str());
    return 0;
}

int uninstallService(const ServiceIdentity& identity, std::FILE* out, std::FILE* err) {
    const ScHandle manager{::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)};
    if (manager.handle == nullptr) {
        std::fprintf(err, "OpenSCManager failed (error %lu). Run as Administrator.\n",
                     ::GetLastError());
        return 1;
    }
    const ScHandle service{
        ::OpenServiceW(manager.handle, identity.name.c_str(), SERVICE_STOP | DELETE)};
    if (service.handle == nullptr) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
            std::fprintf(err, "Service does not exist.\n");
            return 0;
        }
        std::fprintf(err, "OpenService failed (error %lu)\n", error);
        return 1;
    }
    SERVICE_STATUS status{};
    ::ControlService(service.handle, SERVICE_CONTROL_STOP, &status); // no wait for the stop
    if (!::DeleteService(service.handle)) {
        std::fprintf(err, "DeleteService failed (error %lu)\n", ::GetLastError());
        return 1;
    }
    std::fprintf(out, "Service '%ls' uninstalled successfully.\n", identity.name.c_str());
    return 0;
}

SERVICE_STATUS ServiceStatusRecord::make(DWORD state, DWORD accepted, DWORD checkPoint,
                                         DWORD waitHint) {
    m_state = state;
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = accepted;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwCheckPoint = checkPoint;
    status.dwWaitHint = waitHint;
    return status;
}

SERVICE_STATUS ServiceStatusRecord::startPending() {
    return make(SERVICE_START_PENDING, 0, m_nextCheckPoint++, 10000);
}

SERVICE_STATUS ServiceStatusRecord::running() {
    return make(SERVICE_RUNNING, kAcceptedWhileUp, 0, 0);
}

SERVICE_STATUS ServiceStatusRecord::stopPending() {
    return make(SERVICE_STOP_PENDING, kAcceptedWhileUp, m_nextCheckPoint++, 5000);
}

SERVICE_STATUS ServiceStatusRecord::stopped() {
    return make(SERVICE_STOPPED, kAcceptedWhileUp, 0, 0);
}

std::optional<SERVICE_STATUS> ServiceStatusRecord::again() {
    if (m_state == 0 || m_state == SERVICE_STOPPED || m_state == SERVICE_STOP_PENDING) {
        return std::nullopt;
    }
    const bool settled = m_state == SERVICE_RUNNING;
    return make(m_state, m_state == SERVICE_START_PENDING ? 0 : kAcceptedWhileUp,
                settled ? 0 : m_nextCheckPoint++, 0);
}

namespace {

// The dispatcher calls plain functions: what they need lives here for the process's one
// service.
struct ServiceProcess {
    std::mutex mutex;
    ServiceIdentity identity;
    ServiceHooks hooks;
    ServiceStatusRecord record;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;

    void report(const SERVICE_STATUS& status) {
        SERVICE_STATUS copy = status;
        ::SetServiceStatus(statusHandle, &copy);
    }
};

ServiceProcess& process() {
    static ServiceProcess instance;
    return instance;
}

DWORD WINAPI controlHandler(DWORD control, DWORD eventType, LPVOID eventData, LPVOID) {
    ServiceProcess& service = process();
    const std::lock_guard lock(service.mutex);
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        spdlog::info("Service stop/shutdown requested");
        service.report(service.record.stopPending());
        if (service.hooks.requestQuit) {
            service.hooks.requestQuit();
        }
        break;
    case SERVICE_CONTROL_SESSIONCHANGE: {
        const auto* notification = static_cast<const WTSSESSION_NOTIFICATION*>(eventData);
        const DWORD session = notification != nullptr ? notification->dwSessionId : 0;
        if (eventType == WTS_SESSION_LOGON) {
            spdlog::info("User logon detected (session {})", session);
            if (service.hooks.logon) {
                service.hooks.logon(session);
            }
        } else if (eventType == WTS_SESSION_LOGOFF) {
            spdlog::info("User logoff detected (session {})", session);
        }
        break;
    }
    default:
        break;
    }
    if (const auto status = service.record.again()) {
        service.report(*status);
    }
    return NO_ERROR;
}

void WINAPI serviceMain(DWORD, LPWSTR*) {
    ServiceProcess& service = process();
    service.statusHandle =
        ::RegisterServiceCtrlHandlerExW(service.identity.name.c_str(), controlHandler, nullptr);
    if (service.statusHandle == nullptr) {
        return;
    }
    {
        const std::lock_guard lock(service.mutex);
        service.report(service.record.startPending());
    }
    const auto running = [&service] {
        const std::lock_guard lock(service.mutex);
        service.report(service.record.running());
    };
    if (service.hooks.run) {
        service.hooks.run(running);
    } else {
        running();
    }
    const std::lock_guard lock(service.mutex);
    service.report(service.record.stopped());
}

} // namespace

DispatchResult runServiceDispatcher(const ServiceIdentity& identity, ServiceHooks hooks,
                                    DWORD& error) {
    ServiceProcess& service = process();
    service.identity = identity;
    service.hooks = std::move(hooks);
    std::wstring name = identity.name;
    SERVICE_TABLE_ENTRYW table[] = {{name.data(), serviceMain}, {nullptr, nullptr}};
    if (::StartServiceCtrlDispatcherW(table)) {
        error = NO_ERROR;
        return DispatchResult::RanAsService;
    }
    error = ::GetLastError();
    return error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT ? DispatchResult::NotStartedByManager
                                                            : DispatchResult::Failed;
}

void installServiceLogger(std::optional<std::wstring> folder) {
    if (!folder) {
        wchar_t common[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common))) {
            spdlog::set_level(spdlog::level::info);
            return;
        }
        folder = common;
    }
    const std::wstring directory = *folder + L"\\Nimbral";
    ::CreateDirectoryW(directory.c_str(), nullptr); // there already, or the sink reports it
    // The logging library opens narrow paths in the active code page.
    const std::string path = narrow(directory + L"\\service.log", CP_ACP);
    try {
        auto sink = std::make_shared<spdlog::sinks::rotating_file_sink_mt>(path, kLogFileBytes,
                                                                           kLogFiles, false);
        auto logger = std::make_shared<spdlog::logger>("nimbral", std::move(sink));
        logger->set_level(spdlog::level::info);
        logger->flush_on(spdlog::level::warn);
        spdlog::set_default_logger(std::move(logger));
    } catch (const spdlog::spdlog_ex& error) {
        spdlog::set_level(spdlog::level::info);
        spdlog::warn("Logging initialization failed: {}", error.what());
    }
}

SessionWindow::SessionWindow(std::function<void(DWORD)> logon)
    : m_logon(std::move(logon)) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &SessionWindow::procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kSessionWindowClass;
    ::RegisterClassW(&windowClass); // a second window of the process finds it registered
    m_window = ::CreateWindowExW(0, kSessionWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, this);
    if (m_window != nullptr) {
        m_registered = ::WTSRegisterSessionNotification(m_window, NOTIFY_FOR_ALL_SESSIONS);
    }
}

SessionWindow::~SessionWindow() {
    if (m_window == nullptr) {
        return;
    }
    if (m_registered) {
        ::WTSUnRegisterSessionNotification(m_window);
    }
    ::DestroyWindow(m_window);
}

LRESULT CALLBACK SessionWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_WTSSESSION_CHANGE) {
        const auto session = static_cast<DWORD>(lParam);
        auto* self = reinterpret_cast<SessionWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        if (wParam == WTS_SESSION_LOGON) {
            spdlog::info("WM_WTSSESSION_CHANGE: logon session {}", session);
            if (self != nullptr && self->m_logon) {
                self->m_logon(session);
            }
            return 0;
        }
        if (wParam == WTS_SESSION_LOGOFF) {
            spdlog::info("WM_WTSSESSION_CHANGE: logoff session {}", session);
            return 0;
        }
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool launchAgent(DWORD session) {
    HANDLE userToken = nullptr;
    if (!::WTSQueryUserToken(session, &userToken)) {
        spdlog::warn("WTSQueryUserToken failed for session {} (error {})", session,
                     ::GetLastError());
        return false;
    }
    HANDLE primary = nullptr;
    if (!::DuplicateTokenEx(userToken, MAXIMUM_ALLOWED, nullptr, SecurityIdentification,
                            TokenPrimary, &primary)) {
        spdlog::warn("DuplicateTokenEx failed (error {})", ::GetLastError());
        ::CloseHandle(userToken);
        return false;
    }
    ::CloseHandle(userToken);
    void* environment = nullptr;
    if (!::CreateEnvironmentBlock(&environment, primary, FALSE)) {
        spdlog::warn("CreateEnvironmentBlock failed (error {})", ::GetLastError());
        environment = nullptr;
    }
    std::wstring executable = ownExecutablePath().value_or(L"");
    const std::size_t cut = executable.find_last_of(L"\\/");
    const std::wstring directory =
        cut == std::wstring::npos ? std::wstring() : executable.substr(0, cut);
    executable = (cut == std::wstring::npos ? std::wstring() : executable.substr(0, cut + 1)) +
                 L"NimbralClient.exe";
    std::wstring desktop = L"winsta0\\default";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = desktop.data();
    PROCESS_INFORMATION started{};
    const BOOL ok =
        ::CreateProcessAsUserW(primary, executable.c_str(), nullptr, nullptr, nullptr, FALSE,
                               CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, environment,
                               directory.empty() ? nullptr : directory.c_str(), &startup, &started);
    const DWORD error = ::GetLastError();
    if (environment != nullptr) {
        ::DestroyEnvironmentBlock(environment);
    }
    ::CloseHandle(primary);
    if (!ok) {
        spdlog::warn("CreateProcessAsUserW failed for '{}' (error {})", narrow(executable), error);
        return false;
    }
    spdlog::info("Launched agent (PID {}) in session {}", started.dwProcessId, session);
    ::CloseHandle(started.hProcess);
    ::CloseHandle(started.hThread);
    return true;
}

void launchAgentsInActiveSessions() {
    WTS_SESSION_INFOW* sessions = nullptr;
    DWORD count = 0;
    if (!::WTSEnumerateSessionsW(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count)) {
        return;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (sessions[i].State == WTSActive) {
            spdlog::info("Found active user session {}, launching agent", sessions[i].SessionId);
            launchAgent(sessions[i].SessionId);
        }
    }
    ::WTSFreeMemory(sessions);
}

} // namespace nimbral::platform::windows
