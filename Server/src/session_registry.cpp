#include "session_registry.h"

#include <QDateTime>
#include <QUuid>

#include <openssl/crypto.h>
#include <spdlog/spdlog.h>

#include "token_store.h"

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

QString Session::relayTokenHolder(const QString& token) const {
    const auto same = [&token](const QString& expected) {
        const QByteArray a = token.toLatin1();
        const QByteArray b = expected.toLatin1();
        return !b.isEmpty() && a.size() == b.size() &&
               CRYPTO_memcmp(a.constData(), b.constData(), a.size()) == 0;
    };
    if (same(masterRelayToken)) {
        return masterClientId;
    }
    if (same(targetRelayToken)) {
        return targetClientId;
    }
    return {};
}

SessionRegistry::SessionRegistry(QObject* parent)
    : QObject(parent) {
    m_clock.start();
    m_expiryTimer.setInterval(1000);
    connect(&m_expiryTimer, &QTimer::timeout, this, &SessionRegistry::expireSessions);
    m_expiryTimer.start();
}

void SessionRegistry::setCompleteTimeout(qint64 completeTimeoutMs) {
    m_completeTimeoutMs = completeTimeoutMs;
    m_expiryTimer.setInterval(
        static_cast<int>(qBound(qint64{50}, completeTimeoutMs / 4, qint64{1000})));
}

void SessionRegistry::setAbandonedTimeout(qint64 milliseconds) {
    m_abandonedTimeoutMs = milliseconds;
    m_expiryTimer.setInterval(
        static_cast<int>(qBound(qint64{50}, milliseconds / 4, qint64{m_expiryTimer.interval()})));
}

Session& SessionRegistry::create(const QString& masterClientId, const QString& targetClientId,
                                 const QString& purpose, const QString& masterPublicKey) {
    Session session;
    session.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    session.masterClientId = masterClientId;
    session.targetClientId = targetClientId;
    session.purpose = purpose;
    session.masterPublicKey = masterPublicKey;
    session.masterRelayToken = randomToken();
    session.targetRelayToken = randomToken();
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
