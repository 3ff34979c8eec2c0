#include "service/windows_access.h"

#include <vector>

#include <sddl.h>
#include <wtsapi32.h>

#include <spdlog/spdlog.h>

namespace nimbral::windows {

namespace {

constexpr const wchar_t* kSystemSid = L"S-1-5-18";

std::wstring tokenUserSid(HANDLE token) {
    DWORD needed = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    if (needed == 0) {
        return {};
    }
    std::vector<BYTE> buffer(needed);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed)) {
        return {};
    }
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
        return {};
    }
    std::wstring sid(text);
    ::LocalFree(text);
    return sid;
}

} // namespace

std::wstring sessionUserSid(DWORD sessionId) {
    HANDLE token = nullptr;
    if (!::WTSQueryUserToken(sessionId, &token)) {
        spdlog::warn("WTSQueryUserToken failed for session {} (error {})", sessionId,
                     ::GetLastError());
        return {};
    }
    std::wstring sid = tokenUserSid(token);
    ::CloseHandle(token);
    return sid;
}

std::wstring processUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    std::wstring sid = tokenUserSid(token);
    ::CloseHandle(token);
    return sid;
}

SystemAndUserAccess::SystemAndUserAccess(const std::wstring& userSid, const wchar_t* userRights) {
    // Protected (P): nothing is inherited from the object's container.
    std::wstring sddl = L"D:P(A;;GA;;;SY)";
    const std::wstring own = processUserSid();
    if (!own.empty() && own != kSystemSid) {
        sddl += L"(A;;GA;;;" + own + L")";
    }
    if (!userSid.empty()) {
        sddl += L"(A;;" + std::wstring(userRights) + L";;;" + userSid + L")";
    }
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                &m_descriptor, nullptr)) {
        spdlog::error("ConvertStringSecurityDescriptorToSecurityDescriptorW failed (error {})",
                      ::GetLastError());
        m_descriptor = nullptr;
    }
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = m_descriptor;
}

SystemAndUserAccess::~SystemAndUserAccess() {
    if (m_descriptor != nullptr) {
        ::LocalFree(m_descriptor);
    }
}

} // namespace nimbral::windows
