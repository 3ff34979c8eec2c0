#include "service/shared_frame_buffer.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <spdlog/spdlog.h>

namespace nimbral {

SharedFrameBuffer::SharedFrameBuffer() = default;

SharedFrameBuffer::~SharedFrameBuffer() {
    close();
}

void SharedFrameBuffer::close() {
    // The writer's section goes with it: the last remote picture is not left behind in memory
    // for the next one who finds the name.
    if (m_writable && !m_name.empty()) {
        shm_unlink(m_name.c_str());
    }
    if (m_view != nullptr) {
        munmap(m_view, m_size);
        m_view = nullptr;
    }
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
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
    // Whatever already has the name may be someone else's, planted to be read by us or to read
    // our screen: it goes, and ours is made new.
    shm_unlink(name.c_str());
    m_fd = shm_open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        spdlog::error("SharedFrameBuffer::create: shm_open failed ({})", std::strerror(errno));
        return false;
    }
    m_name = name;
    if (reader && !setReader(*reader)) {
        close();
        shm_unlink(name.c_str());
        return false;
    }
    if (ftruncate(m_fd, static_cast<off_t>(maxSize)) != 0) {
        spdlog::error("SharedFrameBuffer::create: ftruncate failed ({})", std::strerror(errno));
        close();
        shm_unlink(name.c_str());
        return false;
    }
    m_view = mmap(nullptr, maxSize, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, 0);
    if (m_view == MAP_FAILED) {
        m_view = nullptr;
        spdlog::error("SharedFrameBuffer::create: mmap failed ({})", std::strerror(errno));
        close();
        shm_unlink(name.c_str());
        return false;
    }
    m_size = maxSize;
    m_writable = true;
    m_counter = 0;
    std::memset(m_view, 0, kHeaderSize);
    spdlog::info("SharedFrameBuffer created: name='{}', size={}", name, maxSize);
    return true;
}

bool SharedFrameBuffer::setReader(UserId reader) {
    if (m_fd < 0) {
        return false;
    }
    struct stat info {};
    if (fstat(m_fd, &info) == 0 && info.st_uid == reader) {
        return true;
    }
    if (fchown(m_fd, reader, static_cast<gid_t>(-1)) != 0) {
        spdlog::error("SharedFrameBuffer: cannot hand the section to user {} ({})", reader,
                      std::strerror(errno));
        return false;
    }
    return true;
}

bool SharedFrameBuffer::backingHolds(std::size_t bytes) const {
    struct stat info {};
    return fstat(m_fd, &info) == 0 && static_cast<std::size_t>(info.st_size) >= bytes;
}

bool SharedFrameBuffer::openForReading(const std::string& name) {
    close();
    m_fd = shm_open(name.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (m_fd < 0) {
        spdlog::warn("SharedFrameBuffer: cannot open '{}' ({})", name, std::strerror(errno));
        return false;
    }
    struct stat info {};
    if (fstat(m_fd, &info) != 0 || (info.st_uid != getuid() && info.st_uid != 0) ||
        (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
        info.st_size <= static_cast<off_t>(kHeaderSize)) {
        spdlog::error("SharedFrameBuffer: '{}' is not the service's frame buffer (owner {}, mode "
                      "{:o}, size {}); not reading it",
                      name, info.st_uid, info.st_mode & 07777, info.st_size);
        close();
        return false;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    m_view = mmap(nullptr, size, PROT_READ, MAP_SHARED, m_fd, 0);
    if (m_view == MAP_FAILED) {
        m_view = nullptr;
        spdlog::error("SharedFrameBuffer: mmap of '{}' failed ({})", name, std::strerror(errno));
        close();
        return false;
    }
    m_size = size;
    m_name = name;
    return true;
}

} // namespace nimbral
