#include <QCoreApplication>

#include <spdlog/sinks/stdout_sinks.h>
#include <spdlog/spdlog.h>

#include "central_server.h"
#include "common/command_line.h"
#include "platform/termination_signals.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbral"));
    QCoreApplication::setApplicationName(QStringLiteral("NimbralServer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NIMBRAL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The central server and relay node of Nimbral."));
    const auto options = nimbral::server::parseServerOptions(QCoreApplication::arguments(), parser);
    if (const auto exitCode =
            nimbral::answerCommandLine(parser, {options.help, options.version, options.error})) {
        return *exitCode;
    }

    // Lines go to stdout, flushed each, so scripts and tests can read the listening addresses.
    auto logger = std::make_shared<spdlog::logger>(
        "nimbral", std::make_shared<spdlog::sinks::stdout_sink_mt>());
    logger->flush_on(spdlog::level::trace);
    spdlog::set_default_logger(logger);
    spdlog::set_level(options.logLevel);

    nimbral::platform::quitOnTerminationSignals(app);
    nimbral::server::CentralServer server;
    QString error;
    if (!server.start(options, &error)) {
        spdlog::error("NimbralServer: {}", error.toStdString());
        return 1;
    }
    const int code = QCoreApplication::exec();
    spdlog::info("NimbralServer: stopped");
    return code;
}
