#pragma once

#include <windows.h>

namespace nimbral::windows {

// Security attributes whose access list is null: every local account may open the object. The
// service's pipe and frame section use it so that the agent, in the user's account, reaches them.
class OpenToEveryAccount {
public:
    OpenToEveryAccount() {
        ::InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION);
        ::SetSecurityDescriptorDacl(&m_descriptor, TRUE, nullptr, FALSE);
        m_attributes.nLength = sizeof(m_attributes);
        m_attributes.lpSecurityDescriptor = &m_descriptor;
    }
    OpenToEveryAccount(const OpenToEveryAccount&) = delete; // the attributes point inside
    OpenToEveryAccount& operator=(const OpenToEveryAccount&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return &m_attributes; }

private:
    SECURITY_DESCRIPTOR m_descriptor{};
    SECURITY_ATTRIBUTES m_attributes{};
};

} // namespace nimbral::windows
