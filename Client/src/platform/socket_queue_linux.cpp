#include "platform/socket_queue.h"

#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace nimbral::platform {

std::size_t unacknowledgedSocketBytes(std::intptr_t descriptor) {
    int queued = 0;
    if (descriptor < 0 || ioctl(static_cast<int>(descriptor), SIOCOUTQ, &queued) != 0 ||
        queued < 0) {
        return 0;
    }
    return static_cast<std::size_t>(queued);
}

std::uint32_t socketRoundTripMicros(std::intptr_t descriptor) {
    tcp_info info{};
    socklen_t length = sizeof info;
    if (descriptor < 0 ||
        getsockopt(static_cast<int>(descriptor), IPPROTO_TCP, TCP_INFO, &info, &length) != 0) {
        return 0;
    }
    return info.tcpi_rtt;
}

} // namespace nimbral::platform
