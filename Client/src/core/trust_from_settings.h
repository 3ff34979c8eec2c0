#pragma once

#include "common/session_trust.h"

namespace nimbral {

class AuthController;
class SettingsController;

// The trust of the device whose settings these are; `onlyVerifiedByDefault` applies until the
// user chose. Both objects must outlive the sessions it is given to.
SessionTrust sessionTrustOf(SettingsController& settings, const AuthController& auth,
                            bool onlyVerifiedByDefault);

} // namespace nimbral
