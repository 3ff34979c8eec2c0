#include "platform/local_peer.h"

#include <sys/socket.h>
#include <unistd.h>

namespace nimbral::platform {

std::optional<LocalPeer> localSocketPeer(qintptr socketDescriptor) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &credentials,
                   &length) != 0) {
        return std::nullopt;
    }
    return LocalPeer{credentials.uid, credentials.pid};
}

LocalUserId currentUser() {
    return geteuid();
}

bool runsAsAdministrator() {
    return geteuid() == 0;
}

} // namespace nimbral::platform
