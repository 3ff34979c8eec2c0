#include "token_store.h"

#include <QRandomGenerator>

namespace nimbral::server {

QString TokenStore::issue(const QString& clientId) {
    dropExpired();
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), 8);
    const QString token = QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    m_tokens.insert(token, Entry{clientId, m_clock().addSecs(kLifetimeSeconds)});
    return token;
}

QString TokenStore::clientFor(const QString& token) {
    const auto it = m_tokens.constFind(token);
    if (it == m_tokens.constEnd()) {
        return {};
    }
    if (it->expires <= m_clock()) {
        m_tokens.erase(it);
        return {};
    }
    return it->clientId;
}

void TokenStore::dropExpired() {
    const QDateTime now = m_clock();
    for (auto it = m_tokens.begin(); it != m_tokens.end();) {
        it = (it->expires <= now) ? m_tokens.erase(it) : std::next(it);
    }
}

} // namespace nimbral::server
