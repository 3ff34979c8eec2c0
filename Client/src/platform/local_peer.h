#pragma once

#include <cstdint>
#include <optional>

#include <QtGlobal>

namespace nimbral::platform {

// An account of this machine, as the system numbers it.
using LocalUserId = std::uint32_t;

struct LocalPeer {
    LocalUserId user = 0;
    std::int64_t process = -1;
};

// Who is at the other end of a connected local socket, as the system recorded it at connect
// time (so a peer cannot claim to be someone else); nothing when the system cannot say.
std::optional<LocalPeer> localSocketPeer(qintptr socketDescriptor);

// The account this process runs as, and whether that is the administrator's, who may hand its
// objects to other accounts.
LocalUserId currentUser();
bool runsAsAdministrator();

} // namespace nimbral::platform
