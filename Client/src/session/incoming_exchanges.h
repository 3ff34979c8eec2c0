#pragma once

// The Target's side of verified session requests until one of them becomes its session. The
// Target, not the server, decides who gets in: it answers the Master's password exchange, checks
// the Master's confirmation and device key, counts failed proofs per Master with back-off, and
// asks its user first when the Master proved the pairing code rather than the password. A
// request that fails is closed at the server with a reason the Master shows. Several requests
// may be under way at once (a stranger's must not block the one the user waits for), one per
// Master and a few in all. Main thread only.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <nlohmann/json.hpp>

#include "common/session_trust.h"
#include "session/attempt_backoff.h"
#include "session/password_exchange.h"

namespace nimbral {

class ApiClient;
class EcdhKeyExchange;
class SignalingClient;

class IncomingExchanges : public QObject {
    Q_OBJECT

public:
    // The Master confirms as soon as it has read the answer.
    static constexpr int kConfirmationTimeoutMs = 20000;
    // The user at the Target has this long to answer the question.
    static constexpr int kApprovalTimeoutMs = 120000;
    static constexpr std::size_t kMaxPending = 4;

    struct Request {
        QString sessionId;
        QString masterId;
        QString masterKey;
        QString relayToken;
        nlohmann::json shares; // "pake_share_password", "pake_share_code"
    };
    // A request that proved itself, handed to the session: the key pair with the session key
    // already derived, and what the user may compare.
    struct Admission {
        QString sessionId;
        QString masterId;
        QString relayToken;
        std::unique_ptr<EcdhKeyExchange> keys;
        QString shortAuthenticationString;
        QString masterFingerprint;

        Admission();
        ~Admission();
        Admission(Admission&&) noexcept;
        Admission& operator=(Admission&&) noexcept;
    };
    using AdmitHandler = std::function<void(Admission)>;

    IncomingExchanges(ApiClient& api, SignalingClient& signaling, const SessionTrust& trust,
                      AdmitHandler admit, QObject* parent = nullptr);
    ~IncomingExchanges() override;

    void take(Request request);
    void confirm(const QString& sessionId, const QString& fromId, const QString& secret,
                 const QString& confirmation, const nlohmann::json& proof);
    // The server says the session ended (the Master gave up or found the password wrong).
    void partnerClosed(const QString& sessionId);
    // The user's answer to approvalNeeded.
    void approve(const QString& sessionId);
    void decline(const QString& sessionId);

    std::size_t pendingCount() const { return m_pending.size(); }

signals:
    // A Master proved the pairing code: the user decides, comparing the string with the
    // Master's user.
    void approvalNeeded(const QString& sessionId, const QString& masterId,
                        const QString& shortAuthenticationString, const QString& masterFingerprint);

private:
    enum class Stage { Answering, AwaitingConfirmation, AwaitingApproval };
    struct Pending {
        Request request;
        Stage stage = Stage::Answering;
        std::unique_ptr<EcdhKeyExchange> keys;
        std::unique_ptr<PasswordExchange> exchange;
        std::unique_ptr<QTimer> timer;
        QString shortAuthenticationString;
        QString masterFingerprint;
    };

    void onAnswered(const QString& sessionId, std::unique_ptr<PasswordExchange> exchange);
    bool deriveKeys(Pending& pending, const std::string& masterDeviceKey);
    void admit(const QString& sessionId);
    void onTimeout(const QString& sessionId);
    // Closes the request at the server with `reason` and forgets it; a failed proof counts
    // against its Master.
    void refuse(QString sessionId, const char* reason, bool countFailure);
    void startTimer(Pending& pending, int milliseconds);
    PasswordExchange::Parties partiesOf(const Pending& pending) const;

    ApiClient& m_api;
    SignalingClient& m_signaling;
    const SessionTrust& m_trust;
    AdmitHandler m_admit;
    std::map<QString, Pending> m_pending; // by session ID
    AttemptBackoff m_backoff;
    QElapsedTimer m_clock;
};

} // namespace nimbral
