#pragma once

namespace nimbral::platform {

// Tells the service manager that started this process how far it got; a no-op when nothing
// listens (console mode).
void notifyServiceReady();
void notifyServiceStopping();

} // namespace nimbral::platform
