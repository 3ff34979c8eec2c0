#include "platform/windows_commands.h"

#include <shellapi.h>

namespace nimbral::platform::windows {

namespace {

// "schtasks" normally answers in well under a second; a tool that hangs must not hang the
// client's "--install" with it.
constexpr DWORD kTaskToolTimeoutMs = 60000;

} // namespace

std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count only before a quote: there each stands for half of its run.
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\'); // they precede the closing quote
    quoted.push_back(L'"');
    return quoted;
}

std::wstring commandLine(const std::wstring& program, const std::vector<std::wstring>& arguments) {
    std::wstring line = quoteArgument(program);
    for (const std::wstring& argument : arguments) {
        line += L' ';
        line += quoteArgument(argument);
    }
    return line;
}

std::optional<DWORD> runAndWait(const std::wstring& program,
                                const std::vector<std::wstring>& arguments, DWORD timeoutMs) {
    std::wstring line = commandLine(program, arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &process)) {
        return std::nullopt;
    }
    ::CloseHandle(process.hThread);
    std::optional<DWORD> result;
    if (::WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        if (::GetExitCodeProcess(process.hProcess, &code)) {
            result = code;
        }
    } else {
        ::TerminateProcess(process.hProcess, 1);
    }
    ::CloseHandle(process.hProcess);
    return result;
}

std::vector<std::wstring> scheduledTaskCreateArguments(const std::wstring& clientPath) {
    // The task's program is quoted inside its own argument: the path may hold blanks.
    return {L"/create", L"/tn", kScheduledTaskName, L"/tr", L"\"" + clientPath + L"\"", L"/sc",
            L"onlogon", L"/rl", L"highest",         L"/f"};
}

std::vector<std::wstring> scheduledTaskDeleteArguments() {
    return {L"/delete", L"/tn", kScheduledTaskName, L"/f"};
}

int runScheduledTaskTool(const std::vector<std::wstring>& arguments, const std::wstring& tool) {
    return runAndWait(tool, arguments, kTaskToolTimeoutMs) == 0u ? 0 : 1;
}

std::wstring settingsCommandLine(bool startWithWindows, bool runAsService,
                                 const std::wstring& clientPath,
                                 const std::wstring& clientDirectory) {
    std::wstring command = startWithWindows
                               ? L"schtasks /create /tn \"NimbralClient\" /tr \"\\\"" + clientPath +
                                     L"\\\"\" /sc onlogon /rl highest /f"
                               : std::wstring(L"schtasks /delete /tn \"NimbralClient\" /f");
    const std::wstring service = clientDirectory + L"/NimbralService.exe";
    command += runAsService ? L" & \"" + service + L"\" --install & net start NimbralService"
                            : L" & net stop NimbralService & \"" + service + L"\" --uninstall";
    return command;
}

bool runElevated(const std::wstring& command, DWORD waitMs) {
    const std::wstring parameters = L"/c " + command;
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NO_CONSOLE;
    execute.lpVerb = L"runas";
    execute.lpFile = L"cmd.exe";
    execute.lpParameters = parameters.c_str();
    execute.nShow = SW_HIDE;
    if (!::ShellExecuteExW(&execute)) {
        return false;
    }
    if (execute.hProcess != nullptr) {
        ::WaitForSingleObject(execute.hProcess, waitMs);
        ::CloseHandle(execute.hProcess);
    }
    return true;
}

} // namespace nimbral::platform::windows
