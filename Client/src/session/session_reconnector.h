#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "session/session_manager.h"

namespace nimbral {

class SignalingClient;

// Brings a Master's session back when its link was lost: the same partner, the same password,
// after 2, 4, 8 ... 30 s, up to the user's number of attempts. A session the partner ended
// (it said so over the link, or its close reason reached us through the server while we waited)
// is not asked for again, and a failure that will not pass by itself (a wrong password, an
// unknown ID, a refusal) ends the attempts at once. Main thread.
class SessionReconnector : public QObject {
    Q_OBJECT

public:
    static constexpr int kFirstDelayMs = 2000;
    static constexpr int kMaxDelayMs = 30000;

    SessionReconnector(SessionManager& session, SignalingClient& signaling,
                       QObject* parent = nullptr);

    void setAutomatic(bool automatic, int maxAttempts);
    void setFirstDelay(int milliseconds) { m_firstDelayMs = milliseconds; }
    // The user asked for a session to this partner: what a reconnection needs.
    void remember(const QString& partnerId, const QString& password);
    // The user's own "Reconnect": one attempt now, with the remembered partner and password.
    bool reconnectNow();
    // Stops waiting and trying (the user ends it, or starts something else).
    void cancel();
    // From a lost link until the session is back or the attempts end.
    bool isReconnecting() const { return m_reconnecting; }
    QString partnerId() const { return m_partnerId; }
    int attempt() const { return m_attempt; }

signals:
    // The next attempt (1-based) starts after `delayMs`.
    void reconnecting(const QString& partnerId, int attempt, int maxAttempts, int delayMs);
    void reconnected(const QString& partnerId);
    // A connected session ended and nothing follows by itself: the partner ended it, or its link
    // was lost with automatic reconnection off.
    void partnerEnded(const QString& partnerId);
    void linkLost(const QString& partnerId);
    // Reconnecting stopped after `attempts`: all were used up, or the last failure will not pass.
    void gaveUp(const QString& partnerId, const QString& lastError, int attempts,
                bool attemptsUsedUp);

private:
    void onSessionEnded(const QString& sessionId, const QString& partnerId, SessionRole role,
                        SessionEnd how);
    void onPartnerClosed(const QString& sessionId, const QString& reason);
    void onStateChanged(SessionState state);
    void afterFailedAttempt();
    void scheduleNextAttempt();
    void attemptNow();
    void stop();

    SessionManager& m_session;
    QTimer m_timer;
    bool m_automatic = true;
    int m_maxAttempts = 10;
    int m_firstDelayMs = kFirstDelayMs;
    QString m_partnerId;
    QString m_password;
    QString m_lostSessionId; // its close reason may still come through the server
    QString m_lastError;
    bool m_reconnecting = false;
    bool m_attemptRunning = false;
    int m_attempt = 0;
};

} // namespace nimbral
