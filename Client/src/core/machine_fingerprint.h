#pragma once

#include <QString>

namespace nimbral {

// The machine's identity at registration: SHA-256 of the installation GUID followed by
// "Nimbral", as 64 lowercase hex digits. Stable across reinstalls of the program, so the server
// can give the same client ID back.
class MachineFingerprint {
public:
    // Empty (with a warning) when the installation GUID cannot be read.
    static QString generate();
    static QString fromInstallationGuid(const QString& guid);
};

} // namespace nimbral
