// NimbralService: the device's core without a window, for machines that must stay reachable when
// nobody has the client open. Run by systemd it is the service; run from a shell it serves the
// same way in the foreground (console mode). --install / --uninstall register it with systemd.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <spdlog/sinks/rotating_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

#include "capture/capture_backend_chain.h"
#include "common/command_line.h"
#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "core/trust_from_settings.h"
#include "input/platform_input.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/p2p_transport.h"
#include "network/signaling_client.h"
#include "network/transport_manager.h"
#include "platform/file_access.h"
#include "platform/local_peer.h"
#include "platform/service_manager.h"
#include "platform/termination_signals.h"
#include "platform/user_sessions.h"
#include "service/agent_launcher.h"
#include "service/agent_screen.h"
#include "service/service_installer.h"
#include "service/service_ipc_server.h"
#include "service/service_options.h"
#include "session/session_manager.h"

namespace {

using namespace nimbral;

constexpr std::size_t kLogFileBytes = 5242880;
constexpr std::size_t kLogFiles = 3;

// Started by systemd: it sets INVOCATION_ID for every unit it runs.
bool startedBySystemd() {
    return !qEnvironmentVariableIsEmpty("INVOCATION_ID") ||
           !qEnvironmentVariableIsEmpty("NOTIFY_SOCKET");
}

constexpr auto kPrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
constexpr auto kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;

bool openToOthers(const QString& path) {
    constexpr auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                            QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return (QFileInfo(path).permissions() & others) != 0;
}

// The service's folders hold the device secret, session IDs and browsed paths: its own account
// alone may read them, whatever an earlier version or an administrator left behind.
void keepPrivate(const QString& folder, const QStringList& files) {
    QDir().mkpath(folder);
    if (openToOthers(folder)) {
        spdlog::warn("Folder {} was open to other accounts; now private", folder.toStdString());
        QFile::setPermissions(folder, kPrivateFolder);
    }
    for (const QString& name : files) {
        const QString path = folder + QLatin1Char('/') + name;
        if (QFile::exists(path) && openToOthers(path)) {
            spdlog::warn("File {} was open to other accounts; now private", path.toStdString());
            QFile::setPermissions(path, kPrivateFile);
        }
    }
}

QStringList logFiles() {
    QStringList names{QStringLiteral("service.log")};
    for (std::size_t i = 1; i < kLogFiles; ++i) {
        names << QStringLiteral("service.%1.log").arg(i);
    }
    return names;
}

void installLogger(bool serviceMode, const QString& profile) {
    QString directory = QStringLiteral("/var/log/nimbral");
    if (!profile.isEmpty()) {
        directory = profile;
    } else if (!serviceMode || !QDir().mkpath(directory)) {
        directory =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/nimbral";
    }
    keepPrivate(directory, logFiles());
    std::vector<spdlog::sink_ptr> sinks;
    try {
        sinks.push_back(std::make_shared<spdlog::sinks::rotating_file_sink_mt>(
            (directory + "/service.log").toStdString(), kLogFileBytes, kLogFiles, false));
    } catch (const spdlog::spdlog_ex& error) {
        std::fprintf(stderr, "Cannot open the service log in %s: %s\n",
                     directory.toUtf8().constData(), error.what());
    }
    if (!serviceMode) {
        sinks.push_back(std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
    }
    auto logger = std::make_shared<spdlog::logger>("nimbral", sinks.begin(), sinks.end());
    logger->set_level(spdlog::level::info);
    logger->flush_on(spdlog::level::warn);
    spdlog::set_default_logger(std::move(logger));
}

// Points this process's X clients (capture, injection) at the display of the session being
// shared: a service started by systemd has none of its own. Each Target session asks again, so
// a switch of the user in front is followed from the next session on.
void useDisplayOfSharedSession(platform::UserSessionSource& sessions,
                               const QString& privateFolder) {
    const std::optional<platform::UserSession> shared = platform::sessionToShare(sessions);
    if (!shared || shared->display.isEmpty()) {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            spdlog::warn("No graphical session with an X display to share");
        }
        return;
    }
    // The user names the file: this process reads a checked copy of it, never the path itself.
    const QString authority =
        platform::privateXAuthorityCopy(platform::xAuthorityFor(*shared), *shared, privateFolder);
    if (qEnvironmentVariable("DISPLAY") == shared->display &&
        qEnvironmentVariable("XAUTHORITY") == authority) {
        return;
    }
    spdlog::info("Sharing display {} of session {} (user {})", shared->display.toStdString(),
                 shared->id.toStdString(), shared->userName.toStdString());
    qputenv("DISPLAY", shared->display.toLocal8Bit());
    if (authority.isEmpty()) {
        qunsetenv("XAUTHORITY");
    } else {
        qputenv("XAUTHORITY", authority.toLocal8Bit());
    }
}

// The NAT and public-address probes of this deployment instead of the public defaults; the
// STUN server given for the run serves the P2P links as well.
void useDeploymentEndpoints(const ServiceOptions& options, HeartbeatService& heartbeat,
                            SessionManager& session) {
    std::optional<std::string> stunUrl;
    if (const auto& stun = options.stunServer) {
        heartbeat.setStunServer(stun->first, stun->second);
        stunUrl = QStringLiteral("stun:%1:%2").arg(stun->first).arg(stun->second).toStdString();
    }
    if (options.ipEchoUrl) {
        heartbeat.setIpEchoUrl(*options.ipEchoUrl);
    }
    const std::optional<std::string> bindAddress = options.bindAddress;
    if (stunUrl || bindAddress) {
        session.setTransportSetup([stunUrl, bindAddress](TransportManager& manager) {
            P2PSettings p2p;
            if (stunUrl) {
                p2p.stunUrls = {*stunUrl};
            }
            p2p.bindAddress = bindAddress;
            manager.setP2PSettings(p2p);
        });
    }
    if (options.relayPort) {
        session.setRelayEndpoint(QString(), *options.relayPort);
    }
}

void shareTheDesktopInFront(SessionManager& session, platform::UserSessionSource& sessions,
                            const QString& storeDirectory, AgentScreen& agentScreen) {
    // As Target the service shares the screen of the graphical session in front: through the
    // agent where only programs inside that session may record it (Wayland), else itself (X11).
    session.setInputBackendFactory([&sessions, storeDirectory, &agentScreen] {
        if (agentScreen.isOffered()) {
            return agentScreen.makeInputBackend();
        }
        useDisplayOfSharedSession(sessions, storeDirectory);
        return makePlatformInputBackend();
    });
    session.setCaptureBackends(
        [&sessions, storeDirectory, &agentScreen] {
            if (agentScreen.isOffered()) {
                return agentScreen.makeCaptureBackend();
            }
            useDisplayOfSharedSession(sessions, storeDirectory);
            return makePrimaryCaptureBackend();
        },
        [&agentScreen]() -> std::unique_ptr<IScreenCaptureBackend> {
            return agentScreen.isOffered() ? nullptr : makeFallbackCaptureBackend();
        });
    // The partner's file requests are served with the rights of the user whose desktop is
    // shared, never the service's own; with nobody logged in, there are none.
    session.setFileServingUser([&sessions]() -> std::optional<platform::LocalUserId> {
        const std::optional<platform::UserSession> shared = platform::sessionToShare(sessions);
        if (!shared) {
            return std::nullopt;
        }
        return shared->uid;
    });
}

void acceptOnlyWithThePassword(SignalingClient& signaling, SessionManager& session) {
    // Nobody may be at this screen to answer a question: only a Master who knows the password
    // (the server checked it) gets in; a request without one is turned down.
    QObject::connect(&signaling, &SignalingClient::sessionAutoAccept, &session,
                     [&session](const QString& sessionId, const QString& masterId,
                                const QString& masterKey, const QString& relayToken) {
                         spdlog::info("Auto-accepting session {} from {} (password verified)",
                                      sessionId.toStdString(), masterId.toStdString());
                         session.acceptSession(sessionId, masterId, masterKey, relayToken);
                     });
    QObject::connect(&signaling, &SignalingClient::sessionHandshakeRequest, &session,
                     [](const QString& sessionId, const QString& masterId) {
                         spdlog::info("Rejected session {} from {}: the service accepts only "
                                      "sessions opened with its password",
                                      sessionId.toStdString(), masterId.toStdString());
                     });
}

// Root, the service's own account, and the owner of the desktop in front may command it: not
// every login (an SSH or text log-in would learn the password and drive someone else's screen).
void openAgentConnection(ServiceIpcServer& ipc, platform::UserSessionSource& sessions) {
    const platform::LocalUserId ownUser = platform::currentUser();
    ipc.setPeerCheck([&sessions, ownUser](platform::LocalUserId user) {
        return user == 0 || user == ownUser || platform::ownsDesktopInFront(sessions, user);
    });
    if (!ipc.start()) {
        spdlog::error("NimbralService: the agent connection could not be opened");
    }
}

int runCore(QCoreApplication& app, const ServiceOptions& options, bool serviceMode) {
    const QString& profile = options.profileDirectory;
    if (serviceMode) {
        platform::keepNewFilesPrivate();
    }
    installLogger(serviceMode, profile);
    if (serviceMode) {
        spdlog::info("NimbralService starting...");
    } else {
        spdlog::info("Not running as service — starting in console mode");
    }

    const QString storeDirectory =
        !profile.isEmpty() ? profile
        : serviceMode      ? QStringLiteral("/var/lib/nimbral")
                           : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    keepPrivate(storeDirectory, {QStringLiteral("service.ini")});
    SettingsController settings(storeDirectory + QStringLiteral("/service.ini"));
    const QUrl server = options.serverUrl.value_or(settings.serverUrl());
    spdlog::info("Server URL: {}", server.toString().toStdString());

    ApiClient api(server);
    SignalingClient signaling;
    HeartbeatService heartbeat(&api);
    AuthController auth(&api, &signaling, &heartbeat, &settings);
    // Outlives the session, whose capture may still be reading through it while it ends.
    std::unique_ptr<AgentScreen> agentScreen;
    SessionManager session(api, signaling);
    useDeploymentEndpoints(options, heartbeat, session);
    const std::unique_ptr<platform::UserSessionSource> userSessions = platform::systemSessions();
    platform::UserSessionSource& sessions = *userSessions;
    session.setCaptureFrameRate(settings.targetFps());
    session.setEncoderQuality(settings.encoderCqLevel(), settings.encoderPreset());
    session.setClipboardSharingEnabled(settings.clipboardSharing());
    if (serviceMode) {
        session.setMonitorIndex(settings.monitorIndex());
    }
    // Unattended, the service accepts only verified sessions unless told otherwise: its
    // password then never reaches the server.
    SessionTrust trust = sessionTrustOf(settings, auth, true);
    // Nobody may be at this screen to answer a question, so the pairing code opens nothing.
    trust.secrets = [&auth] {
        return SessionTrust::Secrets{auth.sessionPassword(), QString()};
    };
    auth.setServerChecksSecrets(!trust.acceptOnlyVerified);
    session.setTrust(std::move(trust));
    acceptOnlyWithThePassword(signaling, session);

    ServiceIpcServer ipc(auth, session, settings);
    openAgentConnection(ipc, sessions);
    agentScreen = std::make_unique<AgentScreen>(ipc);
    shareTheDesktopInFront(session, sessions, storeDirectory, *agentScreen);
    std::unique_ptr<AgentLauncher> launcher;
    if (serviceMode) {
        launcher = std::make_unique<AgentLauncher>(
            sessions, AgentLauncher::systemdRun(QCoreApplication::applicationDirPath() +
                                                QStringLiteral("/NimbralClient")));
        // A switch of the user in front drops an agent that is no longer theirs.
        QObject::connect(launcher.get(), &AgentLauncher::sessionsChanged, &ipc,
                         &ServiceIpcServer::recheckAgent);
        launcher->start();
    }
    spdlog::info("NimbralService is running");
    platform::notifyServiceReady();
    auth.authenticate();
    const int result = QCoreApplication::exec();
    platform::notifyServiceStopping();
    spdlog::info("NimbralService shutting down...");
    launcher.reset();
    ipc.stop();
    auth.logout();
    spdlog::info("NimbralService stopped");
    Q_UNUSED(app);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("NimbralService"));
    QCoreApplication::setOrganizationName(QStringLiteral("Nimbral"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NIMBRAL_VERSION));
    QCommandLineParser parser;
    const ServiceOptions options = parseServiceOptions(QCoreApplication::arguments(), parser);
    if (const auto exitCode =
            answerCommandLine(parser, {options.help, options.version, options.error})) {
        return *exitCode;
    }
    if (options.install || options.uninstall) {
        ServiceInstaller installer(QString::fromLatin1(ServiceInstaller::kUnitDirectory),
                                   ServiceInstaller::realSystemctl());
        return options.install ? installer.install(QCoreApplication::applicationFilePath())
                               : installer.uninstall();
    }
    platform::quitOnTerminationSignals(app);
    return runCore(app, options, startedBySystemd());
}
