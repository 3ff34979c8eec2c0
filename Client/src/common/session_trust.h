#pragma once

// What a device brings to its sessions' verification: its own device key, the secrets a Master
// must prove it knows, the partner keys it has pinned and whether it accepts unverified sessions
// at all. Filled in from the settings store (sessionTrustOf); a test may fill it in by hand.

#include <functional>
#include <string>

#include <QString>

namespace nimbral {

struct SessionTrust {
    struct Secrets {
        QString password;
        QString pairingCode;
    };

    // This device's Ed25519 private key, raw. Empty (no key could be made): partners cannot
    // check this device and refuse its verified sessions.
    std::string signingKey;
    // As Target: the secrets in force right now. Unset: no verified request can be answered.
    std::function<Secrets()> secrets;
    // The device key a partner showed before (raw, empty when none), and remembering one.
    std::function<std::string(const QString& partnerId)> pinnedKey;
    std::function<void(const QString& partnerId, const std::string& publicKey)> pinKey;
    // Sessions without the password exchange are refused both ways.
    bool acceptOnlyVerified = false;
};

} // namespace nimbral
