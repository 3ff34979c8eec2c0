#pragma once

// The devices' own password exchange for one session, and what it binds. Two runs go side by
// side, one for the Target's session password and one for its pairing code: the Master starts
// both from what its user typed, the Target answers each with its own secret and a
// confirmation, and the Master confirms the run that matches. Neither secret ever leaves its
// device, and the server that carries the messages learns nothing it could test a guess against.
// Every run binds both device IDs and both ECDH public keys, so a key swapped on the way fails the
// confirmations. Main thread only.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <nlohmann/json.hpp>

namespace nimbral {

class Spake2;

class PasswordExchange {
public:
    enum class Secret { Password, PairingCode };

    // Who and which keys the exchange is between, as this end saw them.
    struct Parties {
        QString masterId;
        QString targetId;
        std::string masterKey; // the ECDH public keys' texts as they travelled
        std::string targetKey;
    };

    ~PasswordExchange();
    PasswordExchange(const PasswordExchange&) = delete;
    PasswordExchange& operator=(const PasswordExchange&) = delete;

    // The Master's side, from what its user typed. The Target's key is not known yet: an empty
    // `parties.targetKey`, filled in by takeAnswer(). Null when no exchange can be made.
    static std::unique_ptr<PasswordExchange> offer(const QString& typed, const Parties& parties);
    // The Master's request fields ("pake_share_password", "pake_share_code"), in base64.
    nlohmann::json offerFields() const;
    // The Target's answer (its "pake_*" fields). Which of the Target's secrets matched what the
    // user typed; nullopt when neither did, or the answer is malformed.
    std::optional<Secret> takeAnswer(const nlohmann::json& answer, const std::string& targetKey);

    // The Target's side: both runs against the Master's shares (its request's fields). Null
    // when neither run can be answered; a secret this device does not have (empty), or a share
    // that is no share (logged), gets no run.
    static std::unique_ptr<PasswordExchange> answer(const nlohmann::json& request,
                                                    const QString& password,
                                                    const QString& pairingCode,
                                                    const Parties& parties);
    // The answer's fields for the acknowledgement.
    nlohmann::json answerFields() const;
    // The Master's confirmation of one run: the secret it proves, or nullopt when it proves
    // nothing. Taken once: after a wrong one, nothing is accepted any more.
    std::optional<Secret> takeConfirmation(const std::string& secretName,
                                           const std::string& confirmation);

    // Once matched (takeAnswer or takeConfirmation): the Master's confirmation to send, the key
    // the exchange agreed, and the hash of all both ends saw, for the session key.
    std::string confirmation() const;
    std::optional<Secret> matched() const { return m_matched; }
    const std::vector<std::uint8_t>& sharedKey() const;
    std::vector<std::uint8_t> transcriptHash() const;
    const Parties& parties() const { return m_parties; }

    static const char* nameOf(Secret secret);

private:
    explicit PasswordExchange(Parties parties);
    Spake2* run(Secret secret) const;
    std::unique_ptr<Spake2>& slot(Secret secret);

    Parties m_parties;
    // This end's run for the Target's password and for its pairing code.
    std::unique_ptr<Spake2> m_password;
    std::unique_ptr<Spake2> m_code;
    bool m_master = false;
    bool m_confirmationTaken = false;
    std::optional<Secret> m_matched;
};

// The fields that prove this device's key to the partner: "device_key" and "device_signature",
// base64 of the raw Ed25519 public key and of its signature over the session's transcript hash
// without the password exchange (both IDs and both ECDH keys, which the exchange itself binds).
// Empty without a signing key.
nlohmann::json deviceProofFields(const std::string& signingKey,
                                 const PasswordExchange::Parties& parties);
// The partner's raw device key when its fields prove it for `parties`; nullopt otherwise.
std::optional<std::string> checkDeviceProof(const nlohmann::json& fields,
                                            const PasswordExchange::Parties& parties);

} // namespace nimbral
