#pragma once

#include <memory>

#include <QUrl>

namespace nimbral {

class ApiClient;
class AuthController;
class HeartbeatService;
class SessionManager;
class SettingsController;
class SignalingClient;
struct ClientOptions;

// Gives the session what the settings say about it: capture rate and monitor, encoder,
// clipboard, trust (and with it whether the server checks the secrets). At start and after
// every change in the settings dialog.
void applySessionSettings(SettingsController& settings, SessionManager& session,
                          AuthController& auth);

// The client's core objects, built in dependency order on the main thread and destroyed in the
// reverse order. Windows only borrow them.
class ClientCore {
public:
    ClientCore(SettingsController& settings, const ClientOptions& options);
    ~ClientCore();
    ClientCore(const ClientCore&) = delete;
    ClientCore& operator=(const ClientCore&) = delete;

    ApiClient& api() { return *m_api; }
    SignalingClient& signaling() { return *m_signaling; }
    HeartbeatService& heartbeat() { return *m_heartbeat; }
    AuthController& auth() { return *m_auth; }
    SessionManager& session() { return *m_session; }

private:
    std::unique_ptr<ApiClient> m_api;
    std::unique_ptr<SignalingClient> m_signaling;
    std::unique_ptr<HeartbeatService> m_heartbeat;
    std::unique_ptr<AuthController> m_auth;
    std::unique_ptr<SessionManager> m_session;
};

} // namespace nimbral
