#include "ui/client_core.h"

#include "core/auth_controller.h"
#include "core/settings_controller.h"
#include "network/api_client.h"
#include "network/heartbeat_service.h"
#include "network/signaling_client.h"
#include "ui/client_startup.h"

namespace nimbral {

ClientCore::ClientCore(SettingsController& settings, const ClientOptions& options)
    : m_api(std::make_unique<ApiClient>(options.serverUrl.value_or(settings.serverUrl())))
    , m_signaling(std::make_unique<SignalingClient>())
    , m_heartbeat(std::make_unique<HeartbeatService>(m_api.get()))
    , m_auth(std::make_unique<AuthController>(m_api.get(), m_signaling.get(), m_heartbeat.get(),
                                              &settings)) {
    if (options.stunServer) {
        m_heartbeat->setStunServer(options.stunServer->first, options.stunServer->second);
    }
    if (options.ipEchoUrl) {
        m_heartbeat->setIpEchoUrl(*options.ipEchoUrl);
    }
}

ClientCore::~ClientCore() {
    m_auth.reset();
    m_heartbeat.reset();
    m_signaling.reset();
    m_api.reset();
}

} // namespace nimbral
