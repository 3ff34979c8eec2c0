#pragma once

#include <optional>
#include <string>
#include <vector>

#include <windows.h>

namespace nimbral::platform::windows {

// One argument written so that the C runtime's parser (and CommandLineToArgvW) reads it back
// unchanged: quoted when it has blanks or quotes, with the backslashes before a quote doubled.
std::wstring quoteArgument(const std::wstring& argument);
std::wstring commandLine(const std::wstring& program, const std::vector<std::wstring>& arguments);

// Runs `program` (searched like the shell does) without a window and waits up to `timeoutMs`;
// its exit code, or nothing when it could not start or had to be ended for taking too long.
std::optional<DWORD> runAndWait(const std::wstring& program,
                                const std::vector<std::wstring>& arguments, DWORD timeoutMs);

// The client's log-on task, as "--install" / "--uninstall" hand it to "schtasks".
inline constexpr wchar_t kScheduledTaskName[] = L"NimbralClient";
std::vector<std::wstring> scheduledTaskCreateArguments(const std::wstring& clientPath);
std::vector<std::wstring> scheduledTaskDeleteArguments();
// 0 when the task tool ended with 0, else 1 (missing, failing, crashing or hanging tool).
int runScheduledTaskTool(const std::vector<std::wstring>& arguments,
                         const std::wstring& tool = L"schtasks");

// The settings dialog's one command line for the log-on task and the service; paths as the
// caller has them (the dialog keeps Qt's forward slashes).
std::wstring settingsCommandLine(bool startWithWindows, bool runAsService,
                                 const std::wstring& clientPath,
                                 const std::wstring& clientDirectory);

// Runs `command` through "cmd.exe /c" with the "runas" verb (the elevation prompt), hidden, and
// waits up to `waitMs` for it. False when it could not be launched, a declined prompt included;
// what the command itself did is not examined.
bool runElevated(const std::wstring& command, DWORD waitMs);

} // namespace nimbral::platform::windows
