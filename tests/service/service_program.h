#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "server_harness.h"

namespace nimbral::test {

// Starts the NimbralService program (NIMBRAL_SERVICE_PATH) in console mode at the test server:
// its socket at endpoint, its profile and home in folder, its probes at a loopback port where
// nobody answers. more: further options; unset: variables of this process it does not inherit.
inline bool startServiceProgram(QProcess& service, const ServerProcess& server,
                                const QTemporaryDir& folder, const QString& endpoint,
                                const QStringList& more = {}, const QStringList& unset = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : unset) {
        environment.remove(variable);
    }
    environment.insert("NIMBRAL_SERVICE_ENDPOINT", endpoint);
    environment.remove("INVOCATION_ID");
    environment.remove("NOTIFY_SOCKET");
    environment.insert("HOME", folder.path());
    service.setProcessEnvironment(environment);
    service.setProcessChannelMode(QProcess::MergedChannels);
    service.start(NIMBRAL_SERVICE_PATH,
                  QStringList{"--server", server.baseUrl(), "--profile", folder.filePath("profile"),
                              "--stun-server", "127.0.0.1:9", "--ip-echo-url",
                              "http://127.0.0.1:9/"} +
                      more);
    return service.waitForStarted(5000);
}

} // namespace nimbral::test
