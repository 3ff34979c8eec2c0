#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include <windows.h>

namespace nimbral::platform::windows {

// The service's registration: name, display name and description; tests use names of their own.
struct ServiceIdentity {
    std::wstring name = L"NimbralService";
    std::wstring displayName = L"Nimbral Remote Access Service";
    std::wstring description =
        L"Nimbral Remote Access Service. Provides secure remote desktop connectivity including "
        L"authentication, signaling, and session management.";
};

// "--install": registers `binaryPath` (a whole command line; by default the running executable,
// quoted) as an automatically
// started own-process service of the local system account that depends on Tcpip, restarts after
// 5 s and 30 s on its first two failures, and forgets failures after a day. Exit code 0 when
// installed or already there, else 1; the messages go to `out` and `err`.
int installService(const ServiceIdentity& identity, std::FILE* out, std::FILE* err,
                   std::optional<std::wstring> binaryPath = {});
// The command line the control manager runs for an executable: the path in quotes, so that a
// path with blanks ("C:\Program Files\...") is not read as "C:\Program" with arguments (a
// program planted there would run as the local system account).
std::wstring serviceCommandLine(const std::wstring& executable);
// "--uninstall": stops (without waiting) and deletes the service. 0 when deleted or absent.
int uninstallService(const ServiceIdentity& identity, std::FILE* out, std::FILE* err);

// What the control manager is told, moment by moment. One record per process; the check point
// counter starts at 1 and advances with every report that takes a new value from it.
class ServiceStatusRecord {
public:
    SERVICE_STATUS startPending();
    SERVICE_STATUS running();
    SERVICE_STATUS stopPending();
    SERVICE_STATUS stopped();
    // The current state once more, after any other control; nothing once stopped or stopping.
    std::optional<SERVICE_STATUS> again();

private:
    SERVICE_STATUS make(DWORD state, DWORD accepted, DWORD checkPoint, DWORD waitHint);

    DWORD m_state = 0;
    DWORD m_nextCheckPoint = 1;
};

// The service's life, run on the thread the control manager makes for it.
struct ServiceHooks {
    // The core and its event loop: calls `running` once the core is up, returns on quit.
    std::function<void(const std::function<void()>& running)> run;
    std::function<void()> requestQuit;        // from the control handler's thread
    std::function<void(DWORD session)> logon; // a user logged on to `session`
};

enum class DispatchResult { RanAsService, NotStartedByManager, Failed };
// Hands the process to the control manager. From a console the manager refuses
// (ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) and the caller runs in console mode; `error` holds
// the system's code for anything else.
DispatchResult runServiceDispatcher(const ServiceIdentity& identity, ServiceHooks hooks,
                                    DWORD& error);

// The service's log: the machine's common application data folder + "\\Nimbral\\service.log",
// rotating at 5 MB with three old files, info and above, flushed from warnings on, installed as
// the default logger "nimbral". `folder` stands in for the common folder. When the folder is
// unknown the default console logger stays; when the file cannot be opened that logger says why.
void installServiceLogger(std::optional<std::wstring> folder = {});

// The service thread's hidden message-only window ("NimbralServiceMsg"), registered for the
// session notifications of all sessions: a logon reaches it as a window message as well as
// through the control handler. Lives and is used on the thread that made it, whose event loop
// dispatches its messages.
class SessionWindow {
public:
    explicit SessionWindow(std::function<void(DWORD session)> logon);
    ~SessionWindow();
    SessionWindow(const SessionWindow&) = delete;
    SessionWindow& operator=(const SessionWindow&) = delete;

    HWND handle() const { return m_window; }
    bool receivesSessionChanges() const { return m_registered; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void(DWORD)> m_logon;
    HWND m_window = nullptr;
    bool m_registered = false;
};

// Starts "NimbralClient.exe" beside the running executable as the user of `session`, on
// "winsta0\default" with the user's environment. Needs the local system account.
bool launchAgent(DWORD session);
// launchAgent for every session whose connection state is active.
void launchAgentsInActiveSessions();

} // namespace nimbral::platform::windows
