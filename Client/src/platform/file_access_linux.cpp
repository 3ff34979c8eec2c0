#include "platform/file_access.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>

namespace nimbral::platform {

namespace {

// The C library's set*id functions change every thread of the process; the system calls change
// only the calling one, which is what a scoped switch on one thread needs. The saved IDs stay
// root's, which is what allows the way back.
bool setThreadGroups(const std::vector<gid_t>& groups) {
    return syscall(SYS_setgroups, groups.size(), groups.data()) == 0;
}

bool setThreadGroup(gid_t real, gid_t effective) {
    return syscall(SYS_setresgid, real, effective, static_cast<gid_t>(-1)) == 0;
}

bool setThreadUser(uid_t real, uid_t effective) {
    return syscall(SYS_setresuid, real, effective, static_cast<uid_t>(-1)) == 0;
}

struct Account {
    gid_t group = 0;
    std::vector<gid_t> groups;
};

// An account's primary and supplementary groups. Asked for every piece of file work (a chunk of
// an upload, say), so the answer is kept a minute: a directory service may be slow to ask.
std::optional<Account> accountOf(uid_t user) {
    struct Cached {
        Account account;
        std::chrono::steady_clock::time_point at;
    };
    static std::mutex mutex;
    static std::map<uid_t, Cached> cache;
    const auto now = std::chrono::steady_clock::now();
    const std::lock_guard lock(mutex);
    if (const auto it = cache.find(user);
        it != cache.end() && now - it->second.at < std::chrono::minutes(1)) {
        return it->second.account;
    }
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(user, &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    Account account;
    account.group = found->pw_gid;
    int count = 64;
    account.groups.resize(static_cast<std::size_t>(count));
    if (getgrouplist(found->pw_name, found->pw_gid, account.groups.data(), &count) < 0) {
        account.groups.resize(static_cast<std::size_t>(count));
        if (getgrouplist(found->pw_name, found->pw_gid, account.groups.data(), &count) < 0) {
            return std::nullopt;
        }
    }
    account.groups.resize(static_cast<std::size_t>(count));
    cache[user] = Cached{account, now};
    return account;
}

std::vector<gid_t> threadGroups() {
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(count > 0 ? static_cast<std::size_t>(count) : 0);
    if (count > 0 && getgroups(count, groups.data()) != count) {
        groups.clear();
    }
    return groups;
}

} // namespace

FileAccessAs::FileAccessAs(LocalUserId user) {
    uid_t real = 0;
    uid_t effective = 0;
    uid_t saved = 0;
    getresuid(&real, &effective, &saved);
    if (effective == user && real == user) {
        m_active = true;
        return;
    }
    if (effective != 0) {
        return; // only root may take another account's rights
    }
    const std::optional<Account> account = accountOf(user);
    if (!account) {
        return;
    }
    gid_t realGroup = 0;
    gid_t effectiveGroup = 0;
    gid_t savedGroup = 0;
    getresgid(&realGroup, &effectiveGroup, &savedGroup);
    const std::vector<gid_t> previousGroups = threadGroups();
    m_previousRealUser = real;
    m_previousUser = effective;
    m_previousRealGroup = realGroup;
    m_previousGroup = effectiveGroup;
    m_previousGroups.assign(previousGroups.begin(), previousGroups.end());
    m_switched = true;
    // Real and effective IDs both: the kernel checks files against the effective ones, and
    // access(2), which Qt asks for permissions and existence, against the real ones. Groups
    // first: once the user is switched, root's rights to switch them are gone.
    m_active = setThreadGroups(account->groups) && setThreadGroup(account->group, account->group) &&
               setThreadUser(user, user);
    uid_t nowReal = 0;
    uid_t nowEffective = 0;
    getresuid(&nowReal, &nowEffective, &saved);
    m_active = m_active && nowReal == user && nowEffective == user;
}

FileAccessAs::~FileAccessAs() {
    if (!m_switched) {
        return;
    }
    setThreadUser(m_previousRealUser, m_previousUser);
    setThreadGroup(m_previousRealGroup, m_previousGroup);
    setThreadGroups(std::vector<gid_t>(m_previousGroups.begin(), m_previousGroups.end()));
}

QString unsafeForRoot(const QString& path, LocalUserId trustedOwner) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (canonical.isEmpty()) {
        return QStringLiteral("%1 does not exist").arg(path);
    }
    QString current = canonical;
    bool first = true;
    for (;;) {
        struct stat info {};
        if (lstat(QFile::encodeName(current).constData(), &info) != 0) {
            return QStringLiteral("cannot check %1: %2")
                .arg(current, QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (info.st_uid != 0 && info.st_uid != trustedOwner) {
            return QStringLiteral("%1 belongs to user %2, not root").arg(current).arg(info.st_uid);
        }
        const bool othersMayWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        const bool stickyFolder = S_ISDIR(info.st_mode) && (info.st_mode & S_ISVTX) != 0;
        if (othersMayWrite && (first || !stickyFolder)) {
            return QStringLiteral("%1 is writable by others than its owner").arg(current);
        }
        if (current == QLatin1String("/")) {
            return {};
        }
        current = QFileInfo(current).path();
        first = false;
    }
}

void keepNewFilesPrivate() {
    umask(077);
}

} // namespace nimbral::platform
