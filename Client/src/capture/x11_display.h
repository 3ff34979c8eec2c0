#pragma once

#include <memory>
#include <vector>

#include "capture/captured_frame.h"

typedef struct _XDisplay Display;

namespace nimbral::x11 {

struct DisplayCloser {
    void operator()(Display* display) const;
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// A connection of our own to the X server named by DISPLAY (empty when there is none).
DisplayPtr openDisplay();

// Monitors from RandR, primary flagged; the whole screen as one monitor when RandR knows none.
std::vector<MonitorInfo> monitors(Display* display);

// A tightly packed BGRA frame from a server image's rows (bytesPerLine apart), time-stamped now;
// the unused fourth byte is set to 0xFF. The pixels come from `pool` when one is given.
std::unique_ptr<CapturedFrame> frameFromRows(const char* rows, int bytesPerLine, int width,
                                             int height, FrameBufferPool* pool = nullptr);

// Draws the pointer image into a BGRA frame showing the area at (originX, originY): the image's
// top-left corner goes to the pointer position (the hot spot is not subtracted), blended by its
// alpha.
void drawPointer(Display* display, CapturedFrame& frame, int originX, int originY);

// Runs an X call and reports whether the server answered it with an error.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Syncs with the server and tells whether any request since construction failed.
    bool failed();

private:
    Display* m_display;
    int (*m_previous)(Display*, void*);
};

} // namespace nimbral::x11

namespace nimbral {

// The monitors of this desktop, for the settings dialog; empty without a display.
std::vector<MonitorInfo> enumerateMonitors();

} // namespace nimbral
