#include "session/password_exchange.h"

#include <QByteArray>
#include <spdlog/spdlog.h>

#include "crypto/ed25519.h"
#include "crypto/session_binding.h"
#include "crypto/spake2.h"

namespace nimbral {
namespace {

using Role = Spake2::Role;
using Secret = PasswordExchange::Secret;

constexpr Secret kSecrets[] = {Secret::Password, Secret::PairingCode};

std::string base64Of(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toBase64()
        .toStdString();
}

// The bytes of base64 text of exactly `size` bytes; empty for anything else.
std::vector<std::uint8_t> bytesOf(const std::string& text, std::size_t size) {
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(text),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || static_cast<std::size_t>(decoded.decoded.size()) != size) {
        return {};
    }
    return {decoded.decoded.begin(), decoded.decoded.end()};
}

std::vector<std::uint8_t> bytesField(const nlohmann::json& object, const std::string& name,
                                     std::size_t size) {
    const auto it = object.find(name);
    return it != object.end() && it->is_string() ? bytesOf(it->get<std::string>(), size)
                                                 : std::vector<std::uint8_t>();
}

std::string shareName(Secret secret) {
    return std::string("pake_share_") + PasswordExchange::nameOf(secret);
}

std::string confirmName(Secret secret) {
    return std::string("pake_confirm_") + PasswordExchange::nameOf(secret);
}

// Both ends turn a secret into the exchange's scalar under the Target's ID, so a table of
// guesses made for one device is worth nothing against another.
std::optional<std::vector<std::uint8_t>> scalarOf(const QString& secret,
                                                  const PasswordExchange::Parties& parties) {
    return Spake2::passwordScalar(secret.toStdString(),
                                  "nimbral-spake2-v1 " + parties.targetId.toStdString());
}

std::unique_ptr<Spake2> startRun(Role role, const std::optional<std::vector<std::uint8_t>>& w,
                                 const PasswordExchange::Parties& parties) {
    return w ? Spake2::start(role, *w, parties.masterId.toStdString(),
                             parties.targetId.toStdString())
             : nullptr;
}

} // namespace

PasswordExchange::PasswordExchange(Parties parties)
    : m_parties(std::move(parties)) {
}

PasswordExchange::~PasswordExchange() = default;

const char* PasswordExchange::nameOf(Secret secret) {
    return secret == Secret::Password ? "password" : "code";
}

std::unique_ptr<Spake2>& PasswordExchange::slot(Secret secret) {
    return secret == Secret::Password ? m_password : m_code;
}

Spake2* PasswordExchange::run(Secret secret) const {
    return (secret == Secret::Password ? m_password : m_code).get();
}

std::unique_ptr<PasswordExchange> PasswordExchange::offer(const QString& typed,
                                                          const Parties& parties) {
    std::unique_ptr<PasswordExchange> exchange(new PasswordExchange(parties));
    exchange->m_master = true;
    const auto w = scalarOf(typed, parties);
    for (const Secret secret : kSecrets) {
        exchange->slot(secret) = startRun(Role::A, w, parties);
        if (!exchange->run(secret)) {
            return nullptr;
        }
    }
    return exchange;
}

nlohmann::json PasswordExchange::offerFields() const {
    nlohmann::json fields = nlohmann::json::object();
    for (const Secret secret : kSecrets) {
        if (const Spake2* own = run(secret)) {
            fields[shareName(secret)] = base64Of(own->share());
        }
    }
    return fields;
}

std::optional<Secret> PasswordExchange::takeAnswer(const nlohmann::json& answer,
                                                   const std::string& targetKey) {
    if (!m_master || m_matched || !answer.is_object()) {
        return std::nullopt;
    }
    m_parties.targetKey = targetKey;
    const std::string bound = binding::keyBinding(m_parties.masterKey, targetKey);
    for (const Secret secret : kSecrets) {
        Spake2* own = run(secret);
        const auto share = bytesField(answer, shareName(secret), Spake2::kShareBytes);
        const auto confirmation =
            bytesField(answer, confirmName(secret), Spake2::kConfirmationBytes);
        if (own != nullptr && !share.empty() && !confirmation.empty() &&
            own->finish(share, bound) && own->peerConfirmationMatches(confirmation)) {
            m_matched = secret;
            return secret;
        }
    }
    return std::nullopt;
}

std::unique_ptr<PasswordExchange> PasswordExchange::answer(const nlohmann::json& request,
                                                           const QString& password,
                                                           const QString& pairingCode,
                                                           const Parties& parties) {
    std::unique_ptr<PasswordExchange> exchange(new PasswordExchange(parties));
    const std::string bound = binding::keyBinding(parties.masterKey, parties.targetKey);
    for (const Secret secret : kSecrets) {
        const QString& mine = secret == Secret::Password ? password : pairingCode;
        const auto share = bytesField(request, shareName(secret), Spake2::kShareBytes);
        if (mine.isEmpty() || share.empty()) {
            continue;
        }
        std::unique_ptr<Spake2> run = startRun(Role::B, scalarOf(mine, parties), parties);
        if (run && run->finish(share, bound)) {
            exchange->slot(secret) = std::move(run);
        }
    }
    if (!exchange->m_password && !exchange->m_code) {
        spdlog::warn("PasswordExchange: nothing to answer in the request of {}",
                     parties.masterId.toStdString());
        return nullptr;
    }
    return exchange;
}

nlohmann::json PasswordExchange::answerFields() const {
    nlohmann::json fields = nlohmann::json::object();
    for (const Secret secret : kSecrets) {
        if (const Spake2* own = run(secret); own != nullptr && !m_master) {
            fields[shareName(secret)] = base64Of(own->share());
            fields[confirmName(secret)] = base64Of(own->confirmation());
        }
    }
    return fields;
}

std::optional<Secret> PasswordExchange::takeConfirmation(const std::string& secretName,
                                                         const std::string& confirmation) {
    // One confirmation per exchange: a wrong one ends it.
    if (m_master || m_confirmationTaken) {
        return std::nullopt;
    }
    m_confirmationTaken = true;
    for (const Secret secret : kSecrets) {
        const Spake2* own = run(secret);
        if (own == nullptr || secretName != nameOf(secret)) {
            continue;
        }
        const auto bytes = bytesOf(confirmation, Spake2::kConfirmationBytes);
        if (!bytes.empty() && own->peerConfirmationMatches(bytes)) {
            m_matched = secret;
            return secret;
        }
    }
    return std::nullopt;
}

std::string PasswordExchange::confirmation() const {
    const Spake2* own = m_matched ? run(*m_matched) : nullptr;
    return own != nullptr && m_master ? base64Of(own->confirmation()) : std::string();
}

const std::vector<std::uint8_t>& PasswordExchange::sharedKey() const {
    static const std::vector<std::uint8_t> none;
    const Spake2* own = m_matched ? run(*m_matched) : nullptr;
    return own != nullptr ? own->sharedKey() : none;
}

std::vector<std::uint8_t> PasswordExchange::transcriptHash() const {
    const Spake2* own = m_matched ? run(*m_matched) : nullptr;
    if (own == nullptr) {
        return {};
    }
    return binding::transcriptHash(m_parties.masterId.toStdString(),
                                   m_parties.targetId.toStdString(), m_parties.masterKey,
                                   m_parties.targetKey, own->transcript());
}

namespace {

std::string signedTranscript(const PasswordExchange::Parties& parties) {
    const std::vector<std::uint8_t> hash =
        binding::transcriptHash(parties.masterId.toStdString(), parties.targetId.toStdString(),
                                parties.masterKey, parties.targetKey, {});
    return {hash.begin(), hash.end()};
}

std::string textOf(const std::vector<std::uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> rawBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

nlohmann::json deviceProofFields(const std::string& signingKey,
                                 const PasswordExchange::Parties& parties) {
    const std::string publicKey = ed25519::publicKeyOf(signingKey);
    const std::string signature = ed25519::sign(signingKey, signedTranscript(parties));
    if (publicKey.empty() || signature.empty()) {
        return nlohmann::json::object();
    }
    return {{"device_key", base64Of(rawBytes(publicKey))},
            {"device_signature", base64Of(rawBytes(signature))}};
}

std::optional<std::string> checkDeviceProof(const nlohmann::json& fields,
                                            const PasswordExchange::Parties& parties) {
    if (!fields.is_object()) {
        return std::nullopt;
    }
    const std::string key = textOf(bytesField(fields, "device_key", ed25519::kPublicKeyBytes));
    const std::string signature =
        textOf(bytesField(fields, "device_signature", ed25519::kSignatureBytes));
    if (key.empty() || signature.empty() ||
        !ed25519::verify(key, signedTranscript(parties), signature)) {
        return std::nullopt;
    }
    return key;
}

} // namespace nimbral
