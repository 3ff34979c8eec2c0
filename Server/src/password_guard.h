#pragma once

#include <deque>
#include <functional>

#include <QElapsedTimer>
#include <QHash>
#include <QString>

namespace nimbral::server {

// Limits guessing of session passwords and pairing codes at session creation, without letting a
// stranger lock the owner out:
// - per (Master, Target) pair: a few free failures, then an exponentially growing wait;
// - per Master device and per source address: a ceiling on failures across all Targets, so one
//   attacker cannot spread guesses over many Targets (or many registered devices);
// - per Target: a ceiling high enough that one attacker, held by the two limits above, cannot
//   reach it, which stops many attackers together.
// A success clears its pair. Entries that have aged out are swept as the tables grow. Main thread
// only.
class PasswordGuard {
public:
    static constexpr int kFreePairFailures = 3;
    static constexpr qint64 kFirstPairWaitMs = 2000;
    static constexpr qint64 kMaxPairWaitMs = 15 * 60 * 1000;
    static constexpr qint64 kPairMemoryMs = 60 * 60 * 1000;
    static constexpr qint64 kWindowMs = 10 * 60 * 1000;
    static constexpr int kMaxFailuresPerMaster = 20;
    static constexpr int kMaxFailuresPerTarget = 100;
    static constexpr qint64 kTargetBlockMs = 10 * 60 * 1000;

    enum class Block { None, Pair, Master, Target };
    struct Verdict {
        Block block = Block::None;
        qint64 retryAfterMs = 0;
    };

    PasswordGuard();

    // Whether this Master, from this address, may try a password on this Target now.
    Verdict check(const QString& master, const QString& source, const QString& target);
    void recordFailure(const QString& master, const QString& source, const QString& target);
    void recordSuccess(const QString& master, const QString& target);

    qsizetype trackedEntries() const {
        return m_pairs.size() + m_callers.size() + m_targets.size();
    }

    // For tests: milliseconds on a clock of their own.
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

private:
    struct Pair {
        int failures = 0;
        qint64 lastFailureMs = 0;
        qint64 blockedUntilMs = 0;
    };
    // Failure times inside the window, oldest first; never more than the ceiling.
    struct Window {
        std::deque<qint64> failures;
        qint64 blockedUntilMs = 0;
    };

    qint64 nowMs() const { return m_clock ? m_clock() : m_elapsed.elapsed(); }
    static void expire(Window& window, qint64 now);
    // Counts one failure; true when that reached the ceiling.
    static bool count(Window& window, qint64 now, int ceiling);
    void sweep(qint64 now);

    QElapsedTimer m_elapsed;
    std::function<qint64()> m_clock;
    QHash<QString, Pair> m_pairs;     // "master>target"
    QHash<QString, Window> m_callers; // "m:" + Master ID, "a:" + source address
    QHash<QString, Window> m_targets;
    qsizetype m_nextSweep = 4096;
};

} // namespace nimbral::server
