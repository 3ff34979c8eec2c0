#include "desktop_frames.h"

#include <cmath>

namespace nimbral::test {

std::vector<std::uint8_t> desktopFrame(int width, int height, int index) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 4);
    const auto put = [&](int x, int y, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
        std::uint8_t* p = frame.data() + (static_cast<std::size_t>(y) * width + x) * 4;
        p[0] = b;
        p[1] = g;
        p[2] = r;
        p[3] = 255;
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            put(x, y, 94, 60, 46); // desktop background
        }
    }
    // A text panel: dark strokes on white, like lines of small glyphs.
    const int panelX = width / 16;
    const int panelY = height / 10;
    for (int y = panelY; y < height * 9 / 10; ++y) {
        for (int x = panelX; x < width / 2; ++x) {
            const int line = (y - panelY) % 14;
            const int column = (x - panelX) % 7;
            const bool ink = line < 9 && column < 5 && ((x * 7 + y * 13 + (x / 7) * 31) % 5 < 2);
            ink ? put(x, y, 20, 20, 20) : put(x, y, 250, 250, 250);
        }
    }
    // A window with a title bar, moving 4 pixels per frame.
    const int windowX = width / 2 + (index * 4) % (width / 4);
    const int windowY = height / 4 + (index * 2) % (height / 8);
    for (int y = windowY; y < windowY + height / 3 && y < height; ++y) {
        for (int x = windowX; x < windowX + width / 3 && x < width; ++x) {
            if (y < windowY + 24) {
                put(x, y, 200, 120, 40); // title bar
            } else {
                put(x, y, 235, 235, 235);
            }
        }
    }
    return frame;
}

double psnr(const std::uint8_t* a, const std::uint8_t* b, std::size_t size) {
    double sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const double d = static_cast<double>(a[i]) - b[i];
        sum += d * d;
    }
    if (sum == 0) {
        return 99;
    }
    return 10 * std::log10(255.0 * 255.0 * static_cast<double>(size) / sum);
}

} // namespace nimbral::test
