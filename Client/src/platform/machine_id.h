#pragma once

#include <QString>

namespace nimbral::platform {

// The installation's stable identifier as stored by the system (the systemd machine ID here),
// trimmed; empty when it cannot be read.
QString machineGuid();

} // namespace nimbral::platform
