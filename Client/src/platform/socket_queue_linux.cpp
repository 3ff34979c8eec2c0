#include "platform/socket_queue.h"

#include <linux/sockios.h>
#include <sys/ioctl.h>

namespace nimbral::platform {

std::size_t unacknowledgedSocketBytes(std::intptr_t descriptor) {
    int queued = 0;
    if (descriptor < 0 || ioctl(static_cast<int>(descriptor), SIOCOUTQ, &queued) != 0 ||
        queued < 0) {
        return 0;
    }
    return static_cast<std::size_t>(queued);
}

} // namespace nimbral::platform
