#include "ui/client_startup.h"

#include <memory>

#include <QApplication>
#include <QDir>
#include <QLocalSocket>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/signaling_client.h"
#include "platform/autostart.h"
#include "platform/graphical_display.h"
#include "platform/service_endpoint.h"
#include "platform/single_instance.h"
#include "platform/termination_signals.h"
#include "ui/app_icon.h"
#include "ui/button_cursor_filter.h"
#include "ui/client_core.h"
#include "ui/main_window.h"
#include "ui/style_sheet.h"

namespace nimbral {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

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
    socket.connectToServer(platform::serviceEndpointName(), QIODevice::ReadWrite);
    const bool connected = socket.waitForConnected(500);
    socket.abort();
    return connected;
}

QString userInterfaceLanguage(const SettingsController& settings) {
    const QString stored = settings.language();
    if (!stored.isEmpty()) {
        return stored;
    }
    return QLocale::system().name().left(2);
}

void loadTranslation(QApplication& app, const QString& language) {
    auto* translator = new QTranslator(&app);
    const QString directory = QCoreApplication::applicationDirPath() + "/translations";
    if (translator->load("nimbral_" + language, directory)) {
        QCoreApplication::installTranslator(translator);
        spdlog::info("Loaded translation: {}", language.toStdString());
        return;
    }
    delete translator;
    if (language != QLatin1String("en")) {
        spdlog::info("No translation found for '{}', using English", language.toStdString());
    }
}

void setApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("NimbralClient"));
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbral"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.32"));
}

} // namespace

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

ClientOptions parseClientOptions(const QStringList& arguments) {
    ClientOptions options;
    if (const auto level = valueAfter(arguments, QStringLiteral("--log-level"))) {
        options.logLevel = logLevelFromName(*level);
    }
    options.install = arguments.contains(QStringLiteral("--install"));
    options.uninstall = !options.install && arguments.contains(QStringLiteral("--uninstall"));

    if (arguments.contains(QStringLiteral("--server"))) {
        const auto value = valueAfter(arguments, QStringLiteral("--server"));
        const QUrl url = value ? QUrl(*value, QUrl::StrictMode) : QUrl();
        const QString scheme = url.scheme().toLower();
        if (url.isValid() &&
            (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
            !url.host().isEmpty()) {
            options.serverUrl = url;
        } else {
            options.error = QStringLiteral("--server needs an http:// or https:// URL with a host, "
                                           "for example https://nimbral.example.com, got '%1'")
                                .arg(value.value_or(QString()));
        }
    }
    if (arguments.contains(QStringLiteral("--stun-server"))) {
        const QString value =
            valueAfter(arguments, QStringLiteral("--stun-server")).value_or(QString());
        const QUrl url(QStringLiteral("stun://") + value);
        const int port = url.port(19302);
        if (!value.isEmpty() && url.isValid() && !url.host().isEmpty() && url.path().isEmpty() &&
            port > 0) {
            options.stunServer = std::make_pair(url.host(), static_cast<quint16>(port));
        } else if (options.error.isEmpty()) {
            options.error =
                QStringLiteral("--stun-server needs HOST or HOST:PORT, got '%1'").arg(value);
        }
    }
    if (arguments.contains(QStringLiteral("--profile"))) {
        const QString value =
            valueAfter(arguments, QStringLiteral("--profile")).value_or(QString());
        if (!value.isEmpty() && !value.startsWith(QLatin1String("--"))) {
            options.profileDirectory = QDir(value).absolutePath();
        } else if (options.error.isEmpty()) {
            options.error = QStringLiteral("--profile needs a directory");
        }
    }
    if (arguments.contains(QStringLiteral("--session-password"))) {
        const QString value =
            valueAfter(arguments, QStringLiteral("--session-password")).value_or(QString());
        if (!value.trimmed().isEmpty()) {
            options.sessionPassword = value;
        } else if (options.error.isEmpty()) {
            options.error = QStringLiteral("--session-password needs a password");
        }
    }
    if (arguments.contains(QStringLiteral("--connect"))) {
        const QString id = valueAfter(arguments, QStringLiteral("--connect")).value_or(QString());
        const QString password =
            valueAfter(arguments, QStringLiteral("--password")).value_or(QString());
        if (!id.isEmpty() && !password.isEmpty()) {
            options.connectTo = id;
            options.connectPassword = password;
        } else if (options.error.isEmpty()) {
            options.error = QStringLiteral("--connect needs a partner ID and --password PASSWORD");
        }
    }
    if (arguments.contains(QStringLiteral("--ip-echo-url"))) {
        const QString value =
            valueAfter(arguments, QStringLiteral("--ip-echo-url")).value_or(QString());
        const QUrl url(value, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() &&
            (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
            !url.host().isEmpty()) {
            options.ipEchoUrl = url;
        } else if (options.error.isEmpty()) {
            options.error =
                QStringLiteral("--ip-echo-url needs an http:// or https:// URL, got '%1'")
                    .arg(value);
        }
    }
    return options;
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
    std::string lockName = "NimbralClientMutex";
    if (const auto profile = valueAfter(arguments, QStringLiteral("--profile"))) {
        lockName += "-" + QString::number(qHash(QDir(*profile).absolutePath()), 16).toStdString();
    }
    const auto instanceLock = platform::acquireSingleInstanceLock(lockName.c_str());
    if (instanceLock->anotherInstanceRunning()) {
        return kExitOk;
    }

    const ClientOptions options = parseClientOptions(arguments);
    if (options.profileDirectory) {
        QDir().mkpath(*options.profileDirectory);
    }
    installDefaultLogger(options.profileDirectory);
    spdlog::set_level(options.logLevel);

    if (options.install) {
        return platform::installAutostart(QCoreApplication::applicationFilePath()) ? kExitOk
                                                                                   : kExitFailure;
    }
    if (options.uninstall) {
        return platform::uninstallAutostart() ? kExitOk : kExitFailure;
    }
    if (!options.error.isEmpty()) {
        spdlog::error("Invalid command line: {}", options.error.toStdString());
        fprintf(stderr, "NimbralClient: %s\n", qPrintable(options.error));
        return kExitUsage;
    }

    if (const QString reason = platform::missingDisplayReason(); !reason.isEmpty()) {
        spdlog::error("Cannot show the window: {}", reason.toStdString());
        fprintf(stderr, "NimbralClient: %s\n", qPrintable(reason));
        return kExitFailure;
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

    if (isServiceRunning()) {
        spdlog::info("Nimbral service detected — agent mode not yet implemented, continuing in "
                     "standalone mode");
    }
    spdlog::info("Nimbral Client starting...");

    ClientCore core(settings, options);
    spdlog::info("Central server: {}", core.api().baseUrl().toString().toStdString());
    MainWindow window(core.auth(), core.api(), core.signaling(), core.session(), settings);
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
    spdlog::info("Nimbral Client exiting with code {}", exitCode);
    return exitCode;
}

} // namespace nimbral
