#include "service/shared_frame_buffer.h"

#include <cstring>
#include <string>

#include <windows.h>

#include <spdlog/spdlog.h>

#include "service/windows_access.h"

namespace nimbral {

namespace {

std::wstring wide(const std::string& utf8) {
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(),
                          length);
    return result;
}

} // namespace

SharedFrameBuffer::SharedFrameBuffer() = default;

SharedFrameBuffer::~SharedFrameBuffer() {
    close();
}

void SharedFrameBuffer::close() {
    if (m_view != nullptr) {
        ::UnmapViewOfFile(m_view);
        m_view = nullptr;
    }
    if (m_mapping != nullptr) {
        ::CloseHandle(m_mapping);
        m_mapping = nullptr;
    }
    m_size = 0;
    m_writable = false;
}

bool SharedFrameBuffer::create(const std::string& name, std::size_t maxSize,
                               std::optional<UserId> reader) {
    close();
    if (maxSize <= kHeaderSize) {
        spdlog::error("SharedFrameBuffer::create: maxSize {} is too small", maxSize);
        return false;
    }
    // The remote screen is for the agent's user alone: the local system account and the user of
    // the agent's session may open the section, nobody else.
    windows::SystemAndUserAccess access(reader ? windows::sessionUserSid(*reader) : std::wstring(),
                                        L"GR");
    if (!access.valid()) {
        return false;
    }
    const auto size = static_cast<std::uint64_t>(maxSize);
    m_mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, access.attributes(), PAGE_READWRITE,
                                     static_cast<DWORD>(size >> 32), static_cast<DWORD>(size),
                                     wide(name).c_str());
    if (m_mapping == nullptr) {
        spdlog::error("SharedFrameBuffer::create: CreateFileMappingW failed (error {})",
                      ::GetLastError());
        return false;
    }
    // An existing section keeps the access list it was made with, and whoever holds it would
    // see every frame: only a section of our own making is written to.
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        spdlog::error("SharedFrameBuffer::create: '{}' is already held by someone; not using it",
                      name);
        close();
        return false;
    }
    m_view = ::MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (m_view == nullptr) {
        spdlog::error("SharedFrameBuffer::create: MapViewOfFile failed (error {})",
                      ::GetLastError());
        close();
        return false;
    }
    m_size = maxSize;
    m_writable = true;
    m_counter = 0;
    m_name = name;
    std::memset(m_view, 0, kHeaderSize);
    spdlog::info("SharedFrameBuffer created: name='{}', size={}", name, maxSize);
    return true;
}

bool SharedFrameBuffer::setReader(UserId reader) {
    (void)reader; // a section's access list is fixed when it is made (create)
    return m_mapping != nullptr;
}

bool SharedFrameBuffer::backingHolds(std::size_t) const {
    return true; // a section keeps the size it was made with
}

bool SharedFrameBuffer::openForReading(const std::string& name) {
    close();
    m_mapping = ::OpenFileMappingW(FILE_MAP_READ, FALSE, wide(name).c_str());
    if (m_mapping == nullptr) {
        spdlog::warn("SharedFrameBuffer: cannot open '{}' (error {})", name, ::GetLastError());
        return false;
    }
    m_view = ::MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region{};
    if (m_view == nullptr || ::VirtualQuery(m_view, &region, sizeof(region)) == 0 ||
        region.RegionSize <= kHeaderSize) {
        spdlog::error("SharedFrameBuffer: '{}' cannot be mapped as a frame buffer (error {})", name,
                      ::GetLastError());
        close();
        return false;
    }
    // The view spans whole pages: at least the section's size, never less.
    m_size = region.RegionSize;
    m_name = name;
    return true;
}

} // namespace nimbral
