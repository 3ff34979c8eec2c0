#pragma once

#include <atomic>
#include <cstdint>

namespace nimbral::platform {

// A session that records one of the desktop's monitors and takes input aimed at it: GNOME's own
// remote-desktop interface, or the desktop portal's. Input is in the stream's pixels and Linux
// input codes (BTN_LEFT, KEY_A, ...); the calls are made on the main thread and do not block.
class RemoteDesktopSession {
public:
    virtual ~RemoteDesktopSession() = default;

    // False when the desktop granted no pointer and keyboard (a portal that only records).
    virtual bool acceptsInput() const = 0;
    // The stream's size, which absolute pointer positions are in: the desktop's word for it until
    // the capture tells the size of the pictures that actually arrive.
    int width() const { return m_width.load(); }
    int height() const { return m_height.load(); }
    void setStreamSize(int width, int height) {
        m_width.store(width);
        m_height.store(height);
    }

    virtual void movePointer(double x, double y) = 0;
    virtual void pressButton(int evdevButton, bool pressed) = 0;
    // Wheel notches; positive is towards the user (down) and to the right.
    virtual void scrollSteps(int vertical, int horizontal) = 0;
    virtual void pressKeycode(std::uint32_t evdevKey, bool pressed) = 0;
    virtual void pressKeysym(std::uint32_t keysym, bool pressed) = 0;

private:
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
};

} // namespace nimbral::platform
