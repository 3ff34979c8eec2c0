#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QHash>
#include <QString>

namespace nimbral::server {

// A token bucket per key (a source address, a connection): `burst` calls at once, then
// `perMinute` a minute. Keys whose bucket has refilled are forgotten, so a stream of new keys
// costs memory only for as long as it keeps them busy. Main thread only.
class RateLimiter {
public:
    static constexpr qsizetype kSweepThreshold = 4096;

    RateLimiter(double perMinute, double burst)
        : m_perMs(perMinute / 60000.0)
        , m_burst(burst) {
        m_elapsed.start();
    }

    // True (and one call counted) when `key` may make another call now.
    bool allow(const QString& key) {
        const qint64 now = nowMs();
        if (m_buckets.size() >= m_nextSweep) {
            sweep(now);
            // Sweeping again only once the table has doubled keeps each call O(1) on average.
            m_nextSweep = qMax(kSweepThreshold, 2 * m_buckets.size());
        }
        Bucket& bucket = m_buckets[key];
        if (bucket.lastMs < 0) {
            bucket = Bucket{m_burst, now};
        }
        bucket.tokens = qMin(m_burst, bucket.tokens + (now - bucket.lastMs) * m_perMs);
        bucket.lastMs = now;
        if (bucket.tokens < 1.0) {
            return false;
        }
        bucket.tokens -= 1.0;
        return true;
    }

    qsizetype trackedKeys() const { return m_buckets.size(); }

    // For tests: milliseconds on a clock of their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

private:
    struct Bucket {
        double tokens = 0;
        qint64 lastMs = -1;
    };

    qint64 nowMs() const { return m_clock ? m_clock() : m_elapsed.elapsed(); }

    void sweep(qint64 now) {
        for (auto it = m_buckets.begin(); it != m_buckets.end();) {
            const double refilled = it->tokens + (now - it->lastMs) * m_perMs;
            it = refilled >= m_burst ? m_buckets.erase(it) : std::next(it);
        }
    }

    double m_perMs;
    double m_burst;
    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
    QHash<QString, Bucket> m_buckets;
    qsizetype m_nextSweep = kSweepThreshold;
};

} // namespace nimbral::server
