#include "core/trust_from_settings.h"

#include <QByteArray>

#include "core/auth_controller.h"
#include "core/settings_controller.h"

namespace nimbral {

SessionTrust sessionTrustOf(SettingsController& settings, const AuthController& auth,
                            bool onlyVerifiedByDefault) {
    SessionTrust trust;
    trust.signingKey = settings.deviceSigningKey().toStdString();
    trust.secrets = [&auth] {
        return SessionTrust::Secrets{auth.sessionPassword(), auth.pairingCode()};
    };
    trust.pinnedKey = [&settings](const QString& partnerId) {
        return settings.pinnedPartnerKey(partnerId).toStdString();
    };
    trust.pinKey = [&settings](const QString& partnerId, const std::string& publicKey) {
        settings.pinPartnerKey(partnerId, QByteArray::fromStdString(publicKey));
    };
    trust.acceptOnlyVerified = settings.acceptOnlyVerifiedSessions(onlyVerifiedByDefault);
    return trust;
}

} // namespace nimbral
