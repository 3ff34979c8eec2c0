#pragma once

// What a session's two devices settle before their link exists: this side's ECDH key pair and
// the cipher derived from the partner's key, the signaling that overtook the step it belongs
// after, and how long a Master waits for its partner. Main thread only.

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QObject>
#include <QString>
#include <QTimer>
#include <nlohmann/json.hpp>

#include "session/replay_window.h"

namespace nimbral {

class AesGcmCipher;
class EcdhKeyExchange;

class SessionNegotiation : public QObject {
    Q_OBJECT

public:
    // Why keys could not be made; `detail` is the library's own word, for the log.
    struct Failure {
        enum class Kind { KeyPair, Derivation, Cipher } kind;
        std::string detail;
    };
    // The Target's acknowledgement can reach the Master before the Master's own create reply.
    struct EarlyAck {
        QString sessionId;
        QString state;
        QString targetKey;
        nlohmann::json exchange;
    };
    // The Master's offer and candidates can reach a Target that still waits for its key.
    struct EarlyIce {
        bool description = false; // an offer or answer; otherwise a candidate
        std::string text;         // the SDP or the candidate
        std::string typeOrMid;    // "offer"/"answer", or the candidate's mid
    };
    static constexpr std::size_t kMaxEarlyIce = 64;

    explicit SessionNegotiation(int partnerTimeoutMs, QObject* parent = nullptr);
    ~SessionNegotiation() override;

    // A fresh key pair for a new session, forgetting the previous session's key.
    std::optional<Failure> makeKeyPair();
    bool hasKeyPair() const { return m_keyExchange != nullptr; }
    std::string publicKeyBase64() const;
    // The session key from the partner's public key, and the cipher under it. The two sides
    // share key and IV and count their nonces from opposite halves, so they never seal under
    // the same nonce; each accepts the partner's counters only from the partner's half.
    std::optional<Failure> deriveCipher(const QString& partnerKey, bool targetSide);
    // The same for a verified session: the key bound to the password exchange's key and the
    // session's transcript hash.
    std::optional<Failure> deriveBoundCipher(const QString& partnerKey,
                                             std::span<const std::uint8_t> pakeKey,
                                             std::span<const std::uint8_t> transcriptHash,
                                             bool targetSide);
    // Takes over a key pair whose key was already derived (a Target that proved a request
    // before the request became its session) and makes the cipher under it.
    std::optional<Failure> adoptDerivedKeys(std::unique_ptr<EcdhKeyExchange> keys, bool targetSide);
    // The derived key and IV, one after the other: what the short authentication string is
    // drawn from. Empty before derivation.
    std::vector<std::uint8_t> keyMaterial() const;
    // The cipher under a session key and IV agreed some other way, with the same halves.
    std::optional<Failure> useSessionKey(const std::vector<std::uint8_t>& key,
                                         const std::vector<std::uint8_t>& iv, bool targetSide);
    bool keyDerived() const { return m_cipher != nullptr; }
    AesGcmCipher* cipher() const { return m_cipher.get(); }
    ReplayWindow* replayWindow() { return m_replayWindow ? &*m_replayWindow : nullptr; }

    // Keeps the latest early acknowledgement; taken only by the session it names.
    void keepAck(EarlyAck ack) { m_earlyAck = std::move(ack); }
    std::optional<EarlyAck> takeAck(const QString& sessionId);
    // False when the backlog is full and the message was dropped.
    bool keepIce(EarlyIce ice);
    std::vector<EarlyIce> takeIce();

    // The partner's time to answer, started again at each step it has to answer.
    void startPartnerTimer() { m_partnerTimer.start(); }
    void stopPartnerTimer() { m_partnerTimer.stop(); }
    void setPartnerTimeout(int milliseconds) { m_partnerTimer.setInterval(milliseconds); }
    int partnerTimeout() const { return m_partnerTimer.interval(); }

    // Forgets the session: keys, backlog and timer.
    void reset();

signals:
    void partnerTimedOut();

private:
    std::unique_ptr<EcdhKeyExchange> m_keyExchange;
    std::unique_ptr<AesGcmCipher> m_cipher;
    std::optional<ReplayWindow> m_replayWindow;
    std::optional<EarlyAck> m_earlyAck;
    std::vector<EarlyIce> m_earlyIce;
    QTimer m_partnerTimer;
};

} // namespace nimbral
