#include "session/replay_window.h"

namespace nimbral {

ReplayWindow::ReplayWindow(std::uint64_t first, std::uint64_t last)
    : m_first(first)
    , m_last(last) {
}

bool ReplayWindow::seen(std::uint64_t counter) const {
    const std::uint64_t slot = counter % kWidth;
    return (m_bits[slot / 64] >> (slot % 64)) & 1u;
}

void ReplayWindow::mark(std::uint64_t counter, bool value) {
    const std::uint64_t slot = counter % kWidth;
    const std::uint64_t bit = std::uint64_t{1} << (slot % 64);
    m_bits[slot / 64] = value ? (m_bits[slot / 64] | bit) : (m_bits[slot / 64] & ~bit);
}

bool ReplayWindow::accept(std::uint64_t counter) {
    if (counter < m_first || counter > m_last) {
        return false;
    }
    if (!m_any) {
        m_any = true;
        m_highest = counter;
        mark(counter, true);
        return true;
    }
    if (counter > m_highest) {
        const std::uint64_t advance = counter - m_highest;
        if (advance >= kWidth) {
            m_bits.fill(0);
        } else {
            // The slots the window slides over belong to counters not seen yet. Counted by
            // steps: a loop up to the counter itself never ends at the top of the space.
            for (std::uint64_t step = 1; step <= advance; ++step) {
                mark(m_highest + step, false);
            }
        }
        m_highest = counter;
        mark(counter, true);
        return true;
    }
    if (m_highest - counter >= kWidth || seen(counter)) {
        return false;
    }
    mark(counter, true);
    return true;
}

} // namespace nimbral
