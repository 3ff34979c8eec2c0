#include "capture/gdi_capture_backend.h"

#include <windows.h>

#include <spdlog/spdlog.h>

#include "capture/windows_cursor.h"

namespace nimbral {

struct GdiCaptureBackend::GdiObjects {
    HDC screen = nullptr;
    HDC memory = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ previous = nullptr;
};

namespace {

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT rect, LPARAM context) {
    auto& monitors = *reinterpret_cast<std::vector<MonitorInfo>*>(context);
    MonitorInfo info;
    info.index = static_cast<std::int32_t>(monitors.size());
    info.x = rect->left;
    info.y = rect->top;
    info.width = rect->right - rect->left;
    info.height = rect->bottom - rect->top;
    MONITORINFOEXA details{};
    details.cbSize = sizeof(details);
    if (::GetMonitorInfoA(monitor, &details)) {
        info.name = details.szDevice;
        info.isPrimary = (details.dwFlags & MONITORINFOF_PRIMARY) != 0;
    }
    monitors.push_back(std::move(info));
    return TRUE;
}

} // namespace

std::vector<MonitorInfo> enumerateGdiMonitors() {
    std::vector<MonitorInfo> monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

GdiCaptureBackend::GdiCaptureBackend()
    : m_gdi(std::make_unique<GdiObjects>()) {
}

GdiCaptureBackend::~GdiCaptureBackend() {
    shutdown();
}

bool GdiCaptureBackend::initialize(std::int32_t monitorIndex) {
    shutdown();
    const std::vector<MonitorInfo> monitors = enumerateGdiMonitors();
    if (monitorIndex < 0 || monitorIndex >= static_cast<std::int32_t>(monitors.size())) {
        spdlog::error("GdiCaptureBackend: monitor index {} not found (have {} monitors)",
                      monitorIndex, monitors.size());
        return false;
    }
    m_monitor = monitors[static_cast<std::size_t>(monitorIndex)];
    if (m_monitor.width < 1 || m_monitor.height < 1) {
        spdlog::error("GdiCaptureBackend: invalid monitor dimensions {}x{}", m_monitor.width,
                      m_monitor.height);
        return false;
    }
    m_gdi->screen = ::GetDC(nullptr);
    if (m_gdi->screen == nullptr) {
        spdlog::error("GdiCaptureBackend: GetDC failed");
        return false;
    }
    m_gdi->memory = ::CreateCompatibleDC(m_gdi->screen);
    if (m_gdi->memory == nullptr) {
        spdlog::error("GdiCaptureBackend: CreateCompatibleDC failed");
        shutdown();
        return false;
    }
    BITMAPINFO info = windows::topDownBgraInfo(m_monitor.width, m_monitor.height);
    void* bits = nullptr;
    m_gdi->dib = ::CreateDIBSection(m_gdi->memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (m_gdi->dib == nullptr) {
        spdlog::error("GdiCaptureBackend: CreateDIBSection failed");
        shutdown();
        return false;
    }
    m_gdi->previous = ::SelectObject(m_gdi->memory, m_gdi->dib);
    m_initialized = true;
    spdlog::info("GdiCaptureBackend: initialized on monitor {} '{}' ({}x{}) [GDI fallback]",
                 monitorIndex, m_monitor.name, m_monitor.width, m_monitor.height);
    return true;
}

void GdiCaptureBackend::shutdown() {
    if (m_gdi->memory != nullptr && m_gdi->previous != nullptr) {
        ::SelectObject(m_gdi->memory, m_gdi->previous);
    }
    if (m_gdi->dib != nullptr) {
        ::DeleteObject(m_gdi->dib);
    }
    if (m_gdi->memory != nullptr) {
        ::DeleteDC(m_gdi->memory);
    }
    if (m_gdi->screen != nullptr) {
        ::ReleaseDC(nullptr, m_gdi->screen);
    }
    *m_gdi = GdiObjects{};
    m_initialized = false;
}

std::unique_ptr<CapturedFrame> GdiCaptureBackend::captureFrame() {
    if (!m_initialized) {
        return nullptr;
    }
    if (!::BitBlt(m_gdi->memory, 0, 0, m_monitor.width, m_monitor.height, m_gdi->screen,
                  m_monitor.x, m_monitor.y, SRCCOPY)) {
        spdlog::warn("GdiCaptureBackend: BitBlt failed");
        return nullptr;
    }
    windows::drawCursorAt(m_gdi->memory, m_monitor.x, m_monitor.y);

    auto frame = std::make_unique<CapturedFrame>();
    frame->width = m_monitor.width;
    frame->height = m_monitor.height;
    frame->stride = m_monitor.width * 4;
    frame->timestamp = monotonicMilliseconds();
    m_buffers->lend(*frame, static_cast<std::size_t>(frame->stride) *
                                static_cast<std::size_t>(frame->height));
    BITMAPINFO info = windows::topDownBgraInfo(m_monitor.width, m_monitor.height);
    if (::GetDIBits(m_gdi->memory, m_gdi->dib, 0, static_cast<UINT>(m_monitor.height),
                    frame->data.data(), &info, DIB_RGB_COLORS) == 0) {
        spdlog::warn("GdiCaptureBackend: GetDIBits failed");
        return nullptr;
    }
    return frame;
}

std::vector<MonitorInfo> GdiCaptureBackend::enumerateMonitors() {
    return enumerateGdiMonitors();
}

MonitorInfo GdiCaptureBackend::currentMonitor() {
    return m_monitor;
}

} // namespace nimbral
