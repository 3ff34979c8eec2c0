#include "session_registry.h"

#include <QDateTime>
#include <QUuid>

#include <spdlog/spdlog.h>

namespace nimbral::server {

const char* sessionStateName(SessionState state) {
    switch (state) {
    case SessionState::Pending:
        return "pending";
    case SessionState::Handshaking:
        return "handshaking";
    case SessionState::Connected:
        return "connected";
    case SessionState::Closed:
        return "closed";
    case SessionState::Failed:
        return "failed";
    }
    return "failed";
}

nlohmann::json Session::toJson() const {
    return {
        {"session_id", id.toStdString()},
        {"state", sessionStateName(state)},
        {"master_client_id", masterClientId.toStdString()},
        {"target_client_id", targetClientId.toStdString()},
        {"purpose", purpose.toStdString()},
        {"created_at", QDateTime::fromMSecsSinceEpoch(createdAtMs, Qt::UTC)
                           .toString(Qt::ISODateWithMs)
                           .toStdString()},
    };
}

SessionRegistry::SessionRegistry(QObject* parent)
    : QObject(parent) {
    m_clock.start();
    m_expiryTimer.setInterval(1000);
    connect(&m_expiryTimer, &QTimer::timeout, this, &SessionRegistry::expireSessions);
    m_expiryTimer.start();
}

void SessionRegistry::setTimeouts(qint64 completeTimeoutMs, qint64 passwordBlockMs) {
    m_completeTimeoutMs = completeTimeoutMs;
    m_passwordBlockMs = passwordBlockMs;
    m_expiryTimer.setInterval(
        static_cast<int>(qBound(qint64{50}, completeTimeoutMs / 4, qint64{1000})));
}

void SessionRegistry::setAbandonedTimeout(qint64 milliseconds) {
    m_abandonedTimeoutMs = milliseconds;
    m_expiryTimer.setInterval(static_cast<int>(
        qBound(qint64{50}, milliseconds / 4, qint64{m_expiryTimer.interval()})));
}

Session& SessionRegistry::create(const QString& masterClientId, const QString& targetClientId,
                                 const QString& purpose, const QString& masterPublicKey) {
    Session session;
    session.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    session.masterClientId = masterClientId;
    session.targetClientId = targetClientId;
    session.purpose = purpose;
    session.masterPublicKey = masterPublicKey;
    session.createdAtMs = QDateTime::currentMSecsSinceEpoch();
    session.age.start();
    spdlog::info("SessionRegistry: session {} created: {} -> {}", session.id.toStdString(),
                 masterClientId.toStdString(), targetClientId.toStdString());
    return *m_sessions.insert(session.id, session);
}

Session* SessionRegistry::find(const QString& sessionId) {
    const auto it = m_sessions.find(sessionId);
    return it == m_sessions.end() ? nullptr : &it.value();
}

void SessionRegistry::close(const QString& sessionId) {
    if (m_sessions.remove(sessionId) > 0) {
        spdlog::info("SessionRegistry: session {} closed", sessionId.toStdString());
        emit sessionEnded(sessionId, QStringLiteral("closed"));
    }
}

bool SessionRegistry::isJoinable(const QString& sessionId) {
    const Session* session = find(sessionId);
    return session != nullptr && session->state != SessionState::Failed &&
           session->state != SessionState::Closed;
}

bool SessionRegistry::passwordTriesBlocked(const QString& targetClientId) {
    const auto it = m_blockedUntil.find(targetClientId);
    if (it == m_blockedUntil.end()) {
        return false;
    }
    if (m_clock.elapsed() >= it.value()) {
        m_blockedUntil.erase(it);
        m_passwordFailures.remove(targetClientId);
        return false;
    }
    return true;
}

void SessionRegistry::recordPasswordFailure(const QString& targetClientId) {
    const qint64 now = m_clock.elapsed();
    auto& failures = m_passwordFailures[targetClientId];
    failures.push_back(now);
    while (!failures.empty() && now - failures.front() > kPasswordWindowMs) {
        failures.pop_front();
    }
    if (static_cast<int>(failures.size()) >= kMaxPasswordFailures) {
        m_blockedUntil.insert(targetClientId, now + m_passwordBlockMs);
        spdlog::warn("SessionRegistry: password tries for {} blocked after {} failures",
                     targetClientId.toStdString(), failures.size());
    }
}

void SessionRegistry::expireSessions() {
    QStringList failed;
    QStringList abandoned;
    const qint64 now = m_clock.elapsed();
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        Session& session = it.value();
        if (session.state == SessionState::Connected && m_partyPresent) {
            if (m_partyPresent(session)) {
                session.lastPresentMs = now;
            } else if (now - session.lastPresentMs >= m_abandonedTimeoutMs) {
                abandoned << session.id;
            }
        }
        const bool unfinished =
            session.state == SessionState::Pending || session.state == SessionState::Handshaking;
        if (unfinished && session.age.elapsed() >= m_completeTimeoutMs) {
            session.state = SessionState::Failed;
            failed << session.id;
            spdlog::info("SessionRegistry: session {} failed: not completed in time",
                         session.id.toStdString());
        }
        if (session.state == SessionState::Failed &&
            session.age.elapsed() >= m_completeTimeoutMs + kFailedRetentionMs) {
            it = m_sessions.erase(it);
        } else {
            ++it;
        }
    }
    for (const QString& id : failed) {
        emit sessionEnded(id, QStringLiteral("failed"));
    }
    for (const QString& id : abandoned) {
        spdlog::info("SessionRegistry: session {} closed: both parties gone", id.toStdString());
        close(id);
    }
}

} // namespace nimbral::server
