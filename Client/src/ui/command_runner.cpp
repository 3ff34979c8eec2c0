#include "ui/command_runner.h"

#include <QProcess>
#include <spdlog/spdlog.h>

namespace nimbral {

CommandRunner CommandRunner::system() {
    CommandRunner runner;
    runner.run = [](const QString& program, const QStringList& arguments,
                    int timeoutMs) -> std::optional<int> {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        if (!process.waitForStarted(timeoutMs)) {
            spdlog::warn("Could not start {}: {}", program.toStdString(),
                         process.errorString().toStdString());
            return std::nullopt;
        }
        if (!process.waitForFinished(timeoutMs)) {
            spdlog::warn("{} did not finish within {} ms", program.toStdString(), timeoutMs);
            process.kill();
            process.waitForFinished(1000);
            return std::nullopt;
        }
        if (process.exitStatus() != QProcess::NormalExit) {
            return std::nullopt;
        }
        return process.exitCode();
    };
    runner.startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    return runner;
}

} // namespace nimbral
