#pragma once

#include <cstdint>
#include <string>

#include <X11/Xlib.h>

namespace nimbral::bench {

// Draws on the Target's X screen (the private Xvfb of a benchmark) with a window of its own:
// a probe square that flips between black and white, a document that scrolls, text typed a
// character at a time, and a region that plays "video".
class TargetScreen {
public:
    TargetScreen(int width, int height)
        : m_display(XOpenDisplay(nullptr))
        , m_width(width)
        , m_height(height) {
        if (m_display == nullptr) {
            return;
        }
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0,
                                       static_cast<unsigned>(width), static_cast<unsigned>(height),
                                       0, 0, 0x202020);
        XMapRaised(m_display, m_window);
        m_gc = XCreateGC(m_display, m_window, 0, nullptr);
        XSync(m_display, False);
    }
    ~TargetScreen() {
        if (m_display != nullptr) {
            XFreeGC(m_display, m_gc);
            XCloseDisplay(m_display);
        }
    }
    TargetScreen(const TargetScreen&) = delete;
    TargetScreen& operator=(const TargetScreen&) = delete;

    bool ok() const { return m_display != nullptr; }

    // Above the windows of programs started later on the same screen.
    void raise() {
        XRaiseWindow(m_display, m_window);
        XFlush(m_display);
    }

    void probe(bool white) {
        XSetForeground(m_display, m_gc, white ? 0xFFFFFF : 0x000000);
        XFillRectangle(m_display, m_window, m_gc, 100, 100, 64, 64);
        XFlush(m_display);
    }

    void fill(bool white) {
        XSetForeground(m_display, m_gc, white ? 0xFFFFFF : 0x000000);
        XFillRectangle(m_display, m_window, m_gc, 0, 0, static_cast<unsigned>(m_width),
                       static_cast<unsigned>(m_height));
        XFlush(m_display);
    }

    // A page of text lines and coloured stripes, moved up by `offset` pixels.
    void scroll(int offset) {
        for (int y = -(offset % 24); y < m_height; y += 24) {
            const int row = (y + offset) / 24;
            XSetForeground(m_display, m_gc, row % 5 == 0 ? 0x3050A0 : 0xF0F0F0);
            XFillRectangle(m_display, m_window, m_gc, 300, y, 1200, 24);
            XSetForeground(m_display, m_gc, 0x101010);
            const std::string line = "Line " + std::to_string(row) +
                                     ": the quick brown fox jumps over the lazy dog, " +
                                     std::to_string(row * 7919 % 10007);
            XDrawString(m_display, m_window, m_gc, 310, y + 17, line.c_str(),
                        static_cast<int>(line.size()));
        }
        XFlush(m_display);
    }

    // The next character of a text typed on a white page.
    void type(int index) {
        if (index == 0) {
            XSetForeground(m_display, m_gc, 0xFFFFFF);
            XFillRectangle(m_display, m_window, m_gc, 300, 200, 1200, 600);
        }
        static const char text[] = "Typing costs only the glyph it adds. ";
        const char glyph = text[index % (sizeof text - 1)];
        const int column = index % 150;
        const int line = (index / 150) % 30;
        XSetForeground(m_display, m_gc, 0x101010);
        XDrawString(m_display, m_window, m_gc, 310 + column * 7, 220 + line * 18, &glyph, 1);
        XFlush(m_display);
    }

    // One frame of a 480x270 "video": blocks whose colours drift frame by frame.
    void video(int frame) {
        for (int by = 0; by < 270; by += 15) {
            for (int bx = 0; bx < 480; bx += 16) {
                const std::uint32_t seed =
                    static_cast<std::uint32_t>(bx * 31 + by * 17 + frame * 5) * 2654435761u;
                XSetForeground(m_display, m_gc, (seed >> 8) & 0xFFFFFF);
                XFillRectangle(m_display, m_window, m_gc, 1400 + bx, 700 + by, 16, 15);
            }
        }
        XFlush(m_display);
    }

private:
    Display* m_display;
    int m_width;
    int m_height;
    Window m_window = 0;
    GC m_gc{};
};

} // namespace nimbral::bench
