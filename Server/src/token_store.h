#pragma once

#include <deque>
#include <functional>

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

namespace nimbral::server {

// 32 random bytes from the system's source, base64url without padding: tokens of every kind.
QString randomToken();

// Bearer tokens handed out at login and registration: random, held in memory only (a restart
// makes every device log in again, which devices do on their own), each for one device. A device
// holds one token at a time: a new login or registration revokes the ones before it. What the
// device announced it understands at that login (its capabilities) stays with its token.
class TokenStore {
public:
    static constexpr qint64 kLifetimeSeconds = 24 * 60 * 60;
    // Understands relay tokens: joins the relay with the token its session handed it.
    static constexpr const char* kRelayTokenCapability = "relay_token";
    // Speaks the password exchange between the two devices: the server passes its messages on
    // and checks no session password.
    static constexpr const char* kVerifiedSessionsCapability = "verified_sessions";

    QString issue(const QString& clientId, const QSet<QString>& capabilities = {});
    // The device a token belongs to, or empty when the token is unknown, revoked or expired.
    QString clientFor(const QString& token);
    void revokeAll(const QString& clientId);
    // What the device announced at its latest login; nothing once its token is gone.
    bool hasCapability(const QString& clientId, const QString& capability) const;

    qsizetype size() const { return m_tokens.size(); }

    // For tests: the clock the expiry is checked against.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    struct Entry {
        QString clientId;
        QDateTime expires;
    };
    void erase(const QString& token);
    void dropExpired();

    QHash<QString, Entry> m_tokens;
    QHash<QString, QSet<QString>> m_byClient;
    QHash<QString, QSet<QString>> m_capabilities;
    // Tokens in the order they were issued, which with one lifetime for all is the order they
    // expire in: expiry looks only at the front. Revoked tokens stay here until they reach it.
    std::deque<std::pair<QDateTime, QString>> m_expiryOrder;
    std::function<QDateTime()> m_clock = [] {
        return QDateTime::currentDateTimeUtc();
    };
};

} // namespace nimbral::server
