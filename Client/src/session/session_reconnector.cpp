#include "session/session_reconnector.h"

#include <algorithm>

#include <spdlog/spdlog.h>

#include "network/signaling_client.h"
#include "session/session_channel.h"

namespace nimbral {

SessionReconnector::SessionReconnector(SessionManager& session, SignalingClient& signaling,
                                       QObject* parent)
    : QObject(parent)
    , m_session(session) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SessionReconnector::attemptNow);
    connect(&session, &SessionManager::sessionEnded, this, &SessionReconnector::onSessionEnded);
    connect(&session, &SessionManager::stateChanged, this, &SessionReconnector::onStateChanged);
    connect(&session, &SessionManager::sessionError, this, [this](const QString& error) {
        if (m_reconnecting) {
            m_lastError = error;
        }
    });
    connect(&signaling, &SignalingClient::sessionClosed, this,
            &SessionReconnector::onPartnerClosed);
}

void SessionReconnector::setAutomatic(bool automatic, int maxAttempts) {
    m_automatic = automatic;
    m_maxAttempts = std::max(1, maxAttempts);
}

void SessionReconnector::remember(const QString& partnerId, const QString& password) {
    stop();
    m_partnerId = partnerId;
    m_password = password;
}

bool SessionReconnector::reconnectNow() {
    const SessionState state = m_session.state();
    if (m_partnerId.isEmpty() || (state != SessionState::Idle && state != SessionState::Failed)) {
        return false;
    }
    stop();
    spdlog::info("Reconnecting to {} at the user's request", m_partnerId.toStdString());
    m_session.initiateSession(m_partnerId, m_password);
    return true;
}

void SessionReconnector::cancel() {
    if (m_reconnecting) {
        spdlog::info("Reconnecting to {} cancelled", m_partnerId.toStdString());
    }
    stop();
}

void SessionReconnector::stop() {
    m_timer.stop();
    m_reconnecting = false;
    m_attemptRunning = false;
    m_attempt = 0;
    m_lostSessionId.clear();
    m_lastError.clear();
}

void SessionReconnector::onSessionEnded(const QString& sessionId, const QString& partnerId,
                                        SessionRole role, SessionEnd how) {
    if (role != SessionRole::Master || partnerId != m_partnerId) {
        return;
    }
    stop();
    if (how == SessionEnd::ByPartner) {
        emit partnerEnded(partnerId);
    } else if (how == SessionEnd::LinkLost && !m_automatic) {
        emit linkLost(partnerId);
    } else if (how == SessionEnd::LinkLost) {
        spdlog::info("Link to {} lost: reconnecting", partnerId.toStdString());
        m_reconnecting = true;
        m_lostSessionId = sessionId;
        scheduleNextAttempt();
    }
}

void SessionReconnector::onPartnerClosed(const QString& sessionId, const QString& reason) {
    // The partner's own words about the lost session, overtaken by the closing link.
    if (!m_reconnecting || m_lostSessionId.isEmpty() || sessionId != m_lostSessionId ||
        reason == QLatin1String(kLinkLostReason) || reason == QLatin1String("transport_failed")) {
        return;
    }
    spdlog::info("The partner ended the lost session ({}): not reconnecting", reason.toStdString());
    const QString partner = m_partnerId;
    stop();
    emit partnerEnded(partner);
}

void SessionReconnector::onStateChanged(SessionState state) {
    if (!m_attemptRunning) {
        return;
    }
    if (state == SessionState::Connected) {
        spdlog::info("Reconnected to {} at attempt {}", m_partnerId.toStdString(), m_attempt);
        const QString partner = m_partnerId;
        stop();
        emit reconnected(partner);
    } else if (state == SessionState::Idle || state == SessionState::Failed) {
        // The failure's message follows the state change: look once it is out.
        m_attemptRunning = false;
        QMetaObject::invokeMethod(this, &SessionReconnector::afterFailedAttempt,
                                  Qt::QueuedConnection);
    }
}

void SessionReconnector::afterFailedAttempt() {
    if (!m_reconnecting) {
        return;
    }
    const bool usedUp = m_attempt >= m_maxAttempts;
    if (usedUp || !m_session.lastFailureMayPass()) {
        spdlog::info("Reconnecting to {} given up after {} attempts", m_partnerId.toStdString(),
                     m_attempt);
        const QString partner = m_partnerId;
        const QString error = m_lastError;
        const int attempts = m_attempt;
        stop();
        emit gaveUp(partner, error, attempts, usedUp);
        return;
    }
    scheduleNextAttempt();
}

void SessionReconnector::scheduleNextAttempt() {
    const int shift = std::min(m_attempt, 5);
    const int delay = std::min(m_firstDelayMs << shift, std::max(kMaxDelayMs, m_firstDelayMs));
    m_timer.start(delay);
    emit reconnecting(m_partnerId, m_attempt + 1, m_maxAttempts, delay);
}

void SessionReconnector::attemptNow() {
    const SessionState state = m_session.state();
    if (state != SessionState::Idle && state != SessionState::Failed) {
        stop(); // the user started something else meanwhile
        return;
    }
    ++m_attempt;
    m_lastError.clear();
    m_lostSessionId.clear();
    spdlog::info("Reconnect attempt {}/{} to {}", m_attempt, m_maxAttempts,
                 m_partnerId.toStdString());
    m_attemptRunning = true;
    m_session.initiateSession(m_partnerId, m_password);
}

} // namespace nimbral
