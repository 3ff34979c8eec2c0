#include "platform/service_manager.h"

#include <systemd/sd-daemon.h>

namespace nimbral::platform {

// With Type=notify, systemd counts the unit as started only now, so units ordered after it
// find the agent socket open.
void notifyServiceReady() {
    sd_notify(0, "READY=1\nSTATUS=Serving agents");
}

void notifyServiceStopping() {
    sd_notify(0, "STOPPING=1");
}

} // namespace nimbral::platform
