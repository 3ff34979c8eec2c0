#pragma once

#include <array>
#include <cstdint>

namespace nimbral {

// Which of the peer's sealed-message counters have been accepted. The cipher is stateless, so
// without this a captured message could be played again; video travels unordered, so a counter
// below the highest seen is still welcome while it lies within the window and is new.
// Counters outside the peer's range (the other half of the counter space is ours) are refused,
// which also stops our own messages being reflected back at us.
class ReplayWindow {
public:
    static constexpr std::uint64_t kWidth = 4096;

    // The peer's counters lie in [first, last].
    ReplayWindow(std::uint64_t first, std::uint64_t last);

    // True when the counter is new and within the window; it is then remembered.
    bool accept(std::uint64_t counter);

private:
    bool seen(std::uint64_t counter) const;
    void mark(std::uint64_t counter, bool value);

    std::uint64_t m_first;
    std::uint64_t m_last;
    bool m_any = false;
    std::uint64_t m_highest = 0;
    std::array<std::uint64_t, kWidth / 64> m_bits{};
};

} // namespace nimbral
