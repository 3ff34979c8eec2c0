#include "password_guard.h"

#include <spdlog/spdlog.h>

namespace nimbral::server {

namespace {

QString pairKey(const QString& master, const QString& target) {
    return master + QLatin1Char('>') + target;
}

QString masterKey(const QString& master) {
    return QStringLiteral("m:") + master;
}

QString sourceKey(const QString& source) {
    return QStringLiteral("a:") + source;
}

} // namespace

PasswordGuard::PasswordGuard() {
    m_elapsed.start();
}

void PasswordGuard::expire(Window& window, qint64 now) {
    while (!window.failures.empty() && now - window.failures.front() >= kWindowMs) {
        window.failures.pop_front();
    }
}

bool PasswordGuard::count(Window& window, qint64 now, int ceiling) {
    expire(window, now);
    window.failures.push_back(now);
    while (static_cast<int>(window.failures.size()) > ceiling) {
        window.failures.pop_front();
    }
    return static_cast<int>(window.failures.size()) >= ceiling;
}

PasswordGuard::Verdict PasswordGuard::check(const QString& master, const QString& source,
                                            const QString& target) {
    const qint64 now = nowMs();
    if (const auto it = m_targets.find(target); it != m_targets.end() && it->blockedUntilMs > now) {
        return {Block::Target, it->blockedUntilMs - now};
    }
    for (const QString& key : {masterKey(master), sourceKey(source)}) {
        const auto it = m_callers.find(key);
        if (it == m_callers.end()) {
            continue;
        }
        expire(*it, now);
        if (static_cast<int>(it->failures.size()) >= kMaxFailuresPerMaster) {
            return {Block::Master, it->failures.front() + kWindowMs - now};
        }
    }
    if (const auto it = m_pairs.find(pairKey(master, target));
        it != m_pairs.end() && it->blockedUntilMs > now) {
        return {Block::Pair, it->blockedUntilMs - now};
    }
    return {};
}

void PasswordGuard::recordFailure(const QString& master, const QString& source,
                                  const QString& target) {
    const qint64 now = nowMs();
    if (trackedEntries() >= m_nextSweep) {
        sweep(now);
        m_nextSweep = qMax<qsizetype>(4096, 2 * trackedEntries());
    }
    Pair& pair = m_pairs[pairKey(master, target)];
    if (pair.failures > 0 && now - pair.lastFailureMs >= kPairMemoryMs) {
        pair = Pair{};
    }
    ++pair.failures;
    pair.lastFailureMs = now;
    if (pair.failures >= kFreePairFailures) {
        // 2 s after the third failure, then twice as long after each further one.
        const int doublings = qMin(pair.failures - kFreePairFailures, 20);
        pair.blockedUntilMs = now + qMin(kFirstPairWaitMs << doublings, kMaxPairWaitMs);
    }
    count(m_callers[masterKey(master)], now, kMaxFailuresPerMaster);
    count(m_callers[sourceKey(source)], now, kMaxFailuresPerMaster);
    Window& targetWindow = m_targets[target];
    if (count(targetWindow, now, kMaxFailuresPerTarget) && targetWindow.blockedUntilMs <= now) {
        targetWindow.blockedUntilMs = now + kTargetBlockMs;
        spdlog::warn("PasswordGuard: {} wrong passwords for {} within {} minutes from many "
                     "devices; password tries for it are stopped for {} minutes",
                     kMaxFailuresPerTarget, target.toStdString(), kWindowMs / 60000,
                     kTargetBlockMs / 60000);
    }
}

void PasswordGuard::recordSuccess(const QString& master, const QString& target) {
    m_pairs.remove(pairKey(master, target));
}

void PasswordGuard::sweep(qint64 now) {
    for (auto it = m_pairs.begin(); it != m_pairs.end();) {
        const bool stale = now - it->lastFailureMs >= kPairMemoryMs && it->blockedUntilMs <= now;
        it = stale ? m_pairs.erase(it) : std::next(it);
    }
    for (auto* table : {&m_callers, &m_targets}) {
        for (auto it = table->begin(); it != table->end();) {
            expire(*it, now);
            const bool stale = it->failures.empty() && it->blockedUntilMs <= now;
            it = stale ? table->erase(it) : std::next(it);
        }
    }
}

} // namespace nimbral::server
