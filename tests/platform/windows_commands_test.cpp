#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include "platform/windows_commands.h"
#include "windows_test_support.h"

namespace nimbral::platform::windows {
namespace {

constexpr wchar_t kClientPath[] = L"C:/Program Files/Nimbral Test/NimbralClient.exe";

// Stands in for "schtasks": ends with 0 only when it received the log-on task's arguments
// exactly as the task tool must see them.
NIMBRAL_CHILD_ROLE(taskToolStandIn) {
    const std::vector<std::string> expected = {
        "/create",
        "/tn",
        "NimbralClient",
        "/tr",
        "\"C:/Program Files/Nimbral Test/NimbralClient.exe\"",
        "/sc",
        "onlogon",
        "/rl",
        "highest",
        "/f"};
    return test::childArguments() == expected ? 0 : 3;
}

NIMBRAL_CHILD_ROLE(failingTool) {
    return 5;
}

std::vector<std::wstring> parsedBack(const std::wstring& line) {
    int count = 0;
    wchar_t** parsed = ::CommandLineToArgvW(line.c_str(), &count);
    std::vector<std::wstring> result(parsed, parsed + count);
    ::LocalFree(parsed);
    return result;
}

TEST(WindowsCommands, ArgumentsSurviveTheSystemsCommandLineParser) {
    const std::vector<std::wstring> arguments = {L"/create",
                                                 L"",
                                                 L"two words",
                                                 L"\"C:/Program Files/Nimbral/NimbralClient.exe\"",
                                                 L"say \"hi\"",
                                                 L"C:\\Program Files\\Nimbral\\",
                                                 L"\\\\server\\share\\",
                                                 L"odd\\\"quote",
                                                 L"tab\there",
                                                 L"ends with \\\\"};
    const std::wstring line = commandLine(L"C:\\Program Files\\tool.exe", arguments);
    std::vector<std::wstring> expected = {L"C:\\Program Files\\tool.exe"};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(parsedBack(line), expected);
    EXPECT_EQ(quoteArgument(L"/create"), L"/create") << "plain words stay as they are";
    EXPECT_EQ(quoteArgument(L"C:\\dir\\"), L"C:\\dir\\") << "no quote, so no doubling";
}

TEST(WindowsCommands, TheTaskToolGetsTheLogonTaskAndItsExitCodeDecides) {
    std::vector<std::wstring> arguments = {L"--child", L"taskToolStandIn"};
    const auto create = scheduledTaskCreateArguments(kClientPath);
    arguments.insert(arguments.end(), create.begin(), create.end());
    EXPECT_EQ(runScheduledTaskTool(arguments, test::testProgramPath()), 0);

    // The same tool seeing anything else fails, and any failure is exit code 1.
    std::vector<std::wstring> deleting = {L"--child", L"taskToolStandIn"};
    const auto remove = scheduledTaskDeleteArguments();
    deleting.insert(deleting.end(), remove.begin(), remove.end());
    EXPECT_EQ(runScheduledTaskTool(deleting, test::testProgramPath()), 1);
    EXPECT_EQ(remove, (std::vector<std::wstring>{L"/delete", L"/tn", L"NimbralClient", L"/f"}));

    EXPECT_EQ(runAndWait(test::testProgramPath(), {L"--child", L"failingTool"}, 20000), 5u);
    EXPECT_EQ(runScheduledTaskTool({L"--child", L"failingTool"}, test::testProgramPath()), 1);
    EXPECT_EQ(runScheduledTaskTool(create, L"C:\\nowhere\\missing-tool.exe"), 1);
    EXPECT_FALSE(runAndWait(L"C:\\nowhere\\missing-tool.exe", {}, 1000).has_value());
}

TEST(WindowsCommands, TheSettingsCommandLineFollowsItsTemplates) {
    const std::wstring directory = L"C:/Program Files/Nimbral";
    EXPECT_EQ(settingsCommandLine(true, true, kClientPath, directory),
              L"schtasks /create /tn \"NimbralClient\" /tr \"\\\"C:/Program Files/Nimbral "
              L"Test/NimbralClient.exe\\\"\" /sc onlogon /rl highest /f & \"C:/Program "
              L"Files/Nimbral/NimbralService.exe\" --install & net start NimbralService");
    EXPECT_EQ(settingsCommandLine(false, false, kClientPath, directory),
              L"schtasks /delete /tn \"NimbralClient\" /f & net stop NimbralService & "
              L"\"C:/Program Files/Nimbral/NimbralService.exe\" --uninstall");
    EXPECT_EQ(settingsCommandLine(true, false, kClientPath, directory),
              L"schtasks /create /tn \"NimbralClient\" /tr \"\\\"C:/Program Files/Nimbral "
              L"Test/NimbralClient.exe\\\"\" /sc onlogon /rl highest /f & net stop "
              L"NimbralService & \"C:/Program Files/Nimbral/NimbralService.exe\" --uninstall");
    EXPECT_EQ(settingsCommandLine(false, true, kClientPath, directory),
              L"schtasks /delete /tn \"NimbralClient\" /f & \"C:/Program "
              L"Files/Nimbral/NimbralService.exe\" --install & net start NimbralService");
}

TEST(WindowsCommands, TheElevatedCommandRunsThroughTheShellAndIsWaitedFor) {
    if (!test::runningUnderWine()) {
        GTEST_SKIP() << "on Windows this would ask for elevation";
    }
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
    const std::wstring first = std::wstring(temp) + L"nimbral elevated 1.txt";
    const std::wstring second = std::wstring(temp) + L"nimbral elevated 2.txt";
    ::DeleteFileW(first.c_str());
    ::DeleteFileW(second.c_str());
    // Two commands joined as the settings line joins them, into paths with blanks.
    ASSERT_TRUE(
        runElevated(L"echo one> \"" + first + L"\" & echo two> \"" + second + L"\"", 30000));
    // Waited for: both files are there when the call returns.
    EXPECT_NE(::GetFileAttributesW(first.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(::GetFileAttributesW(second.c_str()), INVALID_FILE_ATTRIBUTES);
    ::DeleteFileW(first.c_str());
    ::DeleteFileW(second.c_str());
}

} // namespace
} // namespace nimbral::platform::windows
