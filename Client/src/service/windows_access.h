#pragma once

#include <string>

#include <windows.h>

namespace nimbral::windows {

// The user logged on to a Remote Desktop session (a Windows session ID), as a SID string; empty
// when the session has no user or this process may not ask (only the local system account may).
std::wstring sessionUserSid(DWORD sessionId);
// The SID of the account this process runs as.
std::wstring processUserSid();

// Security attributes for the service's pipe and frame section: the local system account (and,
// when the service runs as another account, that account) may do anything, the one user named
// by `userSid` what `userRights` says (SDDL rights such as "GRGW"), and nobody else: no other
// account, no entries inherited from elsewhere. An empty `userSid` leaves the object to the
// service alone.
class SystemAndUserAccess {
public:
    SystemAndUserAccess(const std::wstring& userSid, const wchar_t* userRights);
    ~SystemAndUserAccess();
    SystemAndUserAccess(const SystemAndUserAccess&) = delete; // the attributes point inside
    SystemAndUserAccess& operator=(const SystemAndUserAccess&) = delete;

    // False when the descriptor could not be built; then nothing may be created with it.
    bool valid() const { return m_descriptor != nullptr; }
    SECURITY_ATTRIBUTES* attributes() { return &m_attributes; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

} // namespace nimbral::windows
