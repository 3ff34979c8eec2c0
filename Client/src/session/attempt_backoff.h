#pragma once

#include <cstddef>
#include <map>

#include <QString>

namespace nimbral {

// Failed password proofs per partner, and how long each must wait before the next try: a few
// mistakes are free, then every further one doubles the wait up to five minutes. A success
// forgets the partner's failures. Bounded: past kMaxTracked partners the one that failed longest
// ago is forgotten first. Times are milliseconds on any steady clock the caller keeps.
class AttemptBackoff {
public:
    static constexpr int kFreeFailures = 3;
    static constexpr qint64 kFirstWaitMs = 2000;
    static constexpr qint64 kMaxWaitMs = 5 * 60 * 1000;
    static constexpr std::size_t kMaxTracked = 1024;

    // 0 when `partner` may try now.
    qint64 waitMs(const QString& partner, qint64 nowMs) const;
    void recordFailure(const QString& partner, qint64 nowMs);
    void recordSuccess(const QString& partner) { m_failures.erase(partner); }

private:
    struct Failures {
        int count = 0;
        qint64 lastMs = 0;
    };
    std::map<QString, Failures> m_failures;
};

} // namespace nimbral
