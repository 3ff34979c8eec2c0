#pragma once

#include <memory>
#include <vector>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "core/auth_controller.h"
#include "core/machine_fingerprint.h"
#include "core/settings_controller.h"
#include "core/trust_from_settings.h"
#include "crypto/aes_gcm_cipher.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/p2p_transport.h"
#include "network/signaling_client.h"
#include "network/transport_manager.h"
#include "recording_input_backend.h"
#include "server_harness.h"
#include "session/session_manager.h"
#include "synthetic_capture_backend.h"

namespace nimbral {

// What only the tests reach: the session's own cipher and link, to play a faulty or hostile
// peer with correctly sealed bytes.
class SessionManagerTestAccess {
public:
    static AesGcmCipher* cipher(SessionManager& session) { return session.m_negotiation.cipher(); }
    static ITransport* link(SessionManager& session) {
        return session.m_transport ? session.m_transport->activeTransport() : nullptr;
    }
    // Seals a plaintext with this side's cipher and sends it on the control channel.
    static bool sendSealed(SessionManager& session, const std::vector<std::uint8_t>& plaintext,
                           ChannelType channel = ChannelType::Control) {
        AesGcmCipher* sealer = cipher(session);
        ITransport* transport = link(session);
        if (sealer == nullptr || transport == nullptr) {
            return false;
        }
        const auto sealed = sealer->encrypt(plaintext);
        return transport->send(channel, sealed.data(), sealed.size());
    }
};

namespace test {

// One complete device as the client program builds it (own settings store, REST client,
// signaling, heartbeat, authentication, session manager), pointed at a test server and kept
// on loopback: no public STUN server, the test server's relay port, and an input backend that
// records instead of injecting.
struct DeviceStack {
    // `through`: the address the device takes for the server's, when something stands between.
    DeviceStack(const ServerProcess& server, const QString& sessionPassword,
                int p2pTimeoutMs = 3000, const QString& through = {})
        : settings(folder.filePath("settings.ini"))
        , api(QUrl(through.isEmpty() ? server.baseUrl() : through))
        , heartbeat(&api)
        , auth(&api, &signaling, &heartbeat, &(presetPassword(settings, sessionPassword)))
        , session(api, signaling) {
        heartbeat.setStunServer("127.0.0.1", 9);
        heartbeat.setIpEchoUrl(QUrl("http://127.0.0.1:9/"));
        auth.setFingerprintSource(
            [this] { return nimbral::MachineFingerprint::fromInstallationGuid(folder.path()); });
        session.setRelayEndpoint(QStringLiteral("127.0.0.1"), server.relayPort());
        session.setTransportSetup([this, p2pTimeoutMs](TransportManager& manager) {
            P2PSettings p2p;
            p2p.stunUrls.clear();
            p2p.bindAddress = "127.0.0.1";
            manager.setP2PSettings(p2p);
            manager.setP2PTimeout(p2pTimeoutMs);
            if (blockP2P) {
                // As behind a firewall that drops everything: no candidate ever leaves.
                QObject::disconnect(&manager, &TransportManager::localCandidateReady, nullptr,
                                    nullptr);
            }
        });
        session.setTrust(sessionTrustOf(settings, auth, false));
        session.setInputBackendFactory(
            [this] { return std::make_unique<RecordingInputBackend>(injected); });
        // A synthetic screen stands in for the display; a second one for the fallback reader.
        session.setCaptureBackends(
            [this] { return std::make_unique<SyntheticCaptureBackend>(screen); },
            [this] { return std::make_unique<SyntheticCaptureBackend>(fallbackScreen); });
    }

    static SettingsController& presetPassword(SettingsController& settings,
                                              const QString& password) {
        if (!password.isEmpty()) {
            settings.setSessionPassword(password);
        }
        return settings;
    }

    // Online, and the server holds this device's session password: the password goes over the
    // signaling socket as the device comes online, so a PING answered on that socket after it
    // proves the server has read it. Without that, a Master's session request through the REST
    // API can overtake it and be refused for a wrong password.
    bool bringOnline() {
        QSignalSpy online(&signaling, &nimbral::SignalingClient::connected);
        auth.authenticate();
        return online.wait(10000) && serverHasRead();
    }

    // The server has read everything sent on the signaling socket so far: it answered a PING
    // sent after it.
    bool serverHasRead() {
        bool answered = false;
        const QMetaObject::Connection pong = QObject::connect(
            &signaling, &nimbral::SignalingClient::messageReceived,
            [&answered](const nlohmann::json& message) {
                answered = answered || (message.is_object() && message.value("type", "") == "PONG");
            });
        signaling.sendMessage({{"type", "PING"}});
        const bool ok = QTest::qWaitFor([&answered] { return answered; }, 10000);
        QObject::disconnect(pong);
        return ok;
    }

    QString clientId() const { return settings.clientId(); }

    QTemporaryDir folder;
    SettingsController settings;
    ApiClient api;
    nimbral::SignalingClient signaling;
    HeartbeatService heartbeat;
    AuthController auth;
    // Before the session: what its input backend records outlives it (the Target lets go of held
    // keys as the session ends).
    std::vector<InputEvent> injected;
    SessionManager session;
    std::shared_ptr<SyntheticScreen> screen = std::make_shared<SyntheticScreen>();
    std::shared_ptr<SyntheticScreen> fallbackScreen = std::make_shared<SyntheticScreen>();
    bool blockP2P = false;
};

// Brings both devices online, lets the Target accept password sessions by itself and connects
// the Master to it with the password: true once both ends are Connected.
inline bool connectDevices(DeviceStack& master, DeviceStack& target, const QString& password,
                           int timeoutMs = 15000) {
    if (!target.bringOnline() || !master.bringOnline()) {
        return false;
    }
    QObject::connect(&target.signaling, &nimbral::SignalingClient::sessionAutoAccept,
                     &target.session, &SessionManager::acceptSession);
    master.session.initiateSession(target.clientId(), password);
    return waitUntil(
        [&] {
            return master.session.state() == SessionState::Connected &&
                   target.session.state() == SessionState::Connected;
        },
        timeoutMs);
}

} // namespace test
} // namespace nimbral
