// Who may open the service's pipe and frame section: the local system account and the one user
// they are for. A null access list (every local account) is what the service used to give them.
#include <string>
#include <utility>
#include <vector>

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

#include "service/shared_frame_buffer.h"
#include "service/windows_access.h"
#include "service/windows_pipe.h"

namespace nimbral {
namespace {

constexpr const wchar_t* kSystem = L"S-1-5-18";

// Who besides the user may open the objects: the system account, and the account the service
// (here the test) runs as when that is another one.
std::vector<std::wstring> serviceAccounts() {
    const std::wstring own = windows::processUserSid();
    return own == kSystem ? std::vector<std::wstring>{kSystem}
                          : std::vector<std::wstring>{kSystem, own};
}

std::vector<std::wstring> plus(std::vector<std::wstring> sids, const std::wstring& sid) {
    sids.push_back(sid);
    return sids;
}

// The access list of a kernel object as (SID, mask) pairs; empty with `null` set when there is
// none (everybody may do anything).
struct AccessList {
    bool null = false;
    bool isProtected = false;
    std::vector<std::pair<std::wstring, ACCESS_MASK>> entries;
};

AccessList accessListOf(HANDLE object) {
    AccessList result;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return result;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    result.isProtected = (control & SE_DACL_PROTECTED) != 0;
    result.null = dacl == nullptr;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!::GetAce(dacl, i, &ace)) {
            continue;
        }
        auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        wchar_t* sid = nullptr;
        if (::ConvertSidToStringSidW(&allowed->SidStart, &sid)) {
            result.entries.emplace_back(sid, allowed->Mask);
            ::LocalFree(sid);
        }
    }
    ::LocalFree(descriptor);
    return result;
}

std::vector<std::wstring> sidsOf(const AccessList& list) {
    std::vector<std::wstring> sids;
    for (const auto& entry : list.entries) {
        sids.push_back(entry.first);
    }
    return sids;
}

TEST(WindowsAccess, ThePipeIsForTheSystemAccountAndOneUser) {
    const std::wstring user = windows::processUserSid();
    ASSERT_FALSE(user.empty());
    windows::PipeServer server(
        L"\\\\.\\pipe\\NimbralAccessTest-" + std::to_wstring(::GetCurrentProcessId()), user);
    ASSERT_TRUE(server.listen());
    const AccessList list = accessListOf(server.handle());
    EXPECT_FALSE(list.null);
    EXPECT_TRUE(list.isProtected);
    EXPECT_EQ(sidsOf(list), plus(serviceAccounts(), user));
}

TEST(WindowsAccess, TheFrameSectionIsForTheSystemAccountAndTheAgentsUser) {
    EXPECT_STREQ(SharedFrameBuffer::kDefaultName, "Global\\NimbralFrame")
        << "a service in session 0 and agents in user sessions meet only in the global namespace";
    const std::string name = "Global\\NimbralAccessTest-" + std::to_string(::GetCurrentProcessId());
    const std::wstring wideName(name.begin(), name.end());
    DWORD session = 0;
    ASSERT_TRUE(::ProcessIdToSessionId(::GetCurrentProcessId(), &session));

    SharedFrameBuffer alone;
    ASSERT_TRUE(alone.create(name, 4096));
    HANDLE opened = ::OpenFileMappingW(READ_CONTROL, FALSE, wideName.c_str());
    ASSERT_NE(opened, nullptr);
    AccessList list = accessListOf(opened);
    ::CloseHandle(opened);
    EXPECT_FALSE(list.null);
    EXPECT_EQ(sidsOf(list), serviceAccounts()) << "no reader: the service alone";
    alone.close();

    SharedFrameBuffer forAgent;
    ASSERT_TRUE(forAgent.create(name, 4096, session));
    opened = ::OpenFileMappingW(READ_CONTROL, FALSE, wideName.c_str());
    ASSERT_NE(opened, nullptr);
    list = accessListOf(opened);
    EXPECT_FALSE(list.null);
    // This test's session is this test's user's.
    const std::wstring user = windows::sessionUserSid(session);
    EXPECT_EQ(user, windows::processUserSid());
    EXPECT_EQ(sidsOf(list), plus(serviceAccounts(), user));
    // A section someone else holds under the name is not written to.
    SharedFrameBuffer second;
    EXPECT_FALSE(second.create(name, 4096, session));
    ::CloseHandle(opened);
}

} // namespace
} // namespace nimbral
