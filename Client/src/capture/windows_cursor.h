#pragma once

#include <cstdint>

#include <windows.h>

#include "capture/captured_frame.h"

namespace nimbral::windows {

// A top-down 32-bit BGRA DIB of this size: rows in the frame's order.
BITMAPINFO topDownBgraInfo(std::int32_t width, std::int32_t height);

// Draws the visible pointer into `dc`, whose (0, 0) is the screen point (originX, originY). The
// cursor image's top-left corner goes to the pointer position; the hot spot is not subtracted.
// Does nothing when the pointer is hidden or cannot be read.
void drawCursorAt(HDC dc, std::int32_t originX, std::int32_t originY);

// The same for a frame in memory: copies it into a DIB section, draws there and copies it back.
void drawCursorIntoFrame(CapturedFrame& frame, std::int32_t originX, std::int32_t originY);

} // namespace nimbral::windows
