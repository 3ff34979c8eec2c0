#include "session/attempt_backoff.h"

#include <algorithm>

namespace nimbral {

qint64 AttemptBackoff::waitMs(const QString& partner, qint64 nowMs) const {
    const auto it = m_failures.find(partner);
    if (it == m_failures.end() || it->second.count < kFreeFailures) {
        return 0;
    }
    const int doublings = std::min(it->second.count - kFreeFailures, 20);
    const qint64 wait = std::min(kFirstWaitMs << doublings, kMaxWaitMs);
    return std::max<qint64>(0, it->second.lastMs + wait - nowMs);
}

void AttemptBackoff::recordFailure(const QString& partner, qint64 nowMs) {
    if (m_failures.size() >= kMaxTracked && !m_failures.contains(partner)) {
        const auto oldest = std::min_element(
            m_failures.begin(), m_failures.end(),
            [](const auto& a, const auto& b) { return a.second.lastMs < b.second.lastMs; });
        m_failures.erase(oldest);
    }
    Failures& failures = m_failures[partner];
    ++failures.count;
    failures.lastMs = nowMs;
}

} // namespace nimbral
