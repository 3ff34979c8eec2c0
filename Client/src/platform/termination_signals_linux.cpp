#include "platform/termination_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace nimbral::platform {

namespace {

int g_signalWriteFd = -1;

std::function<void()>& terminationAction() {
    static std::function<void()> action;
    return action;
}

// Only async-signal-safe work here: one byte into the socket, read back on the main thread.
void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalWriteFd, &byte, 1);
}

class TerminationSignalHandler final : public QObject {
public:
    TerminationSignalHandler(QCoreApplication& app, int readFd, int writeFd)
        : QObject(&app)
        , m_readFd(readFd)
        , m_writeFd(writeFd)
        , m_notifier(readFd, QSocketNotifier::Read, this) {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] {
            char byte = 0;
            [[maybe_unused]] const auto read = ::read(m_readFd, &byte, 1);
            // A copy: the action may replace itself.
            if (const std::function<void()> action = terminationAction()) {
                action();
            } else {
                QCoreApplication::quit();
            }
        });
    }
    ~TerminationSignalHandler() override {
        for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
            std::signal(sig, SIG_DFL);
        }
        g_signalWriteFd = -1;
        ::close(m_readFd);
        ::close(m_writeFd);
    }

private:
    int m_readFd;
    int m_writeFd;
    QSocketNotifier m_notifier;
};

} // namespace

void quitOnTerminationSignals(QCoreApplication& app) {
    if (g_signalWriteFd >= 0) {
        return;
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        return;
    }
    g_signalWriteFd = fds[1];
    new TerminationSignalHandler(app, fds[0], fds[1]);

    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(sig, &action, nullptr);
    }
}

void setTerminationAction(std::function<void()> action) {
    terminationAction() = std::move(action);
}

} // namespace nimbral::platform
