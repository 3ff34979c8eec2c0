#include "token_store.h"

#include <QRandomGenerator>

namespace nimbral::server {

QString randomToken() {
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), 8);
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString TokenStore::issue(const QString& clientId, const QSet<QString>& capabilities) {
    dropExpired();
    revokeAll(clientId);
    const QString token = randomToken();
    if (!capabilities.isEmpty()) {
        m_capabilities.insert(clientId, capabilities);
    }
    const QDateTime expires = m_clock().addSecs(kLifetimeSeconds);
    m_tokens.insert(token, Entry{clientId, expires});
    m_byClient[clientId].insert(token);
    m_expiryOrder.emplace_back(expires, token);
    // Revoked tokens wait in the queue until they reach its front; a device that logs in over
    // and over must not grow it without bound, so it is swept once it is mostly dead entries.
    if (m_expiryOrder.size() > 2 * static_cast<size_t>(m_tokens.size()) + 1024) {
        std::erase_if(m_expiryOrder, [this](const auto& entry) {
            const auto it = m_tokens.constFind(entry.second);
            return it == m_tokens.constEnd() || it->expires != entry.first;
        });
    }
    return token;
}

QString TokenStore::clientFor(const QString& token) {
    const auto it = m_tokens.constFind(token);
    if (it == m_tokens.constEnd()) {
        return {};
    }
    if (it->expires <= m_clock()) {
        erase(token);
        return {};
    }
    return it->clientId;
}

void TokenStore::revokeAll(const QString& clientId) {
    const QSet<QString> tokens = m_byClient.take(clientId);
    for (const QString& token : tokens) {
        m_tokens.remove(token);
    }
    m_capabilities.remove(clientId);
}

bool TokenStore::hasCapability(const QString& clientId, const QString& capability) const {
    return m_capabilities.value(clientId).contains(capability);
}

void TokenStore::erase(const QString& token) {
    const auto it = m_tokens.find(token);
    if (it == m_tokens.end()) {
        return;
    }
    const auto owner = m_byClient.find(it->clientId);
    if (owner != m_byClient.end()) {
        owner->remove(token);
        if (owner->isEmpty()) {
            m_capabilities.remove(it->clientId);
            m_byClient.erase(owner);
        }
    }
    m_tokens.erase(it);
}

void TokenStore::dropExpired() {
    const QDateTime now = m_clock();
    while (!m_expiryOrder.empty() && m_expiryOrder.front().first <= now) {
        erase(m_expiryOrder.front().second);
        m_expiryOrder.pop_front();
    }
}

} // namespace nimbral::server
