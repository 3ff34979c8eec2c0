#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

namespace nimbral {

// How the window runs the system's own programs (status queries, the elevation prompt, the
// package installer). Tests replace it so that nothing is ever elevated or installed.
struct CommandRunner {
    // Runs the program and waits; the exit code, or nothing when it could not be started or
    // did not finish within the time.
    std::function<std::optional<int>(const QString& program, const QStringList& arguments,
                                     int timeoutMs)>
        run;
    // Starts the program and does not wait; whether it started.
    std::function<bool(const QString& program, const QStringList& arguments)> startDetached;

    // Through QProcess, without a shell.
    static CommandRunner system();
};

} // namespace nimbral
