#pragma once

#include <cstdint>
#include <vector>

namespace nimbral::test {

// Synthetic desktop-like BGRA frames: a flat background, a panel of "text" (fine high-contrast
// strokes), and a window that moves a little every frame. Deterministic for a given index.
std::vector<std::uint8_t> desktopFrame(int width, int height, int index);

// PSNR in dB between two planes of equal size (99 when identical).
double psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t size);

} // namespace nimbral::test
