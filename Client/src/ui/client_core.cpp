#include "ui/client_core.h"

#include "capture/capture_backend_chain.h"
#include "core/auth_controller.h"
#include "core/machine_fingerprint.h"
#include "core/settings_controller.h"
#include "core/trust_from_settings.h"
#include "input/platform_input.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/p2p_transport.h"
#include "network/signaling_client.h"
#include "network/transport_manager.h"
#include "session/session_manager.h"
#include "ui/client_startup.h"

namespace nimbral {

void applySessionSettings(SettingsController& settings, SessionManager& session,
                          AuthController& auth) {
    session.setCaptureFrameRate(settings.targetFps());
    session.setMonitorIndex(settings.monitorIndex());
    session.setEncoderQuality(settings.encoderCqLevel(), settings.encoderPreset());
    session.setClipboardSharingEnabled(settings.clipboardSharing());
    session.setTrust(sessionTrustOf(settings, auth, false));
    auth.setServerChecksSecrets(!session.trust().acceptOnlyVerified);
}

ClientCore::ClientCore(SettingsController& settings, const ClientOptions& options)
    : m_api(std::make_unique<ApiClient>(options.serverUrl.value_or(settings.serverUrl())))
    , m_signaling(std::make_unique<SignalingClient>())
    , m_heartbeat(std::make_unique<HeartbeatService>(m_api.get()))
    , m_auth(std::make_unique<AuthController>(m_api.get(), m_signaling.get(), m_heartbeat.get(),
                                              &settings))
    , m_session(std::make_unique<SessionManager>(*m_api, *m_signaling)) {
    applySessionSettings(settings, *m_session, *m_auth);
    // The Master's input lands on this desktop when this device is the Target, shown by this
    // platform's readers (MIT-SHM with damage first, plain XGetImage after; DXGI then GDI).
    m_session->setInputBackendFactory(makePlatformInputBackend);
    m_session->setCaptureBackends(makePrimaryCaptureBackend, makeFallbackCaptureBackend);
    if (options.profileDirectory) {
        // A device of its own per profile: the machine's fingerprint alone would give every
        // profile on this machine the same client ID.
        const QString profile = *options.profileDirectory;
        m_auth->setFingerprintSource([profile] {
            return MachineFingerprint::fromInstallationGuid(MachineFingerprint::generate() +
                                                            profile);
        });
    }
    if (options.stunServer) {
        m_heartbeat->setStunServer(options.stunServer->first, options.stunServer->second);
        // The STUN server given for the run serves the P2P links as well.
        const std::string url = QStringLiteral("stun:%1:%2")
                                    .arg(options.stunServer->first)
                                    .arg(options.stunServer->second)
                                    .toStdString();
        m_session->setTransportSetup([url](TransportManager& manager) {
            P2PSettings settings;
            settings.stunUrls = {url};
            manager.setP2PSettings(settings);
        });
    }
    if (options.ipEchoUrl) {
        m_heartbeat->setIpEchoUrl(*options.ipEchoUrl);
    }
}

ClientCore::~ClientCore() {
    m_session.reset();
    m_auth.reset();
    m_heartbeat.reset();
    m_signaling.reset();
    m_api.reset();
}

} // namespace nimbral
