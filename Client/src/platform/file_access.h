#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "platform/local_peer.h"

namespace nimbral::platform {

// For as long as it lives, the calling thread reaches files with another account's rights: on
// Linux its real and effective user and group IDs and its supplementary groups are that
// account's (the saved IDs stay root's, for the way back), so the kernel allows exactly what the
// account itself may do, and permission questions get that account's answers. Other threads
// keep their own rights.
// A service that runs as root and serves files on a user's behalf wraps every piece of that work
// in one. Switching to the account the process already runs as changes nothing and succeeds;
// switching to another needs root. Not copyable; destroyed on the thread that made it.
class FileAccessAs {
public:
    explicit FileAccessAs(LocalUserId user);
    ~FileAccessAs();
    FileAccessAs(const FileAccessAs&) = delete;
    FileAccessAs& operator=(const FileAccessAs&) = delete;

    // False when the switch failed: then no file may be touched under this object.
    bool active() const { return m_active; }

private:
    bool m_active = false;
    bool m_switched = false;
    std::uint32_t m_previousRealUser = 0;
    std::uint32_t m_previousUser = 0;
    std::uint32_t m_previousRealGroup = 0;
    std::uint32_t m_previousGroup = 0;
    std::vector<std::uint32_t> m_previousGroups;
};

// Why a program at `path` is not safe to run as root, or empty when it is: the file and every
// folder above it must belong to root (or `trustedOwner`) and be writable by nobody else, a
// folder with the sticky bit (/tmp) excepted, since others cannot replace root's entries there.
QString unsafeForRoot(const QString& path, LocalUserId trustedOwner = 0);

// Makes the files this process creates from now on private to its account (umask 077).
void keepNewFilesPrivate();

} // namespace nimbral::platform
