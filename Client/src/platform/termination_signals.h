#pragma once

#include <functional>

class QCoreApplication;

namespace nimbral::platform {

// Turns the system's polite stop requests (SIGTERM, SIGINT, SIGHUP at logout) into an ordinary
// quit of the event loop, so the start-up routine tears the core down in order instead of the
// process vanishing mid-session. Installs once; the handler lives as long as the application.
void quitOnTerminationSignals(QCoreApplication& app);

// What a stop request does from now on, on the main thread; an empty action restores the plain
// quit. A program whose window stays open during a session (and so refuses a plain quit) ends
// the session first.
void setTerminationAction(std::function<void()> action);

} // namespace nimbral::platform
