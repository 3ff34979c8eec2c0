#pragma once

class QCoreApplication;

namespace nimbral::platform {

// Turns the system's polite stop requests (SIGTERM, SIGINT, SIGHUP at logout) into an ordinary
// quit of the event loop, so the start-up routine tears the core down in order instead of the
// process vanishing mid-session. Installs once; the handler lives as long as the application.
void quitOnTerminationSignals(QCoreApplication& app);

} // namespace nimbral::platform
