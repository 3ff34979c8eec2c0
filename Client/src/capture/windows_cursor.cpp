#include "capture/windows_cursor.h"

#include <cstring>

namespace nimbral::windows {

namespace {

bool visibleCursor(CURSORINFO& cursor) {
    cursor = CURSORINFO{};
    cursor.cbSize = sizeof(cursor);
    return ::GetCursorInfo(&cursor) && (cursor.flags & CURSOR_SHOWING) != 0 &&
           cursor.hCursor != nullptr;
}

} // namespace

BITMAPINFO topDownBgraInfo(std::int32_t width, std::int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // negative: the first row is the top one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

void drawCursorAt(HDC dc, std::int32_t originX, std::int32_t originY) {
    CURSORINFO cursor;
    if (!visibleCursor(cursor)) {
        return;
    }
    ::DrawIconEx(dc, cursor.ptScreenPos.x - originX, cursor.ptScreenPos.y - originY, cursor.hCursor,
                 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

void drawCursorIntoFrame(CapturedFrame& frame, std::int32_t originX, std::int32_t originY) {
    CURSORINFO cursor;
    if (!visibleCursor(cursor) || frame.width < 1 || frame.height < 1) {
        return;
    }
    const std::size_t bytes =
        static_cast<std::size_t>(frame.stride) * static_cast<std::size_t>(frame.height);
    if (frame.data.size() < bytes) {
        return;
    }
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
        return;
    }
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = topDownBgraInfo(frame.width, frame.height);
    void* bits = nullptr;
    HBITMAP dib = memory != nullptr
                      ? ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                      : nullptr;
    if (dib != nullptr && bits != nullptr) {
        HGDIOBJ previous = ::SelectObject(memory, dib);
        std::memcpy(bits, frame.data.data(), bytes);
        ::DrawIconEx(memory, cursor.ptScreenPos.x - originX, cursor.ptScreenPos.y - originY,
                     cursor.hCursor, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
        ::GdiFlush();
        std::memcpy(frame.data.data(), bits, bytes);
        ::SelectObject(memory, previous);
    }
    if (dib != nullptr) {
        ::DeleteObject(dib);
    }
    if (memory != nullptr) {
        ::DeleteDC(memory);
    }
    ::ReleaseDC(nullptr, screen);
}

} // namespace nimbral::windows
