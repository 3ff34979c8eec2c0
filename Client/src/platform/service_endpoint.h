#pragma once

#include <QDir>
#include <QString>

namespace nimbral::platform {

// Where the service listens for its agent and the client probes for it: an absolute path in a
// folder only root may write. Never a bare name: Qt would put that in the shared temporary
// folder, where any user could plant a socket first. NIMBRAL_SERVICE_ENDPOINT (an absolute path)
// moves it, for tests and for a service run by hand without root.
inline QString serviceEndpoint() {
    const QString configured = qEnvironmentVariable("NIMBRAL_SERVICE_ENDPOINT");
    if (!configured.isEmpty() && QDir::isAbsolutePath(configured)) {
        return configured;
    }
    return QStringLiteral("/run/nimbral/NimbralService");
}

} // namespace nimbral::platform
