#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <functional>

#include <nlohmann/json.hpp>

namespace nimbral::server {

enum class SessionState { Pending, Handshaking, Connected, Closed, Failed };
const char* sessionStateName(SessionState state);

struct Session {
    QString id;
    QString masterClientId;
    QString targetClientId;
    QString purpose;
    QString masterPublicKey;
    QString targetPublicKey;
    QString targetNatType;
    QString connectionMethod;
    QString relayNodeId;
    // Each party's own key to the relay, handed to it alone. Required at the join only when both
    // parties said they know them; a session with an older party pairs by its ID alone.
    QString masterRelayToken;
    QString targetRelayToken;
    bool relayTokensRequired = false;
    SessionState state = SessionState::Pending;
    qint64 createdAtMs = 0;
    QElapsedTimer age;
    qint64 lastPresentMs = 0; // registry clock: when a party was last seen, once connected

    bool isParty(const QString& clientId) const {
        return clientId == masterClientId || clientId == targetClientId;
    }
    QString peerOf(const QString& clientId) const {
        return clientId == masterClientId ? targetClientId : masterClientId;
    }
    // Which party a relay token belongs to: the Master's, the Target's, or neither (empty).
    QString relayTokenHolder(const QString& token) const;
    // The reply body every session call returns.
    nlohmann::json toJson() const;
};

// Sessions live in memory: pending -> handshaking -> connected -> closed, or failed when they do
// not complete in time. Closed sessions are forgotten at once; failed ones a while later, so a
// late call still learns the outcome.
// Main thread only.
class SessionRegistry : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 kCompleteTimeoutMs = 2 * 60 * 1000;
    static constexpr qint64 kFailedRetentionMs = 10 * 60 * 1000;
    static constexpr qint64 kAbandonedTimeoutMs = 5 * 60 * 1000;

    explicit SessionRegistry(QObject* parent = nullptr);

    Session& create(const QString& masterClientId, const QString& targetClientId,
                    const QString& purpose, const QString& masterPublicKey);
    Session* find(const QString& sessionId);
    // Marks the session closed, tells listeners and forgets it.
    void close(const QString& sessionId);
    // Closed sessions are gone; failed ones cannot be joined any more.
    bool isJoinable(const QString& sessionId);

    // A connected session lives while one of its parties is present (signaling or relay);
    // once neither has been for kAbandonedTimeoutMs it is closed.
    void setPresenceCheck(std::function<bool(const Session&)> check) {
        m_partyPresent = std::move(check);
    }
    void markActive(Session& session) { session.lastPresentMs = m_clock.elapsed(); }

    // Overrides for tests (the limits are minutes long).
    void setCompleteTimeout(qint64 milliseconds);
    void setAbandonedTimeout(qint64 milliseconds);

signals:
    void sessionEnded(const QString& sessionId, const QString& state);

private:
    void expireSessions();

    QHash<QString, Session> m_sessions;
    QElapsedTimer m_clock;
    QTimer m_expiryTimer;
    qint64 m_completeTimeoutMs = kCompleteTimeoutMs;
    qint64 m_abandonedTimeoutMs = kAbandonedTimeoutMs;
    std::function<bool(const Session&)> m_partyPresent;
};

} // namespace nimbral::server
