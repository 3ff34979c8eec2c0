#pragma once

#include <functional>

#include <QDateTime>
#include <QHash>
#include <QString>

namespace nimbral::server {

// Bearer tokens handed out at login and registration: random, held in memory only (a restart
// makes every device log in again, which devices do on their own), each for one device.
class TokenStore {
public:
    static constexpr qint64 kLifetimeSeconds = 24 * 60 * 60;

    QString issue(const QString& clientId);
    // The device a token belongs to, or empty when the token is unknown or expired.
    QString clientFor(const QString& token);

    // For tests: the clock the expiry is checked against.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    struct Entry {
        QString clientId;
        QDateTime expires;
    };
    void dropExpired();

    QHash<QString, Entry> m_tokens;
    std::function<QDateTime()> m_clock = [] {
        return QDateTime::currentDateTimeUtc();
    };
};

} // namespace nimbral::server
