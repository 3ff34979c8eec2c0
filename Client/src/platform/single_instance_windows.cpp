#include "platform/single_instance.h"

#include <string>

#include <windows.h>

namespace nimbral::platform {

namespace {

// A named mutex in the global namespace: one client per machine, whoever runs it. The system
// closes the handle, and frees the name, when the process ends however it ends.
class MutexSingleInstanceLock final : public SingleInstanceLock {
public:
    explicit MutexSingleInstanceLock(const std::wstring& name) {
        m_handle = ::CreateMutexW(nullptr, FALSE, name.c_str());
        // A failure to create it lets the start go on, as the lock's contract says.
        if (m_handle != nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
            m_heldElsewhere = true;
            ::CloseHandle(m_handle);
            m_handle = nullptr;
        }
    }
    ~MutexSingleInstanceLock() override {
        if (m_handle != nullptr) {
            ::CloseHandle(m_handle);
        }
    }
    MutexSingleInstanceLock(const MutexSingleInstanceLock&) = delete;
    MutexSingleInstanceLock& operator=(const MutexSingleInstanceLock&) = delete;

    bool anotherInstanceRunning() const override { return m_heldElsewhere; }

private:
    HANDLE m_handle = nullptr;
    bool m_heldElsewhere = false;
};

} // namespace

std::unique_ptr<SingleInstanceLock> acquireSingleInstanceLock(const char* name) {
    std::wstring wideName = L"Global\\";
    for (const char* c = name; *c != '\0'; ++c) {
        wideName.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    }
    return std::make_unique<MutexSingleInstanceLock>(wideName);
}

} // namespace nimbral::platform
