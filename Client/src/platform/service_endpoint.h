#pragma once

#include <QString>

namespace nimbral::platform {

// The local endpoint name the service listens on and the client probes. Qt maps it to the pipe
// "\\.\pipe\NimbralService" on Windows and to a local socket elsewhere.
inline QString serviceEndpointName() {
    return QStringLiteral("NimbralService");
}

} // namespace nimbral::platform
