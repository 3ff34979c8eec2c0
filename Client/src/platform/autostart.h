#pragma once

#include <QString>

namespace nimbral::platform {

// Start the client at every user logon, the way the desktop does it: an autostart entry named
// after the program. Each call reports whether the change was made.
bool installAutostart(const QString& executablePath);
bool uninstallAutostart();
bool isAutostartInstalled();

// Where the entry lives; for the settings dialog's messages and for tests.
QString autostartEntryPath();

} // namespace nimbral::platform
