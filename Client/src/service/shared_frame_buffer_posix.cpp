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
    if (!map(maxSize, true)) {
        shm_unlink(name.c_str());
        return false;
    }
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

bool SharedFrameBuffer::map(std::size_t size, bool writable) {
    m_view =
        mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, m_fd, 0);
    if (m_view == MAP_FAILED) {
        m_view = nullptr;
        spdlog::error("SharedFrameBuffer: mmap failed ({})", std::strerror(errno));
        close();
        return false;
    }
    m_size = size;
    m_writable = writable;
    if (writable) {
        m_counter = 0;
        std::memset(m_view, 0, kHeaderSize);
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
    if (!map(static_cast<std::size_t>(info.st_size), false)) {
        return false;
    }
    m_name = name;
    return true;
}

bool SharedFrameBuffer::createSealed(std::size_t maxSize) {
    close();
    m_name.clear();
    if (maxSize <= kHeaderSize) {
        spdlog::error("SharedFrameBuffer::createSealed: maxSize {} is too small", maxSize);
        return false;
    }
    // Sealed at its size: the reader in another process can never find it cut short.
    m_fd = memfd_create("nimbral-screen", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (m_fd < 0 || ftruncate(m_fd, static_cast<off_t>(maxSize)) != 0 ||
        fcntl(m_fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
        spdlog::error("SharedFrameBuffer::createSealed: {}", std::strerror(errno));
        close();
        return false;
    }
    return map(maxSize, true);
}

bool SharedFrameBuffer::openSealed(const std::string& path, UserId owner) {
    close();
    m_name.clear();
    // Only a plain memory file is opened at all: a pipe or a device behind the path could
    // block this thread or do something on open.
    struct stat target {};
    if (stat(path.c_str(), &target) != 0 || !S_ISREG(target.st_mode)) {
        spdlog::warn("SharedFrameBuffer: '{}' is not a memory section", path);
        return false;
    }
    m_fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0) {
        spdlog::warn("SharedFrameBuffer: cannot open '{}' ({})", path, std::strerror(errno));
        return false;
    }
    struct stat info {};
    const int seals = fcntl(m_fd, F_GET_SEALS);
    if (fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_ino != target.st_ino ||
        info.st_dev != target.st_dev || info.st_uid != owner || seals < 0 ||
        (seals & F_SEAL_SHRINK) == 0 || info.st_size <= static_cast<off_t>(kHeaderSize)) {
        spdlog::error("SharedFrameBuffer: '{}' is not a sealed section of user {} (owner {}, "
                      "seals {}, size {}); not reading it",
                      path, owner, info.st_uid, seals, info.st_size);
        close();
        return false;
    }
    return map(static_cast<std::size_t>(info.st_size), false);
}

} // namespace nimbral
