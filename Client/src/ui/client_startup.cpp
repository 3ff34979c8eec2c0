#include "ui/client_startup.h"

#include <memory>

#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include "capture/capture_backend_chain.h"
#include "common/command_line.h"
#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "input/platform_input.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "platform/autostart.h"
#include "platform/graphical_display.h"
#include "platform/service_endpoint.h"
#include "platform/single_instance.h"
#include "platform/termination_signals.h"
#include "service/agent_screen_sharer.h"
#include "service/service_ipc_client.h"
#include "session/update_service.h"
#include "ui/agent_window.h"
#include "ui/app_icon.h"
#include "ui/button_cursor_filter.h"
#include "ui/client_core.h"
#include "ui/interface_language.h"
#include "ui/main_window.h"
#include "ui/style_sheet.h"

namespace nimbral {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;

std::optional<QString> valueAfter(const QStringList& arguments, const QString& option) {
    const qsizetype index = arguments.indexOf(option);
    if (index < 0 || index + 1 >= arguments.size()) {
        return std::nullopt;
    }
    return arguments.at(index + 1);
}

// The log must never keep the client from starting: when the file cannot be opened the lines
// go to stderr instead.
void installDefaultLogger(const std::optional<QString>& profileDirectory) {
    const QString directory = profileDirectory.value_or(
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    QDir().mkpath(directory);
    const std::string path =
        QDir::toNativeSeparators(directory + "/NimbralClient.log").toStdString();

    std::shared_ptr<spdlog::logger> logger;
    try {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path, /*truncate=*/true);
        logger = std::make_shared<spdlog::logger>("nimbral", std::move(sink));
    } catch (const spdlog::spdlog_ex&) {
        logger = std::make_shared<spdlog::logger>(
            "nimbral", std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
    }
    logger->flush_on(spdlog::level::debug);
    spdlog::set_default_logger(std::move(logger));
}

bool isServiceRunning() {
    QLocalSocket socket;
    socket.connectToServer(platform::serviceEndpoint(), QIODevice::ReadWrite);
    const bool connected = socket.waitForConnected(500);
    socket.abort();
    return connected;
}

constexpr int kServiceRetryMs = 2000;

// The window of the service's device: no core of its own, one ID per machine.
int runAsAgent(ServiceIpcClient& service, SettingsController& settings,
               const ClientOptions& options, bool& restart) {
    spdlog::info("Nimbral service detected, running as its agent");
    AgentWindow window(service, settings);
    // A restarting service comes back on its own; the window waits for it.
    QTimer retry;
    retry.setInterval(kServiceRetryMs);
    QObject::connect(&retry, &QTimer::timeout, &service, [&service, &retry] {
        if (service.connectToService(QString(), 200)) {
            retry.stop();
        }
    });
    QObject::connect(&service, &ServiceIpcClient::disconnected, &retry,
                     qOverload<>(&QTimer::start));
    // Where the service cannot record this desktop itself, this program does it for it.
    std::unique_ptr<AgentScreenSharer> sharer;
    if (captureNeedsTheUsersSession()) {
        sharer = std::make_unique<AgentScreenSharer>(service, makePrimaryCaptureBackend,
                                                     makePlatformInputBackend);
        sharer->start();
    }
    // The start-up probe may still hold the line when this connection comes: the service then
    // closes it, perhaps before the retry above was wired.
    if (!service.isConnected()) {
        retry.start();
    }
    // A stop request (SIGTERM at log-out) ends the viewing with its reason, then the program.
    platform::setTerminationAction([&window] { window.quitOnStopRequest(); });
    QObject::connect(&window, &AgentWindow::restartRequested, [&restart] { restart = true; });
    window.show();
    if (options.connectTo) {
        auto* once = new QObject(&window);
        const auto connectOnce = [&window, once, options] {
            window.connectTo(*options.connectTo, options.connectPassword);
            once->deleteLater();
        };
        if (service.isAuthenticated()) {
            QTimer::singleShot(0, once, connectOnce);
        } else {
            QObject::connect(&service, &ServiceIpcClient::authenticated, once, connectOnce);
        }
    }
    const int exitCode = QApplication::exec();
    platform::setTerminationAction({});
    spdlog::info("Nimbral Client exiting with code {}", exitCode);
    return exitCode;
}

QString userInterfaceLanguage(const SettingsController& settings) {
    const QString stored = settings.language();
    if (!stored.isEmpty()) {
        return stored;
    }
    return QLocale::system().name().left(2);
}

void loadTranslation(QApplication& app, const QString& language) {
    // Beside the program in a build folder; under share/nimbral once installed (/usr/bin ->
    // /usr/share/nimbral/translations).
    const QString programDirectory = QCoreApplication::applicationDirPath();
    installInterfaceLanguage(
        app, language,
        {programDirectory + "/translations",
         programDirectory + "/../" NIMBRAL_INSTALL_DATADIR "/nimbral/translations"});
}

void setApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("NimbralClient"));
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbral"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NIMBRAL_VERSION));
}

} // namespace

QStringList argumentsForRestart(const QStringList& arguments) {
    // What started a session or handed a secret over belongs to that start only (a password
    // from standard input could not be read twice).
    static const QStringList kOnce = {QStringLiteral("--connect"), QStringLiteral("--password"),
                                      QStringLiteral("--password-file"),
                                      QStringLiteral("--session-password"),
                                      QStringLiteral("--session-password-file")};
    QStringList kept;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (kOnce.contains(argument)) {
            ++i; // and its value
        } else if (std::none_of(kOnce.begin(), kOnce.end(), [&argument](const QString& option) {
                       return argument.startsWith(option + QLatin1Char('='));
                   })) {
            kept << argument;
        }
    }
    return kept;
}

spdlog::level::level_enum logLevelFromName(const QString& value) {
    const QString name = value.toLower();
    if (name == QLatin1String("debug")) {
        return spdlog::level::debug;
    }
    if (name == QLatin1String("info")) {
        return spdlog::level::info;
    }
    if (name == QLatin1String("warning")) {
        return spdlog::level::warn;
    }
    return spdlog::level::err;
}

std::optional<QString> readSecret(const QString& source, QString& error) {
    // A password is one short line; reading is bounded whatever the source holds.
    constexpr qint64 kMaxSecretBytes = 4096;
    QFile file;
    const bool opened = source == QLatin1String("-")
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(source), file.open(QIODevice::ReadOnly));
    if (!opened) {
        error = QStringLiteral("cannot read %1: %2").arg(source, file.errorString());
        return std::nullopt;
    }
    QByteArray line = file.readLine(kMaxSecretBytes);
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    const QString secret = QString::fromUtf8(line);
    if (secret.trimmed().isEmpty()) {
        error = QStringLiteral("%1 holds no password on its first line")
                    .arg(source == QLatin1String("-") ? QStringLiteral("standard input") : source);
        return std::nullopt;
    }
    return secret;
}

namespace {

QList<QCommandLineOption> clientCommandLineOptions() {
    return {
        QCommandLineOption(QStringLiteral("install"),
                           QStringLiteral("Start the program at log-in (an autostart entry).")),
        QCommandLineOption(QStringLiteral("uninstall"),
                           QStringLiteral("Stop starting the program at log-in.")),
        valueOption("log-level", "LEVEL", "debug, info, warning or error (the default)."),
        valueOption("server", "URL", "The central server of this run."),
        valueOption("profile", "DIR", "Settings, log and single-instance lock in DIR."),
        valueOption("session-password-file", "FILE",
                    "The password partners connect with, from the first line of FILE (- for "
                    "standard input)."),
        valueOption("session-password", "PW", "The same, visible in the process list."),
        valueOption("connect", "ID", "Once online, connect to that partner (needs a password)."),
        valueOption("password-file", "FILE",
                    "The partner's password, from the first line of FILE (- for standard "
                    "input)."),
        valueOption("password", "PW", "The same, visible in the process list."),
        valueOption("stun-server", "HOST[:PORT]", "The STUN server of this deployment."),
        valueOption("ip-echo-url", "URL", "Where the public address is asked for."),
        valueOption("update-manifest", "URL", "Where this deployment publishes its releases."),
    };
}

// The options as given: present or not, and the first value of each (a repeated option keeps
// its first value).
class GivenOptions {
public:
    explicit GivenOptions(const QCommandLineParser& parser)
        : m_parser(parser) {}
    bool has(const char* name) const { return m_parser.isSet(QString::fromLatin1(name)); }
    std::optional<QString> value(const char* name) const { return firstValue(m_parser, name); }

private:
    const QCommandLineParser& m_parser;
};

std::optional<QUrl> webUrl(const QString& value) {
    const QUrl url(value, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
        !url.host().isEmpty()) {
        return url;
    }
    return std::nullopt;
}

// Server, probes and the release manifest: where this run reaches out to.
void parseAddresses(const GivenOptions& given, ClientOptions& options) {
    const auto fail = [&options](const QString& error) {
        if (options.error.isEmpty()) {
            options.error = error;
        }
    };
    if (const auto value = given.value("server")) {
        options.serverUrl = webUrl(*value);
        if (!options.serverUrl) {
            fail(QStringLiteral("--server needs an http:// or https:// URL with a host, for "
                                "example https://nimbral.example.com, got '%1'")
                     .arg(*value));
        }
    }
    if (const auto value = given.value("stun-server")) {
        const QUrl url(QStringLiteral("stun://") + *value);
        const int port = url.port(19302);
        if (!value->isEmpty() && url.isValid() && !url.host().isEmpty() && url.path().isEmpty() &&
            port > 0) {
            options.stunServer = std::make_pair(url.host(), static_cast<quint16>(port));
        } else {
            fail(QStringLiteral("--stun-server needs HOST or HOST:PORT, got '%1'").arg(*value));
        }
    }
    if (const auto value = given.value("ip-echo-url")) {
        options.ipEchoUrl = webUrl(*value);
        if (!options.ipEchoUrl) {
            fail(QStringLiteral("--ip-echo-url needs an http:// or https:// URL, got '%1'")
                     .arg(*value));
        }
    }
    if (const auto value = given.value("update-manifest")) {
        const QUrl url(*value, QUrl::StrictMode);
        // What the manifest names gets installed as root: plain http only from this machine.
        if (url.isValid() && UpdateService::isAcceptableDownloadUrl(url)) {
            options.updateManifestUrl = url;
        } else {
            fail(QStringLiteral("--update-manifest needs an https:// URL (plain http only to "
                                "this machine), got '%1'")
                     .arg(*value));
        }
    }
}

// A password on the command line is in every local user's process list: the file forms keep
// it out, the plain forms stay for scripts with a warning.
QString passwordOption(const GivenOptions& given, const char* plain, const char* fromFile,
                       const SecretReader& reader, ClientOptions& options) {
    const QString plainName = QStringLiteral("--") + QLatin1String(plain);
    const QString fileName = QStringLiteral("--") + QLatin1String(fromFile);
    const auto fail = [&options](const QString& error) {
        if (options.error.isEmpty()) {
            options.error = error;
        }
    };
    if (given.has(plain) && given.has(fromFile)) {
        fail(QStringLiteral("use either %1 or %2, not both").arg(plainName, fileName));
        return {};
    }
    if (const auto source = given.value(fromFile)) {
        if (source->isEmpty()) {
            fail(QStringLiteral("%1 needs a file, or - for standard input").arg(fileName));
            return {};
        }
        QString error;
        const std::optional<QString> secret = reader(*source, error);
        if (!secret) {
            fail(QStringLiteral("%1: %2").arg(fileName, error));
            return {};
        }
        return *secret;
    }
    const QString value = given.value(plain).value_or(QString());
    if (!value.trimmed().isEmpty()) {
        options.warnings << QStringLiteral("%1 shows the password to every user of this machine "
                                           "(in the process list); %2 FILE, or - for standard "
                                           "input, keeps it private")
                                .arg(plainName, fileName);
    }
    return value;
}

void parseSessionOptions(const GivenOptions& given, const SecretReader& reader,
                         ClientOptions& options) {
    const auto fail = [&options](const QString& error) {
        if (options.error.isEmpty()) {
            options.error = error;
        }
    };
    if (given.value("session-password-file") == QLatin1String("-") &&
        given.value("password-file") == QLatin1String("-")) {
        fail(QStringLiteral("only one password can come from standard input"));
        return;
    }
    if (given.has("session-password") || given.has("session-password-file")) {
        const QString value =
            passwordOption(given, "session-password", "session-password-file", reader, options);
        if (!value.trimmed().isEmpty()) {
            options.sessionPassword = value;
        } else {
            fail(QStringLiteral("--session-password needs a password"));
        }
    }
    if (given.has("connect")) {
        const QString id = given.value("connect").value_or(QString());
        const QString secret = passwordOption(given, "password", "password-file", reader, options);
        if (!id.isEmpty() && !secret.isEmpty()) {
            options.connectTo = id;
            options.connectPassword = secret;
        } else {
            fail(QStringLiteral("--connect needs a partner ID and --password-file FILE (or "
                                "--password PASSWORD)"));
        }
    }
}

// Help and the version need no lock, no log and no display.
std::optional<int> answerHelpOrVersion(const QStringList& arguments) {
    QCommandLineParser parser;
    const CommandLine line = parseCommandLine(parser, clientCommandLineOptions(), arguments);
    if (!line.helpRequested && !line.versionRequested) {
        return std::nullopt;
    }
    return answerCommandLine(parser, line);
}

} // namespace

ClientOptions parseClientOptions(const QStringList& arguments, const SecretReader& reader) {
    QCommandLineParser parser;
    return parseClientOptions(arguments, parser, reader);
}

ClientOptions parseClientOptions(const QStringList& arguments, QCommandLineParser& parser,
                                 const SecretReader& reader) {
    parser.setApplicationDescription(
        QStringLiteral("See and control another computer, or share this one."));
    const CommandLine line = parseCommandLine(parser, clientCommandLineOptions(), arguments);
    ClientOptions options;
    options.help = line.helpRequested;
    options.version = line.versionRequested;
    // The first problem is the one reported; the rest is still read (the log level, above all).
    options.error = line.error;
    const GivenOptions given(parser);
    if (const auto level = given.value("log-level")) {
        options.logLevel = logLevelFromName(*level);
    }
    options.install = given.has("install");
    options.uninstall = !options.install && given.has("uninstall");
    parseAddresses(given, options);
    if (given.has("profile")) {
        const QString value = given.value("profile").value_or(QString());
        if (!value.isEmpty() && !value.startsWith(QLatin1String("--"))) {
            options.profileDirectory = QDir(value).absolutePath();
        } else if (options.error.isEmpty()) {
            options.error = QStringLiteral("--profile needs a directory");
        }
    }
    if (options.help || options.version || !line.error.isEmpty()) {
        return options; // no secret is read for a start that ends here
    }
    parseSessionOptions(given, reader, options);
    return options;
}

// What the command line settles without a window: autostart commands, errors, a missing
// display. The exit code when the program ends here.
std::optional<int> answerWithoutWindow(QCommandLineParser& parser, const ClientOptions& options) {
    if (options.install) {
        return platform::installAutostart(QCoreApplication::applicationFilePath()) ? kExitOk
                                                                                   : kExitFailure;
    }
    if (options.uninstall) {
        return platform::uninstallAutostart() ? kExitOk : kExitFailure;
    }
    if (!options.error.isEmpty()) {
        spdlog::error("Invalid command line: {}", options.error.toStdString());
        return answerCommandLine(parser, {false, false, options.error}).value_or(kExitUsage);
    }
    for (const QString& warning : options.warnings) {
        spdlog::warn("Command line: {}", warning.toStdString());
        fprintf(stderr, "NimbralClient: warning: %s\n", qPrintable(warning));
    }

    if (const QString reason = platform::missingDisplayReason(); !reason.isEmpty()) {
        spdlog::error("Cannot show the window: {}", reason.toStdString());
        fprintf(stderr, "NimbralClient: %s\n", qPrintable(reason));
        return kExitFailure;
    }
    return std::nullopt;
}

// The client on its own (no service on this machine): core, window, update checks.
int runStandalone(SettingsController& settings, const ClientOptions& options, bool& restart);

// As the service's agent when the service runs, else on its own. restart: set when the user
// asked for the program to start again (a new language).
int runWindow(SettingsController& settings, const ClientOptions& options, bool& restart) {
    if (isServiceRunning()) {
        ServiceIpcClient service;
        if (service.connectToService()) {
            return runAsAgent(service, settings, options, restart);
        }
        spdlog::warn("Nimbral service answered the probe but not the connection; running "
                     "standalone");
    }
    return runStandalone(settings, options, restart);
}

int runStandalone(SettingsController& settings, const ClientOptions& options, bool& restart) {
    spdlog::info("Nimbral Client starting...");

    ClientCore core(settings, options);
    spdlog::info("Central server: {}", core.api().baseUrl().toString().toStdString());
    MainWindow window(core.auth(), core.api(), core.signaling(), core.session(), settings);
    // A deployment with a server of its own has its own releases: it checks only where it is
    // told to, never at the public site.
    const std::optional<QUrl> manifest = options.updateManifestUrl ? options.updateManifestUrl
                                         : options.serverUrl
                                             ? std::nullopt
                                             : std::optional<QUrl>(UpdateService::manifestUrlFor(
                                                   QUrl(QStringLiteral(NIMBRAL_WEB_URL))));
    // Declared after the window, so destroyed before it.
    std::unique_ptr<UpdateService> updates;
    if (manifest) {
        updates = std::make_unique<UpdateService>(*manifest, QCoreApplication::applicationVersion(),
                                                  UpdateService::builtInReleaseKey());
        QObject::connect(&core.auth(), &AuthController::authenticated, updates.get(),
                         &UpdateService::checkForUpdates);
        window.setUpdateService(updates.get());
    } else {
        spdlog::info("Update checks off: this server has no release manifest "
                     "(--update-manifest URL names one)");
    }
    // A stop request (SIGTERM at log-out) ends the session with its reason, then the program.
    platform::setTerminationAction([&window] { window.onQuitRequested(); });
    QObject::connect(&window, &MainWindow::restartRequested, [&restart] { restart = true; });
    window.show();
    if (options.connectTo) {
        // Once, as soon as this device is online: as if the user had filled in the form.
        auto* once = new QObject(&window);
        QObject::connect(&core.signaling(), &SignalingClient::connected, once,
                         [&window, once, options] {
                             window.connectTo(*options.connectTo, options.connectPassword);
                             once->deleteLater();
                         });
    }
    core.auth().authenticate();

    const int exitCode = QApplication::exec();
    platform::setTerminationAction({});
    spdlog::info("Nimbral Client exiting with code {}", exitCode);
    return exitCode;
}

int runClient(int argc, char** argv) {
    // The instance check and the autostart commands need no display, and a QApplication aborts
    // without one (an SSH shell, a headless server): they run under a plain core application,
    // which gives way to the graphical one only for a normal start.
    auto early = std::make_unique<QCoreApplication>(argc, argv);
    setApplicationIdentity();

    // Before anything else, options included: a second start must leave no trace at all. A
    // client with a profile of its own is one instance per profile.
    const QStringList arguments = QCoreApplication::arguments();
    if (const auto exitCode = answerHelpOrVersion(arguments)) {
        return *exitCode;
    }
    std::string lockName = "NimbralClientMutex";
    if (const auto profile = valueAfter(arguments, QStringLiteral("--profile"))) {
        lockName += "-" + QString::number(qHash(QDir(*profile).absolutePath()), 16).toStdString();
    }
    auto instanceLock = platform::acquireSingleInstanceLock(lockName.c_str());
    if (instanceLock->anotherInstanceRunning()) {
        return kExitOk;
    }

    QCommandLineParser parser;
    const ClientOptions options = parseClientOptions(arguments, parser);
    if (options.profileDirectory) {
        QDir().mkpath(*options.profileDirectory);
    }
    installDefaultLogger(options.profileDirectory);
    spdlog::set_level(options.logLevel);

    if (const auto exitCode = answerWithoutWindow(parser, options)) {
        return *exitCode;
    }

    early.reset();
    auto app = std::make_unique<QApplication>(argc, argv);
    setApplicationIdentity();
    // Before the core exists, so a stop request during start-up still ends in an orderly quit.
    platform::quitOnTerminationSignals(*app);

    app->installEventFilter(new ButtonCursorFilter(app.get()));
    app->setStyleSheet(applicationStyleSheet());
    QApplication::setWindowIcon(createAppIcon(256));

    const auto settingsStore =
        options.profileDirectory ? std::make_unique<SettingsController>(
                                       *options.profileDirectory + QStringLiteral("/settings.ini"))
                                 : std::make_unique<SettingsController>();
    SettingsController& settings = *settingsStore;
    if (options.sessionPassword) {
        settings.setSessionPassword(*options.sessionPassword);
    }
    loadTranslation(*app, userInterfaceLanguage(settings));

    bool restart = false;
    const int exitCode = runWindow(settings, options, restart);
    if (restart) {
        // The new instance must find the lock free; it starts without this run's session.
        instanceLock.reset();
        const bool started = QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                                     argumentsForRestart(arguments));
        spdlog::info("Restarting for the new language: {}", started ? "started" : "failed");
    }
    return exitCode;
}

} // namespace nimbral
